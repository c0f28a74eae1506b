#include "Commands.h"

#include "zel/Error.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"
#include "zel/workflows/DryRun.h"
#include "zel/workflows/Synchronizer.h"
#include "zel/workflows/UserTransfer.h"

#include <ostream>

namespace zel::cli {

namespace {

using zel::workflows::ClockOutcome;
using zel::workflows::ClockResult;
using zel::workflows::ClockTask;

zel::workflows::Synchronizer::ReaderCollection Collection(const std::vector<Context::ReaderPtr>& clocks)
{
    zel::workflows::Synchronizer::ReaderCollection collection;
    for (const auto& clock : clocks)
        if (!collection.Contains(clock->Name()))
            collection.Add(clock, clock->Name());
    return collection;
}

// sync --dry-run: what the sources would give and the destinations would get, read from the clocks.
// The destinations are told the site's enrolled users now; the users read from the sources would
// join them.
int DryRunSync(Context& ctx, const std::vector<Context::ReaderPtr>& sources,
               const std::vector<Context::ReaderPtr>& destinations)
{
    std::vector<std::string> enrolled;
    for (const auto& user : zel::data::DataSource().GetUserDescriptionList()->Items())
        if (zel::workflows::HasTemplate(*user))
            enrolled.push_back(user->UserID());
    zel::workflows::ClockRunner runner(ctx.Maker());
    ctx.Attach(runner);
    auto read = zel::workflows::PlanUserChanges(runner, sources, zel::workflows::PlannedChange::Read);
    auto sent = zel::workflows::PlanUserChanges(runner, destinations,
                                                ctx.Args.Flag("clear") ? zel::workflows::PlannedChange::Replace
                                                                       : zel::workflows::PlannedChange::Send,
                                                enrolled);
    Table table({{"clock", "Clock"}, {"task", "Task"}, {"result", "Result"}, {"users", "Users"}, {"detail", "Detail"}});
    std::vector<zel::workflows::ClockResult> all;
    for (auto* part : {&read, &sent})
        for (const auto& result : *part) {
            const bool reached = result.Outcome == zel::workflows::ClockOutcome::Done;
            table.Add({result.Clock->Name(), part == &read ? "read" : "send",
                       zel::workflows::OutcomeWord(result.Outcome), reached ? Cell(result.Count) : Cell(),
                       result.Detail});
            all.push_back(result);
        }
    const int status = ctx.Finish(all);
    table.Print(ctx.Out, ctx.Args.OutputFormat);
    return status;
}

std::vector<Context::ReaderPtr> Clocks(const zel::workflows::Synchronizer::ReaderCollection& collection)
{
    std::vector<Context::ReaderPtr> clocks;
    for (const auto& clock : collection)
        clocks.push_back(clock);
    return clocks;
}

} // namespace

int Sync(Context& ctx)
{
    if (!ctx.Operands.empty())
        throw UsageError("sync takes its clocks with --from and --to ('" + ctx.Operands.front() + "' given)");
    if (!ctx.Args.Has("from") || !ctx.Args.Has("to"))
        throw UsageError("sync needs --from CLOCK... and --to CLOCK...");
    const auto sources = Collection(ctx.Clocks(ctx.Args.List("from"), false));
    const auto destinations = Collection(ctx.Clocks(ctx.Args.List("to"), false));
    if (ctx.DryRun())
        return DryRunSync(ctx, Clocks(sources), Clocks(destinations));

    zel::workflows::Synchronizer synchronizer;
    auto connecting = synchronizer.ConnectingToReader().Subscribe([&](int mode, const Context::ReaderPtr& clock) {
        ctx.Progress(clock->Name(),
                     mode == zel::workflows::Synchronizer::SourceMode ? "reading users" : "sending users");
    });
    int sent = 0;
    auto sending = synchronizer.SendingUser().Subscribe([&](int, const auto&) {
        if (++sent % 16 == 1)
            ctx.Progress("sync", std::to_string(sent) + " users sent");
    });
    std::string commandError;
    try {
        synchronizer.Execute(sources, destinations, ctx.Args.Flag("clear"));
    } catch (const zel::Error& error) {
        commandError = "error " + std::to_string(error.Number()) + ": " + error.Description();
    } catch (const std::exception& error) {
        commandError = error.what();
    }
    ctx.EndProgress();
    ctx.TellAuditFailure(synchronizer.AuditFailure());

    const auto& report = synchronizer.Report();
    std::vector<Column> columns{
        {"clock", "Clock"}, {"task", "Task"}, {"result", "Result"}, {"users", "Users"}, {"detail", "Detail"}};
    for (auto& column : WritesColumns())
        columns.push_back(std::move(column));
    Table table(std::move(columns));
    bool reached = false, allDone = commandError.empty();
    for (const ClockResult& clock : report.Clocks()) {
        const bool done = clock.Outcome == ClockOutcome::Done;
        reached = reached || done || clock.Outcome == ClockOutcome::Failed;
        allDone = allDone && done;
        std::vector<Cell> row{clock.ClockName, clock.Work == ClockTask::Read ? "read" : "send",
                              zel::workflows::OutcomeWord(clock.Outcome),
                              done || clock.Outcome == ClockOutcome::Failed || clock.Writes ? Cell(clock.Count)
                                                                                            : Cell(),
                              done && !clock.HasNews() ? Cell() : Cell(clock.Text())};
        for (auto& cell : WritesCells(clock.Writes))
            row.push_back(std::move(cell));
        table.Add(std::move(row));
        if (!done)
            ctx.Err << "zelctl: " << clock.ClockName << ": " << clock.Text() << '\n';
    }
    if (!commandError.empty())
        ctx.Err << "zelctl: sync stopped: " << commandError << '\n';
    table.Print(ctx.Out, ctx.Args.OutputFormat);
    if (allDone)
        return kExitDone;
    return reached ? kExitSomeFailed : kExitNoClock;
}

} // namespace zel::cli
