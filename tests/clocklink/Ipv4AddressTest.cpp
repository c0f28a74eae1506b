#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "zel/link/Ipv4Address.h"

using zel::link::Ipv4Address;

namespace {

std::string Canonical(std::string_view text)
{
    const auto address = Ipv4Address::Parse(text);
    return address ? address->ToString() : "(refused)";
}

} // namespace

TEST(Ipv4Address, FourDecimalNumbersAreRead)
{
    const auto address = Ipv4Address::Parse("192.168.10.254");
    ASSERT_TRUE(address);
    EXPECT_EQ(address->Octets(), (std::array<std::uint8_t, 4>{192, 168, 10, 254}));
    EXPECT_EQ(address->ToString(), "192.168.10.254");
    EXPECT_EQ(Canonical("0.0.0.0"), "0.0.0.0");
    EXPECT_EQ(Canonical("255.255.255.255"), "255.255.255.255");
}

TEST(Ipv4Address, LeadingZerosAreDecimalUpToThreeDigits)
{
    EXPECT_EQ(Canonical("192.168.001.010"), "192.168.1.10"); // never octal
    EXPECT_EQ(Canonical("127.000.000.001"), "127.0.0.1");
    EXPECT_EQ(Canonical("127.0.0.01"), "127.0.0.1");
    EXPECT_EQ(Canonical("127.0.0.0001"), "(refused)");
    EXPECT_EQ(Canonical("0127.0.0.1"), "(refused)");
    EXPECT_EQ(Canonical("127.0.0.1000"), "(refused)");
}

TEST(Ipv4Address, BlanksAroundANumberOnly)
{
    EXPECT_EQ(Canonical(" 127 . 0 . 0 . 1 "), "127.0.0.1");
    EXPECT_EQ(Canonical("   10.0.0.1"), "10.0.0.1");
    EXPECT_EQ(Canonical("10.0.0.1   "), "10.0.0.1");
    EXPECT_EQ(Canonical("1 27.0.0.1"), "(refused)"); // a blank inside a number
    for (std::string_view other : {"127.0.0.1\t", "\t127.0.0.1", "127.0.0.1\n", "127.0.0.1\r", "127.0.\t0.1",
                                   "127.0.0.1\xC2\xA0" /* no-break space */}) {
        EXPECT_FALSE(Ipv4Address::Parse(other)) << "accepted: " << other;
    }
}

TEST(Ipv4Address, ExactlyFourParts)
{
    for (std::string_view bad : {"", " ", "10.0.0", "10.0.0.", "10.0.0.1.", "10.0.0.1.9", ".10.0.0.1", "10..0.1",
                                 "10.0.0.1 .", "1.2.3.4.5.6"}) {
        EXPECT_FALSE(Ipv4Address::Parse(bad)) << "accepted: " << bad;
    }
}

TEST(Ipv4Address, OnlyAsciiDigitsUpTo255)
{
    for (std::string_view bad :
         {"10.0.0.256", "256.0.0.1", "999.0.0.1", "a.b.c.d", "10.0.0.-1", "10.0.0.+1", "1e1.0.0.1", "0x7f.0.0.1",
          "10.0.0.1a", "10.0.0.1/24", "10.0.0.1:3001", "localhost", "\xEF\xBC\x91.0.0.1" /* full-width digit one */}) {
        EXPECT_FALSE(Ipv4Address::Parse(bad)) << "accepted: " << bad;
    }
}

TEST(Ipv4Address, TheWholeTextIsExaminedEvenPastANul)
{
    using namespace std::string_view_literals;
    EXPECT_FALSE(Ipv4Address::Parse("127.0.0.1\0junk"sv));
    EXPECT_FALSE(Ipv4Address::Parse("127.0.0.1\0"sv));
    EXPECT_TRUE(Ipv4Address::Parse("127.0.0.1"sv));
}

TEST(Ipv4Address, CanonicalTextReadsBackToTheSameAddress)
{
    const Ipv4Address address({10, 0, 200, 7});
    EXPECT_EQ(address.ToString(), "10.0.200.7");
    EXPECT_EQ(Ipv4Address::Parse(address.ToString()), address);
}
