#include "zel/support/DayLightSavingsDates.h"

#include "ZoneDatabase.h"
#include "zel/support/ZelErrors.h"

#include <date/tz.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <exception>
#include <string_view>
#include <vector>

namespace zel::support {
namespace {

using detail::LocateZone;
using detail::WallTime;

constexpr std::string_view kZoneFolder = "/usr/share/zoneinfo/";
constexpr std::string_view kLocalTimeFile = "/etc/localtime";

std::string ZoneOfLocalTimeFile()
{
    try {
        return std::string(date::current_zone()->name());
    } catch (const std::exception&) {
        RaiseInvalidArgument("This machine's time zone cannot be told: " + std::string(kLocalTimeFile) +
                             " names no zone of the time zone database. Set TZ to a zone name such as "
                             "Europe/Berlin.");
    }
}

std::string DateAndTime(const zel::DateTime& value)
{
    static constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::string time = value.TimeString().substr(0, 5); // HH:MM
    return std::to_string(value.Day()) + " " + kMonths[static_cast<std::size_t>(value.Month() - 1)] + " " +
           std::to_string(value.Year()) + " " + time;
}

std::string Changes(std::size_t count)
{
    return std::to_string(count) + (count == 1 ? " time" : " times");
}

} // namespace

std::string DayLightSavingsDates::MachineZoneName()
{
    const char* tz = std::getenv("TZ");
    if (tz == nullptr)
        return ZoneOfLocalTimeFile();
    std::string name = tz;
    if (!name.empty() && name.front() == ':')
        name.erase(0, 1);
    if (name.empty())
        return "UTC"; // as the C library takes an empty TZ
    if (name == kLocalTimeFile)
        return ZoneOfLocalTimeFile();
    if (name.starts_with(kZoneFolder))
        name.erase(0, kZoneFolder.size());
    else if (name.front() == '/')
        RaiseInvalidArgument("TZ names the file " + name + ", which is not in the time zone database (" +
                             std::string(kZoneFolder) + ").");
    try {
        date::locate_zone(name);
    } catch (const std::exception&) {
        RaiseInvalidArgument("TZ is '" + name +
                             "', which names no zone of this machine's time zone database; daylight-saving "
                             "dates need a zone name such as Europe/Berlin.");
    }
    return name;
}

DayLightSavingsDates DayLightSavingsDates::ThisYear(const std::string& zone)
{
    const std::string name = zone.empty() ? MachineZoneName() : zone;
    const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    const auto info = LocateZone(name)->get_info(now);
    return ForYear(WallTime(now, info.offset).Year(), name);
}

DayLightSavingsDates DayLightSavingsDates::ForYear(int year, const std::string& zone)
{
    DayLightSavingsDates dates;
    dates.mZone = zone.empty() ? MachineZoneName() : zone;
    dates.mYear = year;
    const date::time_zone* where = LocateZone(dates.mZone);

    // Every change of the UTC offset whose local time (just before it) falls in the year: a
    // day either side of the year in UTC covers every offset there is.
    std::vector<zel::DateTime> forward;
    std::vector<zel::DateTime> back;
    const date::sys_seconds last = date::sys_days{date::year{year + 1} / 1 / 2};
    date::sys_seconds at = date::sys_days{date::year{year} / 1 / 1} - date::days{1};
    auto info = where->get_info(at);
    while (info.end < last) {
        const auto next = where->get_info(info.end);
        if (next.offset != info.offset) {
            const zel::DateTime before = WallTime(info.end, info.offset);
            if (before.Year() == year)
                (next.offset > info.offset ? forward : back).push_back(before);
        }
        info = next;
    }
    if (forward.empty() && back.empty())
        return dates;
    if (forward.size() != 1 || back.size() != 1)
        RaiseInvalidArgument("The time zone " + dates.mZone + " moves its clocks forward " + Changes(forward.size()) +
                             " and back " + Changes(back.size()) + " in " + std::to_string(year) +
                             "; a clock keeps one start and one end of daylight saving.");
    dates.mHasDates = true;
    dates.mStart = forward.front();
    dates.mEnd = back.front();
    return dates;
}

std::string DayLightSavingsDates::Text() const
{
    if (!mHasDates)
        return mZone + " has none in " + std::to_string(mYear);
    if (mStart < mEnd)
        return DateAndTime(mStart) + " - " + DateAndTime(mEnd);
    return "until " + DateAndTime(mEnd) + " and from " + DateAndTime(mStart);
}

} // namespace zel::support
