#pragma once
// A clock's time against this machine's, its correction, and whether its daylight-saving dates
// are this year's.
#include "zel/DateTime.h"
#include "zel/support/Records.h"

#include <cstdint>
#include <optional>
#include <string>

namespace zel::support {
class IReader;
} // namespace zel::support

namespace zel::workflows {

// What zelctl status and time set (and any front end that shows a clock's time) know of a clock's
// time. Holds nothing between calls: every member works on the reader or record it is given.
//
// Every member takes the clock's zone: an IANA name, or empty for this machine's zone (a clock
// keeps local time in its own zone, ClockZone). The difference is the clock's time less the
// local time of the clock's zone at the middle of the exchange that read it, so the line's round
// trip does not count against the clock; the clock gives whole seconds, so a difference is good
// to about one second.
//
// How it fails: clock errors raised by the reader pass through unchanged (the caller's
// ClockRunner makes them the clock's outcome). A zone the database does not hold, or a machine
// zone that cannot be told, raises number 5, source "ZelClock" (ClockZone), before the clock is
// written.
class ClockTimeCheck {
public:
    struct Reading {
        zel::DateTime ClockTime;
        std::int64_t DifferenceSeconds = 0; // positive: the clock is ahead of this machine
    };

    enum class DstState { Current, Stale, Off };
    struct Dst {
        DstState State = DstState::Off;
        int Year = 0; // with Stale: the year the clock's dates belong to, 0 when it cannot be told
    };

    struct Correction {
        Reading Before;
        std::optional<Reading> After; // read again after setting; none when nothing was written
        bool Set = false;             // the clock was (with a dry run: would be) set
    };

    // Reads the clock's time (one exchange).
    static Reading Read(zel::support::IReader& reader, const std::string& zone);

    // Sets the clock to the local time of its zone now; returns the time sent. Every front end
    // that sets a clock to the current time goes through here.
    static zel::DateTime SetToNow(zel::support::IReader& reader, const std::string& zone);

    // Sets the clock (SetToNow) when it is off by more than `maxDriftSeconds` (always when none is
    // given), then reads it again. With `dryRun` the clock is only read.
    static Correction Correct(zel::support::IReader& reader, const std::string& zone,
                              std::optional<std::int64_t> maxDriftSeconds, bool dryRun);

    // The daylight-saving dates held in a setup record against those of `year` in `zone` (an IANA
    // name; empty: this machine's zone): Off when the record holds none, Current when they are
    // that year's, otherwise Stale with the latest earlier year (back to 50 years) whose dates
    // they are.
    static Dst DstOf(const zel::support::SetupRecord& setup, int year, const std::string& zone = {});

    // "current", "stale", "off": stable words for scripts.
    static const char* DstWord(DstState state);
};

} // namespace zel::workflows
