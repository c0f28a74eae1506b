#pragma once
// A clock's settings as a command line reads and changes them.
#include "zel/workflows/ClockTimeCheck.h"

#include "zel/support/DayLightSavingsDates.h"

#include <optional>
#include <string>

namespace zel::support {
class Channel;
class IReader;
} // namespace zel::support

namespace zel::workflows {

// The settings of the Clock Settings panel (time format, daylight saving, time and attendance,
// department tracking) read from one clock and changed on it, for commands that work on many
// clocks. Holds nothing between calls.
//
// Changes follow the panel's rules for saving settings: the clock's setup record is read first
// and only the named settings are changed in it, so a clock never receives a zero-filled setup;
// nothing is written when every named setting already has its value.
//
// Daylight saving is judged and written for the clock's zone (`zone`: an IANA name, empty for
// this machine's zone), so a clock in Chicago driven from Berlin gets Chicago's dates.
//
// How it fails: clock errors pass through unchanged; a zone the database does not hold, or a
// machine zone that cannot be told, raises number 5, source "ZelClock" (ClockZone) before
// anything is written.
class ClockSettings {
public:
    struct Values {
        int TimeFormatHours = 24; // 24 or 12
        ClockTimeCheck::Dst Dst;  // Current is "enabled"
        std::string DstStart;     // "MM-DD HH:MM" as the clock holds it; empty without dates
        std::string DstEnd;
        bool TimeAndAttendance = false;
        bool DepartmentTracking = false;
    };
    // What to change; a setting left empty stays as it is.
    struct Change {
        std::optional<int> TimeFormatHours;
        std::optional<bool> DayLightSavings; // true: this year's dates; false: none
        std::optional<bool> TimeAndAttendance;
        std::optional<bool> DepartmentTracking;
        bool Empty() const { return !TimeFormatHours && !DayLightSavings && !TimeAndAttendance && !DepartmentTracking; }
    };
    // What a change did (or, in a dry run, would do) on one clock.
    struct Outcome {
        bool Written = false; // something differed (and, unless a dry run, was saved)
        std::string Detail;   // "time format 24 -> 12, daylight saving off -> on", or why nothing
    };

    // Reads the clock's settings (one read of its setup record); `channel` is the clock's and
    // `readerID` selects it.
    static Values Read(zel::support::Channel& channel, std::int32_t readerID, const std::string& zone);
    // Changes the named settings that differ and saves them; with dryRun only tells.
    static Outcome Apply(zel::support::IReader& reader, zel::support::Channel& channel, std::int32_t readerID,
                         const std::string& zone, const Change& change, bool dryRun);
    // Sends this year's daylight-saving dates to a clock whose dates are stale; a clock with
    // this year's dates or none is left as it is.
    static Outcome RenewDayLightSavings(zel::support::IReader& reader, zel::support::Channel& channel,
                                        std::int32_t readerID, const std::string& zone, bool dryRun);
    // This year's daylight-saving dates of `zone` into the reader's settings (not yet saved);
    // a zone without changes this year clears them. Returns the dates. Every front end that
    // sends a clock its dates goes through here.
    static zel::support::DayLightSavingsDates PutDayLightSavings(zel::support::IReader& reader,
                                                                 const std::string& zone);
};

} // namespace zel::workflows
