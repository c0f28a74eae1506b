#include "Commands.h"

#include "zel/Error.h"
#include "zel/data/ReaderDescription.h"
#include "zel/workflows/Synchronizer.h"

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

} // namespace

int Sync(Context& ctx)
{
    if (!ctx.Operands.empty())
        throw UsageError("sync takes its clocks with --from and --to ('" + ctx.Operands.front() + "' given)");
    if (!ctx.Args.Has("from") || !ctx.Args.Has("to"))
        throw UsageError("sync needs --from CLOCK... and --to CLOCK...");
    const auto sources = Collection(ctx.Clocks(ctx.Args.List("from"), false));
    const auto destinations = Collection(ctx.Clocks(ctx.Args.List("to"), false));

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
