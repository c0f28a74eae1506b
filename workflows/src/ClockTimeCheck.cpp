#include "zel/workflows/ClockTimeCheck.h"

#include "zel/Error.h"
#include "zel/support/ClockZone.h"
#include "zel/support/DayLightSavingsDates.h"
#include "zel/support/IReader.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace zel::workflows {

namespace {

constexpr int kYearsBack = 50;

std::int64_t HostMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// Whether the change stored at `at` (a time record: second, minute, hour, day, month, year) is
// `change`; the second and year bytes are not compared (the clock repeats the dates every year).
bool Holds(const zel::support::SetupRecord& setup, std::size_t at, const zel::DateTime& change)
{
    return setup[at + 1] == change.Minute() && setup[at + 2] == change.Hour() && setup[at + 3] == change.Day() &&
           setup[at + 4] == change.Month();
}

bool HoldsDatesOf(const zel::support::SetupRecord& setup, const zel::support::DayLightSavingsDates& dates)
{
    using namespace zel::support::layout;
    return dates.HasDayLightSavings() && Holds(setup, kSetupDstStart, dates.Start()) &&
           Holds(setup, kSetupDstEnd, dates.End());
}

} // namespace

ClockTimeCheck::Reading ClockTimeCheck::Read(zel::support::IReader& reader, const std::string& zone)
{
    zel::support::ClockZone::Check(zone); // an unknown zone asks no clock
    const std::int64_t sent = HostMs();
    Reading reading;
    reading.ClockTime = reader.GetTime();
    const std::int64_t middle = sent + (HostMs() - sent) / 2;
    reading.DifferenceSeconds =
        reading.ClockTime.TotalSeconds() - zel::support::ClockZone::LocalTime(zone, middle / 1000).TotalSeconds();
    return reading;
}

zel::DateTime ClockTimeCheck::SetToNow(zel::support::IReader& reader, const std::string& zone)
{
    const zel::DateTime now = zel::support::ClockZone::Now(zone);
    reader.SetTime(now);
    return now;
}

ClockTimeCheck::Correction ClockTimeCheck::Correct(zel::support::IReader& reader, const std::string& zone,
                                                   std::optional<std::int64_t> maxDriftSeconds, bool dryRun)
{
    Correction correction;
    correction.Before = Read(reader, zone);
    correction.Set = !maxDriftSeconds || std::llabs(correction.Before.DifferenceSeconds) > *maxDriftSeconds;
    if (!correction.Set || dryRun)
        return correction;
    SetToNow(reader, zone);
    correction.After = Read(reader, zone);
    return correction;
}

ClockTimeCheck::Dst ClockTimeCheck::DstOf(const zel::support::SetupRecord& setup, int year, const std::string& zone)
{
    using namespace zel::support::layout;
    const auto first = setup.begin() + kSetupDstStart;
    if (std::all_of(first, setup.begin() + kSetupDstEnd + ZEL_TIME_RECORD_SIZE, [](std::uint8_t b) { return b == 0; }))
        return {DstState::Off, 0};
    if (HoldsDatesOf(setup, zel::support::DayLightSavingsDates::ForYear(year, zone)))
        return {DstState::Current, 0};
    for (int earlier = year - 1; earlier >= year - kYearsBack; --earlier) {
        try {
            if (HoldsDatesOf(setup, zel::support::DayLightSavingsDates::ForYear(earlier, zone)))
                return {DstState::Stale, earlier};
        } catch (const zel::Error&) {
            // a year in which the zone did not change exactly once each way: not this record's
        }
    }
    return {DstState::Stale, 0};
}

const char* ClockTimeCheck::DstWord(DstState state)
{
    switch (state) {
    case DstState::Current:
        return "current";
    case DstState::Stale:
        return "stale";
    case DstState::Off:
        break;
    }
    return "off";
}

} // namespace zel::workflows
