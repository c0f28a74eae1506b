#include "clocksim/EventLog.h"

#include <gtest/gtest.h>

using namespace zel::sim;

namespace {

DataLogRecord Event(std::uint8_t n)
{
    DataLogRecord r{};
    r[8] = 7;
    r[12] = n;
    return r;
}

int Read(EventLog& log, bool previous)
{
    const DataLogRecord r = log.Read(previous);
    return r[8] == 0 ? -1 : r[12];
}

} // namespace

TEST(EventLogTest, NextReadsOldestFirstThenEmptyAndNewEventsFollow)
{
    EventLog log(10);
    EXPECT_EQ(Read(log, false), -1);
    log.Append(Event(1));
    log.Append(Event(2));
    EXPECT_EQ(Read(log, false), 1);
    EXPECT_EQ(Read(log, false), 2);
    EXPECT_EQ(Read(log, false), -1);
    log.Append(Event(3));
    EXPECT_EQ(Read(log, false), 3);
}

TEST(EventLogTest, PreviousStepsBackFromTheEventReadLast)
{
    EventLog log(10);
    for (std::uint8_t n = 1; n <= 3; ++n)
        log.Append(Event(n));
    EXPECT_EQ(Read(log, false), 1);
    EXPECT_EQ(Read(log, false), 2);
    EXPECT_EQ(Read(log, false), 3);
    EXPECT_EQ(Read(log, true), 2);
    EXPECT_EQ(Read(log, true), 1);
    EXPECT_EQ(Read(log, true), -1); // stays at the oldest
    EXPECT_EQ(Read(log, false), 2);
}

TEST(EventLogTest, PreviousOnAnUnreadLogIsEmpty)
{
    EventLog log(10);
    log.Append(Event(1));
    EXPECT_EQ(Read(log, true), -1);
    EXPECT_EQ(Read(log, false), 1);
}

TEST(EventLogTest, FullRingDropsTheOldestAndMovesAnOverrunPosition)
{
    EventLog log(3);
    for (std::uint8_t n = 1; n <= 5; ++n)
        log.Append(Event(n));
    EXPECT_EQ(log.Size(), 3u);
    EXPECT_EQ(log.Records().front()[12], 3);
    EXPECT_EQ(Read(log, false), 3);
    for (std::uint8_t n = 6; n <= 9; ++n)
        log.Append(Event(n)); // the event read last is gone
    EXPECT_EQ(Read(log, false), 7);
}

TEST(EventLogTest, RestoreKeepsPositionAndOrder)
{
    EventLog log(10);
    for (std::uint8_t n = 1; n <= 4; ++n)
        log.Append(Event(n));
    Read(log, false);
    Read(log, false);
    EventLog copy(10);
    copy.Restore(log.Records(), log.EndSeq(), log.Position());
    EXPECT_EQ(Read(copy, false), 3);
    EXPECT_EQ(Read(copy, true), 2);
}

TEST(EventLogTest, RestoreClampsNonsense)
{
    EventLog log(2);
    log.Restore({Event(1), Event(2), Event(3)}, 0, 999);
    EXPECT_EQ(log.Size(), 2u);
    EXPECT_EQ(Read(log, false), -1);
    EXPECT_EQ(Read(log, true), 2);
}
