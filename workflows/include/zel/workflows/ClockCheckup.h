#pragma once
// What a front end shows of one connected clock's time, and the one action that mends it.
#include "zel/workflows/ClockTimeCheck.h"

#include <cstdint>
#include <string>

namespace zel::support {
class Channel;
class IReader;
} // namespace zel::support

namespace zel::workflows {

// A connected clock's difference from the local time of its zone and the state of its
// daylight-saving dates, and the mending of both (the clock set to the time of its zone, this
// year's dates of its zone sent), for a page that shows one clock. Holds nothing between calls.
//
// `zone` is the clock's time zone (an IANA name; empty: this machine's zone). The time counts as
// off beyond NoticeSeconds: the clock gives whole seconds and the reading is good to about one.
//
// How it fails: clock errors pass through unchanged; a zone the database lacks raises number 5,
// source "ZelClock", before anything is written.
class ClockCheckup {
public:
    static constexpr std::int64_t NoticeSeconds = 2;

    struct Findings {
        std::string Zone; // the zone's name (this machine's when the clock has none)
        ClockTimeCheck::Reading Time;
        ClockTimeCheck::Dst Dst;
        int Year = 0; // this year in the zone

        bool TimeOff() const;
        bool DstStale() const { return Dst.State == ClockTimeCheck::DstState::Stale; }
        bool NeedsMending() const { return TimeOff() || DstStale(); }
        // "Clock 2026-12-08 09:10:05: about 2 min ahead of America/Chicago." (seconds below a
        // minute); DifferenceSeconds holds the exact figure.
        std::string TimeText() const;
        // "Daylight-saving dates of 2025, not 2026." (or "... not those of 2026." when their
        // year cannot be told); empty when the dates are this year's or none.
        std::string Warning() const;
    };

    // One time read and one read of the settings.
    static Findings Examine(zel::support::IReader& reader, zel::support::Channel& channel, std::int32_t readerID,
                            const std::string& zone);
    // Sets the time when it is off and sends this year's dates when they are stale; says what it
    // did ("time set to 2026-12-08 09:10:05; dates of 2025 replaced by ..."), or that nothing
    // needed mending. Examine again to see the result.
    static std::string Mend(zel::support::IReader& reader, zel::support::Channel& channel, std::int32_t readerID,
                            const Findings& findings);
};

} // namespace zel::workflows
