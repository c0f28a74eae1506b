#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "zel/link/Crc16.h"

using zel::link::Crc16;

namespace {
std::vector<std::uint8_t> Bytes(std::string_view text)
{
    return {text.begin(), text.end()};
}
} // namespace

TEST(Crc16, MatchesTheCcittFalseCheckValue)
{
    EXPECT_EQ(Crc16(Bytes("123456789")), 0x29B1);
    EXPECT_EQ(Crc16({}), 0xFFFF);
}

TEST(Crc16, RunningCrcEqualsCrcOfTheWhole)
{
    const auto all = Bytes("the quick brown fox");
    const std::span<const std::uint8_t> span(all);
    EXPECT_EQ(Crc16(span.subspan(7), Crc16(span.first(7))), Crc16(span));
}

TEST(Crc16, EverySingleBitFlipChangesTheCrc)
{
    auto data = Bytes("reader 7, user 42");
    const auto good = Crc16(data);
    for (std::size_t i = 0; i < data.size(); ++i) {
        for (int bit = 0; bit < 8; ++bit) {
            data[i] ^= static_cast<std::uint8_t>(1 << bit);
            EXPECT_NE(Crc16(data), good) << i << ":" << bit;
            data[i] ^= static_cast<std::uint8_t>(1 << bit);
        }
    }
}
