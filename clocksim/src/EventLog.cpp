#include "clocksim/EventLog.h"

#include <algorithm>

namespace zel::sim {

EventLog::EventLog(std::size_t capacity) : mCapacity(std::max<std::size_t>(capacity, 1)), mRing(mCapacity) {}

void EventLog::Append(const DataLogRecord& record)
{
    mRing[mEnd % mCapacity] = record;
    ++mEnd;
    if (mEnd - mBegin > mCapacity) {
        ++mBegin;
        if (mPosition < mBegin)
            mPosition = mBegin - 1;
    }
}

DataLogRecord EventLog::Read(bool previous)
{
    const std::uint64_t wanted = previous ? mPosition - 1 : mPosition + 1;
    if (wanted < mBegin || wanted >= mEnd)
        return DataLogRecord{};
    mPosition = wanted;
    return At(wanted);
}

void EventLog::Clear()
{
    mBegin = mEnd;
    mPosition = mBegin - 1;
}

void EventLog::SeekAfter(std::uint64_t seq)
{
    mPosition = std::clamp<std::uint64_t>(seq, mBegin - 1, mEnd - 1);
}

std::vector<DataLogRecord> EventLog::Records() const
{
    std::vector<DataLogRecord> out;
    out.reserve(Size());
    for (std::uint64_t s = mBegin; s < mEnd; ++s)
        out.push_back(At(s));
    return out;
}

void EventLog::Restore(const std::vector<DataLogRecord>& records, std::uint64_t endSeq, std::uint64_t position)
{
    const std::size_t keep = std::min(records.size(), mCapacity);
    if (endSeq < keep + 1)
        endSeq = keep + 1;
    mEnd = endSeq;
    mBegin = endSeq - keep;
    for (std::size_t i = 0; i < keep; ++i)
        mRing[(mBegin + i) % mCapacity] = records[records.size() - keep + i];
    mPosition = std::clamp<std::uint64_t>(position, mBegin - 1, mEnd - 1);
}

} // namespace zel::sim
