#pragma once
// What a clock tells of its event log with each ReadDataLog answer (our extension of the clock
// protocol, docs/clock-protocol.md), and the events of one answer.

#include "zel/support/Records.h"

#include <cstdint>
#include <vector>

namespace zel::support {

// A log more than this share unread is close to wrapping: its oldest unread events are about to be
// overwritten.
inline constexpr std::uint32_t kCloseToWrappingPercent = 80;

// Whether `unread` of `capacity` events is more than kCloseToWrappingPercent.
constexpr bool CloseToWrapping(std::uint64_t unread, std::uint64_t capacity)
{
    return capacity > 0 && unread * 100 > capacity * kCloseToWrappingPercent;
}

// Serial numbers count every event a clock ever logged (32 bits): the log holds the events
// FirstSerial .. NextSerial - 1; CursorSerial is the event its cursor stands on (FirstSerial - 1:
// before the oldest). A clock whose log was cleared keeps counting, so the serial numbers tell how
// many events were overwritten or cleared before anyone read them.
struct DataLogState {
    std::uint32_t FirstSerial = 1;
    std::uint32_t NextSerial = 1;
    std::uint32_t CursorSerial = 0;
    std::uint32_t Capacity = 0;
    std::uint32_t FirstReadSerial = 0; // serial of the first event of this answer; 0 when none

    std::uint32_t Held() const { return NextSerial - FirstSerial; }
    // Events held that were logged after `serial` (all of them for 0 or an older one).
    std::uint32_t UnreadAfter(std::uint32_t serial) const
    {
        const std::uint32_t newest = NextSerial - 1;
        return serial >= newest ? 0 : newest - (serial < FirstSerial ? FirstSerial - 1 : serial);
    }
    // Events after the cursor: what the next collection from the cursor would read.
    std::uint32_t Unread() const { return UnreadAfter(CursorSerial); }
    bool CloseToWrapping() const { return support::CloseToWrapping(Unread(), Capacity); }
};

// The events of one answer, in the order read.
struct DataLogRead {
    DataLogState State;
    std::vector<DataLogRecord> Records;
};

} // namespace zel::support
