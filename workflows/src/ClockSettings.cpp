#include "zel/workflows/ClockSettings.h"

#include "zel/support/Channel.h"
#include "zel/support/ClockZone.h"
#include "zel/support/DayLightSavingsDates.h"
#include "zel/support/IReader.h"

#include <algorithm>
#include <cstdio>

namespace zel::workflows {

namespace {

using zel::support::TimeDisplayFormatEnum;

// "03-08 02:00" from the time record at `at`; empty when the record is all zeros.
std::string ChangeText(const zel::support::SetupRecord& setup, std::size_t at)
{
    if (std::all_of(setup.begin() + at, setup.begin() + at + ZEL_TIME_RECORD_SIZE,
                    [](std::uint8_t b) { return b == 0; }))
        return {};
    char text[32];
    std::snprintf(text, sizeof text, "%02d-%02d %02d:%02d", setup[at + 4], setup[at + 3], setup[at + 2], setup[at + 1]);
    return text;
}

const char* OnOff(bool on)
{
    return on ? "on" : "off";
}

void Tell(std::string& detail, const std::string& what)
{
    detail += (detail.empty() ? "" : ", ") + what;
}

} // namespace

ClockSettings::Values ClockSettings::Read(zel::support::Channel& channel, std::int32_t readerID,
                                          const std::string& zone)
{
    namespace layout = zel::support::layout;
    const std::string name = zel::support::ClockZone::Resolve(zone);
    // One read of the setup record serves every value (the reader's own cache would read it again).
    channel.SetHandReader(readerID);
    const auto setup = channel.GetSetupData();
    Values values;
    const auto format =
        static_cast<TimeDisplayFormatEnum>(zel::support::GetInt32LE(setup.data() + layout::kSetupTimeFormat));
    values.TimeFormatHours = format == TimeDisplayFormatEnum::Hour12 ? 12 : 24;
    values.TimeAndAttendance = (setup[layout::kSetupOptions] & layout::kTimeAndAttendanceBit) != 0;
    values.DepartmentTracking = (setup[layout::kSetupOptions] & layout::kDepartmentTrackingBit) != 0;
    values.Dst = ClockTimeCheck::DstOf(setup, zel::support::ClockZone::Now(name).Year(), name);
    values.DstStart = ChangeText(setup, zel::support::layout::kSetupDstStart);
    values.DstEnd = ChangeText(setup, zel::support::layout::kSetupDstEnd);
    return values;
}

ClockSettings::Outcome ClockSettings::Apply(zel::support::IReader& reader, zel::support::Channel& channel,
                                            std::int32_t readerID, const std::string& zone, const Change& change,
                                            bool dryRun)
{
    const Values now = Read(channel, readerID, zone);
    Outcome outcome;
    if (change.TimeFormatHours && *change.TimeFormatHours != now.TimeFormatHours) {
        Tell(outcome.Detail,
             "time format " + std::to_string(now.TimeFormatHours) + " -> " + std::to_string(*change.TimeFormatHours));
        if (!dryRun)
            reader.SetTimeDisplayFormat(*change.TimeFormatHours == 12 ? TimeDisplayFormatEnum::Hour12
                                                                      : TimeDisplayFormatEnum::Hour24);
    }
    if (change.DayLightSavings) {
        const bool on = now.Dst.State == ClockTimeCheck::DstState::Current;
        const bool off = now.Dst.State == ClockTimeCheck::DstState::Off;
        if (*change.DayLightSavings ? !on : !off) {
            Tell(outcome.Detail, std::string("daylight saving ") + ClockTimeCheck::DstWord(now.Dst.State) + " -> " +
                                     OnOff(*change.DayLightSavings));
            if (!dryRun && *change.DayLightSavings)
                PutDayLightSavings(reader, zone);
            else if (!dryRun)
                reader.ClearDayLightSavings();
        }
    }
    if (change.TimeAndAttendance && *change.TimeAndAttendance != now.TimeAndAttendance) {
        Tell(outcome.Detail, std::string("time and attendance ") + OnOff(now.TimeAndAttendance) + " -> " +
                                 OnOff(*change.TimeAndAttendance));
        if (!dryRun)
            reader.SetTimeAndAttendanceEnabled(*change.TimeAndAttendance);
    }
    if (change.DepartmentTracking && *change.DepartmentTracking != now.DepartmentTracking) {
        Tell(outcome.Detail, std::string("department tracking ") + OnOff(now.DepartmentTracking) + " -> " +
                                 OnOff(*change.DepartmentTracking));
        if (!dryRun)
            reader.SetDepartmentTrackingEnabled(*change.DepartmentTracking);
    }
    outcome.Written = !outcome.Detail.empty();
    if (!outcome.Written)
        outcome.Detail = "already so: nothing sent";
    else if (dryRun)
        outcome.Detail += " (dry run: nothing sent)";
    else
        reader.SaveSettings();
    return outcome;
}

ClockSettings::Outcome ClockSettings::RenewDayLightSavings(zel::support::IReader& reader,
                                                           zel::support::Channel& channel, std::int32_t readerID,
                                                           const std::string& zone, bool dryRun)
{
    const std::string name = zel::support::ClockZone::Resolve(zone);
    channel.SetHandReader(readerID);
    const auto dst = ClockTimeCheck::DstOf(channel.GetSetupData(), zel::support::ClockZone::Now(name).Year(), name);
    Outcome outcome;
    if (dst.State != ClockTimeCheck::DstState::Stale) {
        outcome.Detail = std::string("daylight saving ") + ClockTimeCheck::DstWord(dst.State) + ": left as it was";
        return outcome;
    }
    outcome.Written = true;
    const std::string was = dst.Year ? "the dates of " + std::to_string(dst.Year) : std::string("stale dates");
    if (dryRun) {
        outcome.Detail = was + " would be replaced by " + zel::support::DayLightSavingsDates::ThisYear(name).Text() +
                         " (dry run: nothing sent)";
        return outcome;
    }
    const auto dates = PutDayLightSavings(reader, name);
    reader.SaveSettings();
    outcome.Detail = was + " replaced by " + dates.Text();
    return outcome;
}

zel::support::DayLightSavingsDates ClockSettings::PutDayLightSavings(zel::support::IReader& reader,
                                                                     const std::string& zone)
{
    return reader.SetDayLightSavingsIn(zone);
}

} // namespace zel::workflows
