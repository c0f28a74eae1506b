#pragma once

#include "zel/DateTime.h"

#include <string>

namespace zel::support {

// When the clocks of one time zone go forward and back in one year, taken from the system's time
// zone database (the zoneinfo files, through Howard Hinnant's date library); no rule is written
// here. Holds the zone's name, the year and, when the zone changes its clocks that year, the local
// time of each change as a clock shows it just before the change (the United States: 2:00 in
// spring and in autumn; Germany: 2:00 in spring, 3:00 in autumn).
//
// The start is the change that moves the clocks forward, the end the one that moves them back, so
// in the southern hemisphere the start lies later in the year than the end. A zone whose clocks
// do not change that year has no dates.
//
// How it fails: a zone name the database does not hold, a machine whose zone cannot be told, and a
// year in which the zone does not change exactly once forward and once back (a clock keeps one
// start and one end) raise number 5, source "ZelClock", with a sentence that says which.
class DayLightSavingsDates {
public:
    // The changes of `year` in `zone`, an IANA name such as "Europe/Berlin"; an empty name is this
    // machine's zone (MachineZoneName).
    static DayLightSavingsDates ForYear(int year, const std::string& zone = {});
    // The changes of the year that the zone's clocks show now.
    static DayLightSavingsDates ThisYear(const std::string& zone = {});
    // This machine's zone, as the C library's local time takes it: the environment variable TZ
    // when it is set ("Europe/Berlin", ":Europe/Berlin", a file under /usr/share/zoneinfo, or
    // empty for UTC), otherwise the zone /etc/localtime names. A TZ that is a rule instead of a
    // zone name ("CET-1CEST,M3.5.0,M10.5.0/3") is refused: the dates come from the database only.
    static std::string MachineZoneName();

    const std::string& ZoneName() const { return mZone; }
    int Year() const { return mYear; }
    bool HasDayLightSavings() const { return mHasDates; }
    // Meaningful only when HasDayLightSavings.
    const zel::DateTime& Start() const { return mStart; }
    const zel::DateTime& End() const { return mEnd; }

    // "8 Mar 2026 02:00 - 1 Nov 2026 02:00"; when the end comes first in the year (southern
    // hemisphere) "until 5 Apr 2026 03:00 and from 4 Oct 2026 02:00"; without dates
    // "Asia/Tokyo has none in 2026".
    std::string Text() const;

private:
    std::string mZone;
    int mYear = 0;
    bool mHasDates = false;
    zel::DateTime mStart;
    zel::DateTime mEnd;
};

} // namespace zel::support
