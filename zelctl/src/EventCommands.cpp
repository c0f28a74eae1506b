#include "Commands.h"
#include "Table.h"

#include "zel/Error.h"
#include "zel/data/EventStore.h"
#include "zel/data/ReaderDescription.h"
#include "zel/workflows/EventCollector.h"
#include "zel/workflows/EventExport.h"

#include <cerrno>
#include <cstring>
#include <fstream>
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
    std::vector<zel::workflows::ClockResult> results;
    Table table({{"clock", "Clock"},
                 {"result", "Result"},
                 {"new", "New"},
                 {"known", "Known"},
                 {"wrapped", "Wrapped"},
                 {"error", "Error"},
                 {"detail", "Detail"}});
    for (const auto& c : collections) {
        results.push_back(c.Result);
        table.Add({c.Result.Clock ? Cell(c.Result.Clock->Name()) : Cell(),
                   zel::workflows::OutcomeWord(c.Result.Outcome), Cell(c.New), Cell(c.Known), Cell::Bool(c.Wrapped),
                   c.Result.ErrorNumber ? Cell(std::int64_t{c.Result.ErrorNumber}) : Cell(), c.Result.Detail});
    }
    const int status = ctx.Finish(results);
    table.Print(ctx.Out, ctx.Args.OutputFormat);
    return status;
}

int EventsExport(Context& ctx)
{
    if (!ctx.Operands.empty())
        throw UsageError("events export takes options only, not '" + ctx.Operands.front() + "'");
    zel::data::EventFilter filter;
    filter.Since = TimeOption(ctx, "since");
    filter.Until = TimeOption(ctx, "until");
    const auto& users = ctx.Args.List("user");
    if (users.size() > 1)
        throw UsageError("--user takes one user ID for events export");
    if (!users.empty())
        filter.UserID = users.front();
    if (ctx.Args.Has("clock"))
        for (const auto& clock : ctx.Clocks(ctx.Args.List("clock"), false))
            filter.ClockIDs.push_back(clock->DatabaseID());
    ctx.OpenSite();
    const auto format = ctx.Args.OutputFormat == Format::Json ? zel::workflows::EventFileFormat::Json
                                                              : zel::workflows::EventFileFormat::Csv;
    const std::string path = ctx.Args.Value("output");
    std::ofstream file;
    if (!path.empty()) {
        file.open(path, std::ios::binary | std::ios::trunc);
        if (!file)
            throw zel::Error(75, "zelctl", "cannot write '" + path + "': " + std::strerror(errno));
    }
    std::ostream& out = path.empty() ? ctx.Out : file;
    std::int64_t written = 0;
    try {
        written = zel::workflows::WriteEvents(out, zel::data::EventStore(), filter, format,
                                              [&](std::int64_t n) { ctx.Progress("export", std::to_string(n)); });
    } catch (const zel::Error& error) {
        throw ctx.SiteFailure(error);
    }
    ctx.EndProgress();
    out.flush();
    if (!out)
        throw zel::Error(75, "zelctl", "cannot write '" + (path.empty() ? std::string("standard output") : path) + "'");
    if (!path.empty())
        ctx.Err << "zelctl: " << written << " events written to " << path << '\n';
    return kExitDone;
}

} // namespace zel::cli
