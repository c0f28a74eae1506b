#include "zel/DateTime.h"
#include "zel/Error.h"

#include <gtest/gtest.h>

TEST(DateTime, ArithmeticCrossesMonthsAndLeapDays)
{
    zel::DateTime d(2024, 2, 28, 23, 59, 30);
    auto e = d.AddSeconds(30);
    EXPECT_EQ(e.ToString(), "2024-02-29 00:00:00");
    EXPECT_EQ(d.AddDays(2).DateString(), "2024-03-01");
    EXPECT_EQ(zel::DateTime(2023, 12, 31).AddDays(1).DateString(), "2024-01-01");
    EXPECT_EQ(zel::DateTime::FromTotalSeconds(d.TotalSeconds()), d);
    EXPECT_LT(d, e);
}

TEST(DateTime, DayOfWeekAndValidation)
{
    EXPECT_EQ(zel::DateTime(2026, 12, 7).DayOfWeek(), 1); // a Monday
    EXPECT_EQ(zel::DateTime(2000, 1, 1).DayOfWeek(), 6);
    EXPECT_FALSE(zel::DateTime::IsValidDate(2023, 2, 29));
    EXPECT_TRUE(zel::DateTime::IsValidDate(2000, 2, 29));
    EXPECT_THROW(zel::DateTime(2023, 13, 1), zel::Error);
    EXPECT_THROW(zel::DateTime(2023, 1, 1, 24), zel::Error);
}

TEST(DateTime, TimeTRoundTrip)
{
    zel::DateTime d(2026, 7, 4, 12, 30, 15);
    EXPECT_EQ(zel::DateTime::FromTimeT(d.ToTimeT()), d);
}
