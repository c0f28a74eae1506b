#include "Commands.h"
#include "Table.h"

#include "zel/Error.h"
#include "zel/data/EventStore.h"
#include "zel/data/ReaderDescription.h"
#include "zel/workflows/EventCollector.h"
#include "zel/workflows/EventExport.h"
#include "zel/workflows/EventKinds.h"

#include <algorithm>
#include <regex>

namespace zel::cli {

namespace {

// "YYYY-MM-DD", "YYYY-MM-DD HH:MM[:SS]" or with a T between date and time.
std::string TimeOption(const Context& ctx, const char* name)
{
    const std::string value = ctx.Args.Value(name);
    if (value.empty())
        return value;
    static const std::regex form(R"(\d{4}-\d{2}-\d{2}([T ]\d{2}:\d{2}(:\d{2})?)?)");
    if (!std::regex_match(value, form))
        throw UsageError(std::string("--") + name + " takes a date YYYY-MM-DD or a time YYYY-MM-DDTHH:MM:SS, not '" +
                         value + "'");
    std::string normal = value;
    if (normal.size() > 10)
        normal[10] = ' ';
    if (normal.size() == 16)
        normal += std::string(name) == "until" ? ":59" : ":00";
    return normal;
}

// --kind WORD...: the format types of every group or kind named.
std::vector<std::int32_t> KindOption(const Context& ctx)
{
    std::vector<std::int32_t> types;
    for (const std::string& word : ctx.Args.List("kind")) {
        const auto named = zel::workflows::FormatTypesNamed(word);
        if (named.empty()) {
            std::string groups;
            for (auto category : zel::workflows::kAllCategories)
                groups += std::string(groups.empty() ? "" : ", ") + zel::workflows::CategoryWord(category);
            throw UsageError("--kind takes a group of kinds (" + groups +
                             ") or a kind as the export writes it (\"Identity verified\"), not '" + word + "'");
        }
        types.insert(types.end(), named.begin(), named.end());
    }
    std::sort(types.begin(), types.end());
    types.erase(std::unique(types.begin(), types.end()), types.end());
    return types;
}

} // namespace

int EventsCollect(Context& ctx)
{
    auto clocks = ctx.Clocks(ctx.Operands, ctx.Args.Flag("all"));
    zel::workflows::EventCollector collector;
    collector.SetStage(
        [&](const Context::ReaderPtr& clock, const std::string& stage) { ctx.Progress(clock->Name(), stage); });
    collector.SetProgress([&](const Context::ReaderPtr& clock, std::int32_t added, std::int32_t known) {
        ctx.Progress(clock->Name(), std::to_string(added) + " new, " + std::to_string(known) + " known");
    });
    std::vector<zel::workflows::EventCollection> collections;
    try {
        collections = collector.Run(clocks);
    } catch (const zel::Error& error) {
        throw ctx.SiteFailure(error);
    }
    ctx.TellAuditFailure(collector.AuditFailure());
    std::vector<zel::workflows::ClockResult> results;
    Table table({{"clock", "Clock"},
                 {"result", "Result"},
                 {"held", "Held"},
                 {"new", "New"},
                 {"known", "Known"},
                 {"lost", "Lost"},
                 {"lost_from", "Lost from"},
                 {"lost_to", "Lost to"},
                 {"wrapped", "Wrapped"},
                 {"capacity", "Log size"},
                 {"error", "Error"},
                 {"detail", "Detail"}});
    for (const auto& c : collections) {
        results.push_back(c.Result);
        const bool told = c.Held >= 0; // the clock numbers its events
        table.Add({c.Result.Clock ? Cell(c.Result.Clock->Name()) : Cell(),
                   zel::workflows::OutcomeWord(c.Result.Outcome), told ? Cell(c.Held) : Cell(), Cell(c.New),
                   Cell(c.Known), c.Lost >= 0 ? Cell(c.Lost) : Cell(), c.Lost != 0 ? Cell(c.LostFrom) : Cell(),
                   c.Lost != 0 ? Cell(c.LostTo) : Cell(), Cell::Bool(c.Wrapped), told ? Cell(c.Capacity) : Cell(),
                   c.Result.ErrorNumber ? Cell(std::int64_t{c.Result.ErrorNumber}) : Cell(), c.Result.Detail});
    }
    const int status = ctx.Finish(results);
    table.Print(ctx.Out, ctx.Args.OutputFormat);
    return status;
}

int EventsStatus(Context& ctx)
{
    if (!ctx.Operands.empty())
        throw UsageError("events status takes no operands, not '" + ctx.Operands.front() + "'");
    ctx.OpenSite();
    std::vector<zel::data::ClockCollectionSummary> summary;
    try {
        summary = zel::data::EventStore().CollectionSummary();
    } catch (const zel::Error& error) {
        throw ctx.SiteFailure(error);
    }
    Table table({{"clock", "Clock"},
                 {"last_collected", "Last collected"},
                 {"result", "Result"},
                 {"new", "New"},
                 {"collections", "Collections"},
                 {"ever_lost", "Ever lost"},
                 {"lost", "Lost"},
                 {"unread_percent", "Unread %"}});
    for (const auto& s : summary) {
        const auto& last = s.Last;
        const bool told = last.Capacity > 0;
        table.Add({last.ClockName, last.CollectedAt, last.Outcome, Cell(last.New), Cell(s.Collections),
                   Cell::Bool(s.EverLost()), s.LostUnknownEver && s.LostEver == 0 ? Cell() : Cell(s.LostEver),
                   told ? Cell(last.Unread * 100 / last.Capacity) : Cell()});
    }
    table.Print(ctx.Out, ctx.Args.OutputFormat);
    return 0;
}

int EventsExport(Context& ctx)
{
    if (!ctx.Operands.empty())
        throw UsageError("events export takes options only, not '" + ctx.Operands.front() + "'");
    if (ctx.Args.Has("format") && ctx.Args.OutputFormat == Format::Table)
        throw UsageError("events export writes a file for other programs: --format csv (the default) or --format "
                         "json, not a table");
    zel::data::EventFilter filter;
    filter.Since = TimeOption(ctx, "since");
    filter.Until = TimeOption(ctx, "until");
    const auto& users = ctx.Args.List("user");
    if (users.size() > 1)
        throw UsageError("--user takes one user ID for events export");
    if (!users.empty())
        filter.UserID = users.front();
    filter.FormatTypes = KindOption(ctx);
    if (ctx.Args.Has("clock"))
        for (const auto& clock : ctx.Clocks(ctx.Args.List("clock"), false))
            filter.ClockIDs.push_back(clock->DatabaseID());
    ctx.OpenSite();
    const auto format = ctx.Args.OutputFormat == Format::Json ? zel::workflows::EventFileFormat::Json
                                                              : zel::workflows::EventFileFormat::Csv;
    const auto texts = ctx.Args.OutputFormat == Format::CsvRaw ? zel::CsvTexts::Raw : zel::CsvTexts::Guarded;
    std::int64_t written = 0;
    try {
        written = zel::workflows::WriteEvents(
            ctx.Out, zel::data::EventStore(), filter, zel::workflows::SiteClockZones(), format,
            [&](std::int64_t n) { ctx.Progress("export", std::to_string(n)); }, texts);
    } catch (const zel::Error& error) {
        throw ctx.SiteFailure(error);
    }
    ctx.EndProgress();
    if (ctx.Args.Has("output")) {
        ctx.CommitOutput();
        ctx.Err << "zelctl: " << written << " events written to " << ctx.Args.Value("output") << '\n';
    } else if (!ctx.Out.flush()) {
        throw zel::Error(75, "zelctl", "cannot write standard output");
    }
    return kExitDone;
}

} // namespace zel::cli
