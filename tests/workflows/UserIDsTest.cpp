// The user ID rule shared by the enrollment station and the user list editor.
#include "zel/workflows/UserIDs.h"

#include <gtest/gtest.h>

namespace zel::workflows {
namespace {

TEST(UserIDsTest, DigitsLoseTheirLeadingZeros)
{
    EXPECT_EQ(UserIDWithoutLeadingZeros("007"), "7");
    EXPECT_EQ(UserIDWithoutLeadingZeros("0000000042"), "42");
    EXPECT_EQ(UserIDWithoutLeadingZeros("100"), "100");
    EXPECT_EQ(UserIDWithoutLeadingZeros("7"), "7");
}

TEST(UserIDsTest, AllZerosKeepOneZero)
{
    EXPECT_EQ(UserIDWithoutLeadingZeros("0"), "0");
    EXPECT_EQ(UserIDWithoutLeadingZeros("000"), "0");
}

TEST(UserIDsTest, OtherTextIsLeftAsItIs)
{
    EXPECT_EQ(UserIDWithoutLeadingZeros(""), "");
    EXPECT_EQ(UserIDWithoutLeadingZeros("007a"), "007a");
    EXPECT_EQ(UserIDWithoutLeadingZeros(" 07"), " 07");
    EXPECT_EQ(UserIDWithoutLeadingZeros("abc"), "abc");
}

} // namespace
} // namespace zel::workflows
