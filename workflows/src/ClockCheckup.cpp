#include "zel/workflows/ClockCheckup.h"

#include "zel/support/ClockZone.h"
#include "zel/workflows/ClockSettings.h"

#include <cstdlib>

namespace zel::workflows {

namespace {

// "45 s", "about 2 min", "about 1 h", "about 8318 days".
std::string About(std::int64_t seconds)
{
    if (seconds >= 2 * 86400)
        return "about " + std::to_string(seconds / 86400) + " days";
    if (seconds >= 3600)
        return "about " + std::to_string(seconds / 3600) + " h";
    if (seconds >= 60)
        return "about " + std::to_string(seconds / 60) + " min";
    return std::to_string(seconds) + " s";
}

} // namespace

bool ClockCheckup::Findings::TimeOff() const
{
    return std::llabs(Time.DifferenceSeconds) > NoticeSeconds;
}

std::string ClockCheckup::Findings::TimeText() const
{
    const std::int64_t difference = Time.DifferenceSeconds;
    const std::string clock = "Clock " + Time.ClockTime.ToString() + ": ";
    if (difference == 0)
        return clock + "on the time of " + Zone + ".";
    return clock + About(std::llabs(difference)) + (difference > 0 ? " ahead of " : " behind ") + Zone + ".";
}

std::string ClockCheckup::Findings::Warning() const
{
    if (!DstStale())
        return {};
    if (Dst.Year == 0)
        return "Daylight-saving dates not those of " + std::to_string(Year) + ".";
    return "Daylight-saving dates of " + std::to_string(Dst.Year) + ", not " + std::to_string(Year) + ".";
}

ClockCheckup::Findings ClockCheckup::Examine(zel::support::IReader& reader, zel::support::Channel& channel,
                                             std::int32_t readerID, const std::string& zone)
{
    Findings findings;
    findings.Zone = zel::support::ClockZone::Resolve(zone);
    findings.Year = zel::support::ClockZone::Now(findings.Zone).Year();
    findings.Time = ClockTimeCheck::Read(reader, findings.Zone);
    findings.Dst = ClockSettings::Read(channel, readerID, findings.Zone).Dst;
    return findings;
}

std::string ClockCheckup::Mend(zel::support::IReader& reader, zel::support::Channel& channel, std::int32_t readerID,
                               const Findings& findings)
{
    std::string done;
    if (findings.TimeOff())
        done = "time set to " + ClockTimeCheck::SetToNow(reader, findings.Zone).ToString();
    if (findings.DstStale()) {
        const auto outcome = ClockSettings::RenewDayLightSavings(reader, channel, readerID, findings.Zone, false);
        done += (done.empty() ? "" : "; ") + outcome.Detail;
    }
    return done.empty() ? "nothing needed mending" : done;
}

} // namespace zel::workflows
