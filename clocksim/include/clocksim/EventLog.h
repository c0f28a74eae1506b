#pragma once

#include "clocksim/ClockTypes.h"

#include <cstdint>
#include <vector>

namespace zel::sim {

// A clock's event log: a fixed-size ring of data log records with a reading position.
//
// Reading works like the clock's Next/Previous keys. The position names the event read last
// (initially "before the oldest"). Next gives the event after it and moves there; Previous gives
// the event before it and moves there. At either end the answer is an empty record (format type
// 0) and the position stays, so events logged later are the next ones read. When the ring is
// full the oldest event is dropped; a position that pointed at it moves to "before the oldest".
class EventLog {
public:
    static constexpr std::size_t DefaultCapacity = 1000;

    explicit EventLog(std::size_t capacity = DefaultCapacity);

    void Append(const DataLogRecord& record);
    // The record for Next (previous = false) or Previous (previous = true); empty at the ends.
    DataLogRecord Read(bool previous);
    void Clear();
    // Moves the position to event `seq` (clamped to the events held; 0 or an older one: before the
    // oldest), so that Next reads the event logged after it.
    void SeekAfter(std::uint64_t seq);

    std::size_t Capacity() const { return mCapacity; }
    std::size_t Size() const { return static_cast<std::size_t>(mEnd - mBegin); }
    // Oldest first.
    std::vector<DataLogRecord> Records() const;

    // Sequence numbers: the events held are [BeginSeq, EndSeq); Position is the one read last,
    // BeginSeq - 1 meaning none. Used to save and restore the log.
    std::uint64_t BeginSeq() const { return mBegin; }
    std::uint64_t EndSeq() const { return mEnd; }
    std::uint64_t Position() const { return mPosition; }
    // Restores a saved log; records oldest first, the last one having sequence number endSeq - 1.
    void Restore(const std::vector<DataLogRecord>& records, std::uint64_t endSeq, std::uint64_t position);

private:
    const DataLogRecord& At(std::uint64_t seq) const { return mRing[seq % mCapacity]; }

    std::size_t mCapacity;
    std::vector<DataLogRecord> mRing;
    // Sequence numbers start at 1 so that "before the oldest" is never negative.
    std::uint64_t mBegin = 1;
    std::uint64_t mEnd = 1;
    std::uint64_t mPosition = 0;
};

} // namespace zel::sim
