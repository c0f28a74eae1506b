#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "zeldll32.h"

namespace {
using Id = std::array<std::uint8_t, ZEL_USER_ID_RECORD_SIZE>;

std::string RoundTrip(const char* text)
{
    Id id{};
    EXPECT_EQ(zelTextToID(text, id.data()), 0) << text;
    char back[ZEL_ID_TEXT_SIZE];
    EXPECT_EQ(zelIDToText(id.data(), back), 0);
    return back;
}
} // namespace

TEST(UserId, TextBecomesRightAlignedPackedBcd)
{
    Id id{};
    ASSERT_EQ(zelTextToID("42", id.data()), 0);
    EXPECT_EQ(id, (Id{0x00, 0x00, 0x00, 0x00, 0x42}));
    ASSERT_EQ(zelTextToID("1234567890", id.data()), 0);
    EXPECT_EQ(id, (Id{0x12, 0x34, 0x56, 0x78, 0x90}));
}

TEST(UserId, ReadsBackWithTenDigitsAndLeadingZeros)
{
    EXPECT_EQ(RoundTrip("007"), "0000000007");
    EXPECT_EQ(RoundTrip("42"), "0000000042");
    EXPECT_EQ(RoundTrip("0"), "0000000000");
    EXPECT_EQ(RoundTrip("9999999999"), "9999999999");
}

TEST(UserId, AnythingButOneToTenDigitsIsADataError)
{
    for (const char* bad : {"", "12a", " 42", "42 ", "-1", "12345678901", "4.2", "\xB2"}) {
        Id id{1, 2, 3, 4, 5};
        EXPECT_EQ(zelTextToID(bad, id.data()), 1) << bad;
        EXPECT_EQ(id, Id{}) << "a refused ID leaves a zero record";
    }
}

TEST(UserId, RecordWithANibbleAboveNineGivesAnEmptyText)
{
    const Id bad{0x00, 0x00, 0x00, 0x00, 0x4A};
    char text[ZEL_ID_TEXT_SIZE];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(zelIDToText(bad.data(), text), 1);
    EXPECT_STREQ(text, "");
}

TEST(UserId, NullPointersAreInvalidBuffers)
{
    Id id{};
    char text[ZEL_ID_TEXT_SIZE];
    EXPECT_EQ(zelTextToID(nullptr, id.data()), 10);
    EXPECT_EQ(zelTextToID("1", nullptr), 10);
    EXPECT_EQ(zelIDToText(nullptr, text), 10);
    EXPECT_EQ(zelIDToText(id.data(), nullptr), 10);
}
