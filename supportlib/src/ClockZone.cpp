#include "zel/support/ClockZone.h"

#include "ZoneDatabase.h"
#include "zel/Error.h"
#include "zel/support/DayLightSavingsDates.h"
#include "zel/support/ZelErrors.h"

#include <algorithm>
#include <chrono>
#include <exception>

namespace zel::support {

namespace detail {

const date::time_zone* LocateZone(const std::string& name)
{
    try {
        return date::locate_zone(name);
    } catch (const std::exception&) {
        RaiseInvalidArgument("The time zone '" + name +
                             "' is not in this machine's time zone database (give a name such as "
                             "America/Chicago or Europe/Berlin, or leave it empty for this machine's zone).");
    }
}

zel::DateTime WallTime(date::sys_seconds instant, std::chrono::seconds offset)
{
    const auto local = instant + offset;
    const auto day = std::chrono::floor<date::days>(local);
    const date::year_month_day ymd(day);
    const date::hh_mm_ss<std::chrono::seconds> time(local - day);
    return zel::DateTime(static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
                         static_cast<int>(static_cast<unsigned>(ymd.day())), static_cast<int>(time.hours().count()),
                         static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()));
}

} // namespace detail

namespace {

date::local_seconds LocalSeconds(const zel::DateTime& local)
{
    const date::local_days day{date::year{local.Year()} / local.Month() / local.Day()};
    return day + std::chrono::hours{local.Hour()} + std::chrono::minutes{local.Minute()} +
           std::chrono::seconds{local.Second()};
}

} // namespace

std::string ClockZone::Resolve(const std::string& zone)
{
    if (zone.empty())
        return DayLightSavingsDates::MachineZoneName();
    detail::LocateZone(zone);
    return zone;
}

void ClockZone::Check(const std::string& zone)
{
    if (!zone.empty())
        detail::LocateZone(zone);
}

std::vector<std::string> ClockZone::Names()
{
    std::vector<std::string> names;
    try {
        const auto& database = date::get_tzdb();
        for (const auto& zone : database.zones)
            names.emplace_back(zone.name());
    } catch (const std::exception& error) {
        RaiseInvalidArgument(std::string("This machine's time zone database cannot be read: ") + error.what());
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

zel::DateTime ClockZone::LocalTime(const std::string& zone, std::int64_t utcSeconds)
{
    std::string name = zone;
    if (name.empty()) {
        try {
            name = DayLightSavingsDates::MachineZoneName();
        } catch (const zel::Error&) {
            // A TZ written as a rule, or no zone file: the C library still tells the local time.
            return zel::DateTime::FromTimeT(static_cast<std::time_t>(utcSeconds));
        }
    }
    const date::sys_seconds instant{std::chrono::seconds{utcSeconds}};
    return detail::WallTime(instant, detail::LocateZone(name)->get_info(instant).offset);
}

zel::DateTime ClockZone::Now(const std::string& zone)
{
    const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    return LocalTime(zone, now.time_since_epoch().count());
}

std::int64_t ClockZone::OffsetSeconds(const std::string& zone, const zel::DateTime& local)
{
    const auto* where = detail::LocateZone(Resolve(zone));
    // unique: first is the offset; ambiguous: first is the earlier pass; non-existent: first is
    // the offset before the clocks went forward. One rule for all three.
    return where->get_info(LocalSeconds(local)).first.offset.count();
}

std::int64_t ClockZone::UtcSeconds(const std::string& zone, const zel::DateTime& local)
{
    return LocalSeconds(local).time_since_epoch().count() - OffsetSeconds(zone, local);
}

} // namespace zel::support
