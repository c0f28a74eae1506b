#include "clocksim/ClockUser.h"

#include <gtest/gtest.h>

using namespace zel::sim;

TEST(ClockUserTest, IdTextPacksDigitsAsBcdWithLeadingZeros)
{
    const auto id = UserIdFromText("42");
    ASSERT_TRUE(id);
    EXPECT_EQ(*id, (UserId{0, 0, 0, 0, 0x42}));
    EXPECT_EQ(UserIdToText(*id), "0000000042");
    EXPECT_EQ(UserIdToText(*UserIdFromText("1234567890")), "1234567890");
}

TEST(ClockUserTest, IdTextRefusesEmptyTooLongAndNonDigits)
{
    EXPECT_FALSE(UserIdFromText(""));
    EXPECT_FALSE(UserIdFromText("12345678901"));
    EXPECT_FALSE(UserIdFromText("12a"));
    EXPECT_FALSE(UserIdFromText(" 1"));
}

TEST(ClockUserTest, IdWithNonDecimalNibbleIsInvalid)
{
    const std::array<std::uint8_t, 5> bad{0, 0, 0, 0, 0x4A};
    EXPECT_FALSE(IsValidUserId(bad));
    const std::array<std::uint8_t, 5> empty{0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_FALSE(IsValidUserId(empty));
    EXPECT_TRUE(IsValidUserId(std::array<std::uint8_t, 5>{}));
}

TEST(ClockUserTest, RecordLayoutMatchesTheUserRecord)
{
    ClockUser u;
    u.Id = *UserIdFromText("42");
    u.Hand = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    u.AuthorityLevel = 3;
    u.RejectThreshold = 120;
    u.TimeZone = 3;
    const auto r = u.ToRecord();
    EXPECT_EQ(r[4], 0x42);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(r[5 + i], i + 1);
    EXPECT_EQ(r[14], 0);
    EXPECT_EQ(r[15], 0);
    EXPECT_EQ(r[16], 3);
    EXPECT_EQ(r[20], 0x78);
    EXPECT_EQ(r[21], 0);
    EXPECT_EQ(r[22], 3);
    const auto slot = u.ToBankRecord();
    EXPECT_TRUE(std::equal(slot.begin(), slot.end(), r.begin()));
    const auto ext = u.ToExtRecord();
    EXPECT_TRUE(std::equal(r.begin(), r.end(), ext.begin()));
    EXPECT_TRUE(std::all_of(ext.begin() + 24, ext.end(), [](std::uint8_t b) { return b == 0; }));

    EXPECT_EQ(ClockUser::FromRecord(r), u);
}

TEST(ClockUserTest, BankRecordReadsBackWithZeroLevelThresholdAndTimeZone)
{
    ClockUser u;
    u.Id = *UserIdFromText("7");
    u.AuthorityLevel = 5;
    u.RejectThreshold = -3;
    const auto slot = u.ToBankRecord();
    const auto back = ClockUser::FromRecord(slot);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->AuthorityLevel, 0);
    EXPECT_EQ(back->RejectThreshold, 0);
    EXPECT_FALSE(ClockUser::FromRecord(std::span<const std::uint8_t>(slot).first(15)));
}
