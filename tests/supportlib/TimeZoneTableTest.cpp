#include "zel/support/TimeZoneTable.h"
#include "zel/Error.h"

#include <gtest/gtest.h>

using namespace zel::support;

TEST(TimeZoneTableTest, SixtyElementsStartingAtZero)
{
    TimeZoneTable table;
    auto first = table.TimeZones(0);
    auto last = table.TimeZones(59);
    ASSERT_TRUE(first && last);
    EXPECT_NE(first, last);
    EXPECT_EQ(static_cast<int>(last->StartInterval()), 0);
    EXPECT_EQ(static_cast<int>(last->DaysEffective()), 0);
    first->SetStopInterval(TimeZoneIntervalsEnum::Noon);
    first->SetDaysEffective(TimeZoneDaysEnum::Monday | TimeZoneDaysEnum::Friday);
    EXPECT_EQ(table.TimeZones(0)->StopInterval(), TimeZoneIntervalsEnum::Noon);
    EXPECT_EQ(static_cast<int>(table.TimeZones(0)->DaysEffective()), 34);
}

TEST(TimeZoneTableTest, IndexAbove59IsASubscriptError)
{
    TimeZoneTable table;
    try {
        table.TimeZones(60);
        FAIL();
    } catch (const zel::Error& e) {
        EXPECT_EQ(e.Number(), 9);
    }
}
