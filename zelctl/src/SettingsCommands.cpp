#include "Commands.h"
#include "PerClock.h"

#include "zel/Error.h"
#include "zel/data/ReaderDescription.h"
#include "zel/support/IReader.h"
#include "zel/workflows/ClockRunner.h"
#include "zel/workflows/ClockSettings.h"
#include "zel/workflows/MenuProgram.h"
#include "zel/workflows/ParallelGroups.h"

#include <optional>

namespace zel::cli {

namespace {

using zel::workflows::ClockSettings;

std::optional<bool> OnOff(const Context& ctx, const char* option)
{
    if (!ctx.Args.Has(option))
        return std::nullopt;
    const std::string value = ctx.Args.Value(option);
    if (value == "on")
        return true;
    if (value == "off")
        return false;
    throw UsageError(std::string("--") + option + " takes on or off, not '" + value + "'");
}

// Runs `work` on each clock on its channel, one outcome per clock, and prints clock, result,
// error, detail and whether it wrote.
int RunWriting(Context& ctx, const std::vector<Context::ReaderPtr>& clocks,
               const std::function<ClockSettings::Outcome(zel::support::IReader&, zel::support::Channel&,
                                                          const Context::ReaderPtr&)>& work)
{
    const bool dryRun = ctx.Args.Flag("dry-run");
    PerClock<bool> written;
    zel::workflows::ClockRunner runner(ctx.Maker());
    runner.SetMaxChannels(zel::workflows::ParallelGroups::DefaultMaxChannels);
    ctx.Attach(runner);
    auto results = runner.Run(clocks, [&](zel::support::IReader& reader, zel::support::Channel& channel,
                                          const Context::ReaderPtr& clock, zel::workflows::ClockResult& result) {
        const ClockSettings::Outcome outcome = work(reader, channel, clock);
        result.Detail = outcome.Detail;
        result.Count = outcome.Written ? 1 : 0;
        written.Put(clock, outcome.Written);
    });
    const int status = ctx.Finish(results);
    Table table(
        {{"clock", "Clock"}, {"result", "Result"}, {"error", "Error"}, {"detail", "Detail"}, {"action", "Action"}});
    for (const auto& result : results) {
        const bool* wrote = written.Find(result.Clock);
        table.Add({result.Clock->Name(), zel::workflows::OutcomeWord(result.Outcome),
                   result.ErrorNumber ? Cell(std::int64_t{result.ErrorNumber}) : Cell(), result.Detail,
                   !wrote    ? Cell()
                   : !*wrote ? Cell("kept")
                   : dryRun  ? Cell("would send")
                             : Cell("sent")});
    }
    table.Print(ctx.Out, ctx.Args.OutputFormat);
    return status;
}

} // namespace

int SettingsGet(Context& ctx)
{
    auto clocks = ctx.Clocks(ctx.Operands, ctx.Args.Flag("all"));
    PerClock<ClockSettings::Values> seen;
    zel::workflows::ClockRunner runner;
    runner.SetMaxChannels(zel::workflows::ParallelGroups::DefaultMaxChannels);
    ctx.Attach(runner);
    auto results = runner.Run(clocks, [&](zel::support::IReader&, zel::support::Channel& channel,
                                          const Context::ReaderPtr& clock, zel::workflows::ClockResult&) {
        const auto values = ClockSettings::Read(channel, clock->ReaderID(), clock->TimeZone());
        seen.Put(clock, values);
    });
    const int status = ctx.Finish(results);
    Table table({{"clock", "Clock"},
                 {"result", "Result"},
                 {"time_format", "Time format"},
                 {"dst", "DST"},
                 {"dst_year", "DST of"},
                 {"dst_start", "DST start"},
                 {"dst_end", "DST end"},
                 {"time_attendance", "T&A"},
                 {"department_tracking", "Departments"},
                 {"error", "Error"},
                 {"detail", "Detail"}});
    for (const auto& result : results) {
        std::vector<Cell> row{result.Clock->Name(), zel::workflows::OutcomeWord(result.Outcome)};
        if (const ClockSettings::Values* found = seen.Find(result.Clock)) {
            const auto& v = *found;
            const auto text = [](const std::string& s) { return s.empty() ? Cell() : Cell(s); };
            row.insert(row.end(),
                       {Cell(std::int64_t{v.TimeFormatHours}), zel::workflows::ClockTimeCheck::DstWord(v.Dst.State),
                        v.Dst.Year ? Cell(std::int64_t{v.Dst.Year}) : Cell(), text(v.DstStart), text(v.DstEnd),
                        v.TimeAndAttendance ? "on" : "off", v.DepartmentTracking ? "on" : "off"});
        } else {
            row.insert(row.end(), {Cell(), Cell(), Cell(), Cell(), Cell(), Cell(), Cell()});
        }
        row.push_back(result.ErrorNumber ? Cell(std::int64_t{result.ErrorNumber}) : Cell());
        row.push_back(result.Detail);
        table.Add(std::move(row));
    }
    table.Print(ctx.Out, ctx.Args.OutputFormat);
    return status;
}

int SettingsSet(Context& ctx)
{
    ClockSettings::Change change;
    if (ctx.Args.Has("time-format")) {
        const std::string value = ctx.Args.Value("time-format");
        if (value != "12" && value != "24")
            throw UsageError("--time-format takes 12 or 24, not '" + value + "'");
        change.TimeFormatHours = value == "12" ? 12 : 24;
    }
    change.DayLightSavings = OnOff(ctx, "dst");
    change.TimeAndAttendance = OnOff(ctx, "time-attendance");
    change.DepartmentTracking = OnOff(ctx, "department-tracking");
    if (change.Empty())
        throw UsageError("settings set changes nothing: name --time-format, --dst, --time-attendance or "
                         "--department-tracking");
    auto clocks = ctx.Clocks(ctx.Operands, ctx.Args.Flag("all"));
    const bool dryRun = ctx.Args.Flag("dry-run");
    return RunWriting(
        ctx, clocks,
        [&](zel::support::IReader& reader, zel::support::Channel& channel, const Context::ReaderPtr& clock) {
            return ClockSettings::Apply(reader, channel, clock->ReaderID(), clock->TimeZone(), change, dryRun);
        });
}

int SettingsDst(Context& ctx)
{
    auto clocks = ctx.Clocks(ctx.Operands, ctx.Args.Flag("all"));
    const bool dryRun = ctx.Args.Flag("dry-run");
    return RunWriting(
        ctx, clocks,
        [&](zel::support::IReader& reader, zel::support::Channel& channel, const Context::ReaderPtr& clock) {
            return ClockSettings::RenewDayLightSavings(reader, channel, clock->ReaderID(), clock->TimeZone(), dryRun);
        });
}

int MenuSend(Context& ctx)
{
    if (ctx.Operands.empty())
        throw UsageError("menu send takes the clocks (or --all) and then the menu file");
    const std::string fileName = ctx.Operands.back();
    std::vector<std::string> names(ctx.Operands.begin(), ctx.Operands.end() - 1);
    std::vector<std::uint8_t> program;
    try {
        program = zel::workflows::MenuProgram::Read(fileName);
    } catch (const zel::Error& error) {
        throw UsageError(error.Description());
    }
    auto clocks = ctx.Clocks(names, ctx.Args.Flag("all"));
    const bool dryRun = ctx.Args.Flag("dry-run");
    return RunWriting(
        ctx, clocks, [&](zel::support::IReader& reader, zel::support::Channel&, const Context::ReaderPtr&) {
            ClockSettings::Outcome outcome;
            outcome.Written = true;
            if (dryRun) {
                outcome.Detail = "would send the menu program of " + fileName + " (dry run: nothing sent)";
            } else {
                reader.SendFunctionKeyData(program);
                outcome.Detail = "menu program of " + fileName + " sent";
            }
            return outcome;
        });
}

} // namespace zel::cli
