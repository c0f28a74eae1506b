#include <gtest/gtest.h>

#include <cstdlib>

#include "zel/link/Timing.h"

using namespace zel::link;
using namespace std::chrono_literals;

TEST(Timing, WireTimeIsTenBitsPerByte)
{
    EXPECT_EQ(WireTime(960, 9600), 1s);
    EXPECT_EQ(WireTime(1, 115200), 87us); // rounded up
    EXPECT_EQ(WireTime(1000, 0), 0us);
}

TEST(Timing, TimeoutGrowsWithTheBytesAtTheLineRate)
{
    // GetDataBank at 9600 bit/s: 8 + 1 bytes out, 8 + 4097 back (4114 bytes, 4.2854 s, twice).
    EXPECT_EQ(ExchangeTimeout(1, 4097, 9600, 1000ms), 1000ms + 8571ms);
    EXPECT_LT(ExchangeTimeout(1, 4097, 115200, 1000ms), ExchangeTimeout(1, 4097, 9600, 1000ms));
    EXPECT_EQ(ExchangeTimeout(0, 0, 0, 200ms), ExchangeTimeout(0, 0, kNominalTcpBitRate, 200ms));
}

TEST(Timing, BaseTimeoutComesFromTheEnvironmentWhenSane)
{
    ::setenv("ZEL_TIMEOUT_MS", "250", 1);
    EXPECT_EQ(BaseTimeoutFromEnvironment(), 250ms);
    for (const char* bad : {"", "0", "-5", "12x", "99999999999999999999"}) {
        ::setenv("ZEL_TIMEOUT_MS", bad, 1);
        EXPECT_EQ(BaseTimeoutFromEnvironment(), kDefaultBaseTimeout) << bad;
    }
    ::unsetenv("ZEL_TIMEOUT_MS");
    EXPECT_EQ(BaseTimeoutFromEnvironment(), kDefaultBaseTimeout);
}
