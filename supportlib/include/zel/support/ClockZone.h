#pragma once

#include "zel/DateTime.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace zel::support {

// The time zone a clock keeps its local time in: an IANA name of the system's time zone
// database (the zoneinfo files, through Howard Hinnant's date library), or empty for this
// machine's zone (DayLightSavingsDates::MachineZoneName). Holds nothing: every member works on the
// name it is given, and none touches the process's TZ, so threads may call them side by side.
//
// Local times that a change of the offset makes ambiguous or non-existent are read with the
// offset in force just before the change: in the hour repeated in autumn a time stamp is taken
// as the first pass (still daylight-saving time), and a time in the hour skipped in spring as the
// clock that had not yet gone forward shows it (an hour later in UTC terms than the same wall
// time after the change would be; e.g. 02:30 in New York on the spring day is 07:30 UTC).
//
// How it fails: a name the database does not hold, and a machine whose zone cannot be told, raise
// number 5, source "ZelClock", with a sentence naming the zone.
class ClockZone {
public:
    // The zone's name: `zone` itself when the database holds it, this machine's zone for empty.
    static std::string Resolve(const std::string& zone);
    // Raises (as above) unless `zone` is empty or a name the database holds.
    static void Check(const std::string& zone);
    // Every zone name of the database (as the system's zoneinfo files name them), sorted.
    static std::vector<std::string> Names();

    // The wall-clock time in `zone` at `utc` (seconds since 1970 UTC). For the empty zone, on a
    // machine whose zone cannot be told by name (a TZ written as a rule such as
    // "CET-1CEST,M3.5.0,M10.5.0/3"), the local time the C library gives.
    static zel::DateTime LocalTime(const std::string& zone, std::int64_t utcSeconds);
    // The wall-clock time in `zone` now.
    static zel::DateTime Now(const std::string& zone);
    // Seconds since 1970 UTC of the wall-clock time `local` in `zone`, by the rule above.
    static std::int64_t UtcSeconds(const std::string& zone, const zel::DateTime& local);
    // The offset from UTC in seconds in force in `zone` at `local`, by the rule above.
    static std::int64_t OffsetSeconds(const std::string& zone, const zel::DateTime& local);
};

} // namespace zel::support
