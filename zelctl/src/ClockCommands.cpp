#include "Commands.h"
#include "PerClock.h"

#include "zel/DateTime.h"
#include "zel/Error.h"
#include "zel/Text.h"
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/support/Channel.h"
#include "zel/support/ClockZone.h"
#include "zel/support/IReader.h"
#include "zel/workflows/ClockModel.h"
#include "zel/workflows/ClockRunner.h"
#include "zel/workflows/ClockTimeCheck.h"
#include "zel/workflows/CommandReport.h"
#include "zel/workflows/ParallelGroups.h"
#include "zel/workflows/SiteChannels.h"

#include <charconv>
#include <map>
#include <optional>
#include <ostream>

namespace zel::cli {

namespace {

std::string IsoTime(const zel::DateTime& time)
{
    return time.DateString() + "T" + time.TimeString();
}

// "FROM-TO" of reader IDs 0..255.
std::pair<int, int> IdRange(const std::string& text)
{
    auto dash = text.find('-');
    auto number = [&](const std::string& part) {
        int value = -1;
        if (part.empty() || !zel::IsAllDigits(part) || part.size() > 3 ||
            std::from_chars(part.data(), part.data() + part.size(), value).ec != std::errc() || value > 255)
            throw UsageError("--ids takes FROM-TO with reader IDs 0 to 255, not '" + text + "'");
        return value;
    };
    int from = number(text.substr(0, dash));
    int to = dash == std::string::npos ? from : number(text.substr(dash + 1));
    if (from > to)
        throw UsageError("--ids: FROM is larger than TO in '" + text + "'");
    return {from, to};
}

// A bound in whole seconds, above zero.
std::int64_t Seconds(const char* option, const std::string& text)
{
    std::int64_t value = 0;
    const bool number =
        !text.empty() && text.size() <= 9 &&
        (zel::IsAllDigits(text) || (text[0] == '-' && text.size() > 1 && zel::IsAllDigits(text.substr(1))));
    if (!number || std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc())
        throw UsageError(std::string(option) + " takes whole seconds, not '" + text + "'");
    if (value <= 0)
        throw UsageError(std::string(option) + " must be above 0 seconds, not " + text +
                         ": a clock is never exactly on time; leave it out to set every clock");
    return value;
}

} // namespace

int Status(Context& ctx)
{
    auto clocks = ctx.Clocks(ctx.Operands, ctx.Args.Flag("all"));
    using Check = zel::workflows::ClockTimeCheck;
    struct Seen {
        std::string Model;
        std::int32_t Users = 0, Capacity = 0;
        Check::Reading Time;
        Check::Dst Dst;
        bool DstKnown = true;
        std::optional<zel::support::DataLogState> Log; // a clock that numbers its events
    };
    PerClock<Seen> seen;
    zel::workflows::ClockRunner runner;
    runner.SetMaxChannels(zel::workflows::ParallelGroups::DefaultMaxChannels);
    ctx.Attach(runner);
    auto results = runner.Run(clocks, [&](zel::support::IReader& reader, zel::support::Channel& channel,
                                          const Context::ReaderPtr& clock, zel::workflows::ClockResult& result) {
        Seen info;
        auto model = zel::workflows::ModelOf(reader);
        info.Model = model.Name;
        info.Capacity = model.Capacity;
        info.Users = reader.UserCount();
        info.Time = Check::Read(reader, clock->TimeZone());
        channel.SetHandReader(clock->ReaderID());
        const auto setup = channel.GetSetupData();
        try {
            info.Dst = Check::DstOf(setup, zel::support::ClockZone::Now(clock->TimeZone()).Year(), clock->TimeZone());
        } catch (const zel::Error& error) {
            // The zone cannot be told: the clock's own state is still worth showing.
            info.DstKnown = false;
            result.Detail = "daylight saving not checked: " + error.Description();
        }
        try {
            info.Log = channel.ReadDataLog(ZEL_LOG_NEXT, 0, 0).State; // the log's state; its cursor stays
        } catch (const zel::Error&) { // NOLINT(bugprone-empty-catch): a clock that does not tell it
        }
        if (info.Log && info.Log->CloseToWrapping()) {
            const std::string warning = "event log " + std::to_string(info.Log->Unread() * 100 / info.Log->Capacity) +
                                        " % unread: collect its events before the log wraps";
            result.Detail = result.Detail.empty() ? warning : result.Detail + "; " + warning;
        }
        result.Count = info.Users;
        seen.Put(clock, info);
    });
    // The site: a line above the table for people, a last column ("site") for scripts.
    const bool siteColumn = ctx.Args.OutputFormat != Format::Table;
    std::vector<Column> columns{{"clock", "Clock"},
                                {"result", "Result"},
                                {"model", "Model"},
                                {"users", "Users"},
                                {"capacity", "Capacity"},
                                {"clock_time", "Clock time"},
                                {"difference_seconds", "Ahead (s)"},
                                {"error", "Error"},
                                {"detail", "Detail"},
                                {"dst", "DST"},
                                {"dst_year", "DST of"},
                                {"log_unread", "Log unread"},
                                {"log_capacity", "Log size"}};
    if (siteColumn)
        columns.push_back({"site", "Site"});
    Table table(std::move(columns));
    const std::string site = ctx.ShownSite();
    for (const auto& result : results) {
        std::vector<Cell> row{result.Clock->Name(), zel::workflows::OutcomeWord(result.Outcome)};
        const Seen* info = seen.Find(result.Clock);
        if (info) {
            row.insert(row.end(), {info->Model, info->Users, info->Capacity, IsoTime(info->Time.ClockTime),
                                   Cell(info->Time.DifferenceSeconds)});
        } else {
            row.insert(row.end(), {Cell(), Cell(), Cell(), Cell(), Cell()});
        }
        row.push_back(result.ErrorNumber ? Cell(std::int64_t{result.ErrorNumber}) : Cell());
        row.push_back(result.Detail);
        if (info && info->DstKnown) {
            const Check::Dst& dst = info->Dst;
            row.push_back(Check::DstWord(dst.State));
            row.push_back(dst.Year ? Cell(std::int64_t{dst.Year}) : Cell());
        } else {
            row.insert(row.end(), {Cell(), Cell()});
        }
        if (info && info->Log)
            row.insert(row.end(), {Cell(std::int64_t{info->Log->Unread()}), Cell(std::int64_t{info->Log->Capacity})});
        else
            row.insert(row.end(), {Cell(), Cell()});
        if (siteColumn)
            row.push_back(site);
        table.Add(std::move(row));
    }
    const int status = ctx.Finish(results);
    if (!siteColumn)
        ctx.Out << "Site: " << site << " (" << ctx.SiteEngine() << ")\n\n";
    table.Print(ctx.Out, ctx.Args.OutputFormat);
    return status;
}

int TimeSet(Context& ctx)
{
    auto clocks = ctx.Clocks(ctx.Operands, ctx.Args.Flag("all"));
    using Check = zel::workflows::ClockTimeCheck;
    std::optional<std::int64_t> maxDrift;
    if (ctx.Args.Has("max-drift"))
        maxDrift = Seconds("--max-drift", ctx.Args.Value("max-drift"));
    const bool dryRun = ctx.Args.Flag("dry-run");
    PerClock<Check::Correction> corrections;
    zel::workflows::ClockRunner runner(ctx.Maker());
    runner.SetMaxChannels(zel::workflows::ParallelGroups::DefaultMaxChannels);
    ctx.Attach(runner);
    auto results = runner.Run(clocks, [&](zel::support::IReader& reader, zel::support::Channel&,
                                          const Context::ReaderPtr& clock, zel::workflows::ClockResult& result) {
        const Check::Correction correction = Check::Correct(reader, clock->TimeZone(), maxDrift, dryRun);
        const std::string off = std::to_string(correction.Before.DifferenceSeconds) + " s";
        if (!correction.Set)
            result.Detail = off + " off, within " + std::to_string(*maxDrift) + " s: left as it was";
        else if (dryRun)
            result.Detail = off + " off: would be set to the time of its zone (dry run)";
        else
            result.Detail = "set to " + correction.After->ClockTime.ToString() + " (was " + off + " off)";
        result.Count = correction.Set ? 1 : 0;
        corrections.Put(clock, correction);
    });
    const int status = ctx.Finish(results);
    Table table({{"clock", "Clock"},
                 {"result", "Result"},
                 {"error", "Error"},
                 {"detail", "Detail"},
                 {"action", "Action"},
                 {"before_seconds", "Before (s)"},
                 {"after_seconds", "After (s)"}});
    for (const auto& result : results) {
        std::vector<Cell> row{result.Clock->Name(), zel::workflows::OutcomeWord(result.Outcome),
                              result.ErrorNumber ? Cell(std::int64_t{result.ErrorNumber}) : Cell(), result.Detail};
        if (const Check::Correction* found = corrections.Find(result.Clock)) {
            const Check::Correction& correction = *found;
            row.push_back(!correction.Set ? "kept" : dryRun ? "would set" : "set");
            row.push_back(Cell(correction.Before.DifferenceSeconds));
            row.push_back(correction.After ? Cell(correction.After->DifferenceSeconds) : Cell());
        } else {
            row.insert(row.end(), {Cell(), Cell(), Cell()});
        }
        table.Add(std::move(row));
    }
    table.Print(ctx.Out, ctx.Args.OutputFormat);
    return status;
}

int Scan(Context& ctx)
{
    if (ctx.Operands.size() != 1)
        throw UsageError("scan takes one channel (its name or database ID)");
    const auto [from, to] = IdRange(ctx.Args.Value("ids", "0-255"));
    ctx.OpenSite();
    zel::data::DataSource data;
    const auto description = ctx.Channel(ctx.Operands.front());

    std::shared_ptr<zel::support::Channel> channel;
    try {
        channel = zel::workflows::CreateChannelForDescription(description);
    } catch (const zel::Error& error) {
        ctx.Err << "zelctl: " << description->Name() << ": no channel: error " << error.Number() << ": "
                << error.Description() << '\n';
        return kExitNoClock;
    }
    if (!channel) {
        ctx.Err << "zelctl: " << description->Name() << ": no channel: a modem channel cannot be used\n";
        return kExitNoClock;
    }
    channel->Connect();
    if (!channel->IsConnected()) {
        ctx.Err << "zelctl: " << zel::VisibleText(description->Name())
                << ": not connected: " << zel::workflows::NotConnectedReason(*channel) << '\n';
        return kExitNoClock;
    }
    std::map<int, std::string> known;
    for (const auto& clock : data.GetReaderDescriptionList()->Items())
        if (clock->ChannelDescriptionID() == description->DatabaseID())
            known[clock->ReaderID()] = clock->Name();

    Table table({{"reader_id", "Reader ID"}, {"model", "Model"}, {"users", "Users"}, {"clock", "Clock in site"}});
    for (int id = from; id <= to; ++id) {
        ctx.Progress(description->Name(), "reader ID " + std::to_string(id) + " of " + std::to_string(from) + "-" +
                                              std::to_string(to) + ", " + std::to_string(table.RowCount()) + " found");
        std::shared_ptr<zel::support::IReader> reader;
        try {
            reader = channel->GetReader(id);
        } catch (const zel::Error&) {
        }
        if (!reader)
            continue;
        auto it = known.find(id);
        table.Add({id, zel::workflows::ModelOf(*reader).Name, reader->UserCount(),
                   it == known.end() ? Cell() : Cell(it->second)});
    }
    channel->Disconnect();
    ctx.EndProgress();
    table.Print(ctx.Out, ctx.Args.OutputFormat);
    return table.RowCount() ? kExitDone : kExitNoClock;
}

} // namespace zel::cli
