#include "FakeVendor.h"

#include "zel/support/DataLogElement.h"
#include "zel/support/DisplayDurationEnum.h"
#include "zel/support/FormatTypeEnum.h"
#include "zel/support/TimeDisplayFormatEnum.h"
#include "zel/support/TimeZoneDaysEnum.h"
#include "zel/support/TimeZoneIntervalsEnum.h"
#include "zel/support/UserAuthorityLevel.h"

#include <gtest/gtest.h>

using namespace zel::support;
using zel::test::FakeVendor;

TEST(DataLogElementTest, ToStringShowsEveryField)
{
    auto record = FakeVendor::LogRecord(3, 7, 4, 3, 15, 14, 5, 9);
    const std::uint8_t data1[] = {0x00, 0x01, 0x0A, 0x0B, 0x0C, 0xFF};
    std::copy(std::begin(data1), std::end(data1), record.begin() + 12);
    record[18] = 0xEE; // not used
    DataLogElement element(record);
    EXPECT_EQ(element.ReaderID(), 3);
    EXPECT_EQ(element.TimeStamp(), zel::DateTime(2004, 3, 15, 14, 5, 9));
    EXPECT_EQ(element.ToString(), "{Reader ID: 3, TimeStamp: " + element.TimeStamp().ToString() +
                                      ", FormatType 7, Data1: 00010A0B0CFF, Data2: 0000000000000000}");
    EXPECT_EQ(element.Data1().size(), 6u);
    EXPECT_EQ(element.Data2().size(), 8u);
    EXPECT_FALSE(element.IsEmpty());
}

TEST(DataLogElementTest, TwoDigitYears)
{
    EXPECT_EQ(DataLogElement(FakeVendor::LogRecord(1, 1, 29)).TimeStamp().Year(), 2029);
    EXPECT_EQ(DataLogElement(FakeVendor::LogRecord(1, 1, 30)).TimeStamp().Year(), 1930);
    EXPECT_EQ(DataLogElement(FakeVendor::LogRecord(1, 1, 0)).TimeStamp().Year(), 2000);
}

TEST(DataLogElementTest, AnEmptyElementHasTheZeroDateInsteadOfRaising)
{
    DataLogElement empty;
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_EQ(empty.TimeStamp(), zel::DateTime());
    EXPECT_NO_THROW(empty.ToString());
    EXPECT_EQ(DataLogElement(FakeVendor::LogRecord(1, 1, 4, 2, 30)).TimeStamp(), zel::DateTime());
}

TEST(EnumNamesTest, DisplayNames)
{
    EXPECT_EQ(DisplayName(TimeDisplayFormatEnum::Hour24), "24-Hour");
    EXPECT_EQ(DisplayName(TimeDisplayFormatEnum::Hour12), "12-Hour");
    EXPECT_EQ(DisplayName(DisplayDurationEnum::Seconds0_5), "0.5 - Seconds");
    EXPECT_EQ(DisplayName(DisplayDurationEnum::Seconds3_0), "3.0 - Seconds");
    EXPECT_EQ(DisplayName(DisplayDurationEnum::Seconds10_0), "10.0 - Seconds");
    EXPECT_EQ(static_cast<int>(kDefaultDisplayDuration), 6);
    EXPECT_EQ(DisplayName(static_cast<TimeZoneIntervalsEnum>(0)), "12:00 AM");
    EXPECT_EQ(DisplayName(static_cast<TimeZoneIntervalsEnum>(1)), "12:06 AM");
    EXPECT_EQ(DisplayName(static_cast<TimeZoneIntervalsEnum>(10)), "1:00 AM");
    EXPECT_EQ(DisplayName(static_cast<TimeZoneIntervalsEnum>(120)), "12:00 PM");
    EXPECT_EQ(DisplayName(static_cast<TimeZoneIntervalsEnum>(239)), "11:54 PM");
    EXPECT_EQ(DisplayName(FormatTypeEnum::ZEL_DLF_BUFFER_EMPTY), "ZEL_DLF_BUFFER_EMPTY");
    EXPECT_EQ(DisplayName(static_cast<FormatTypeEnum>(51)), "ZEL_DLF_TIME_RESTRICTIONS");
    EXPECT_EQ(static_cast<int>(FormatTypeEnum::ZEL_DLF_MEMORY_CLEARED), 41);
    EXPECT_EQ(DisplayName(TimeZoneDaysEnum::Holiday), "Holiday");
    EXPECT_EQ(DisplayName(TimeZoneDaysEnum::Sunday | TimeZoneDaysEnum::Saturday), "Sunday, Saturday");
    EXPECT_EQ(DisplayName(UserAuthorityLevel::Enrollment), "Enrollment");
    EXPECT_EQ(static_cast<int>(UserAuthorityLevel::Security), 5);
}
