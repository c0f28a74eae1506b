// The user ID rules shared by the enrollment station and the user list editor.
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

TEST(UserIDsTest, OneRuleForEveryTypedUserID)
{
    const std::string length = "User ID must be between 1 and 10 digits.";
    const std::string zero = "User ID 0 names no user: choose a number from 1 to 9999999999.";
    const struct {
        const char* ID;
        std::string Problem;
    } cases[] = {
        {"", length},
        {"12345678901", length},
        {"0", zero},
        {"0000", zero},
        {"1", ""},
        {"0042", ""},
        {"9999999999", ""},
        {"abc", ""}, // letters: the editor's length rule only
        {"\xC3\xA5\xC3\xA5\xC3\xA5\xC3\xA5\xC3\xA5\xC3\xA5\xC3\xA5\xC3\xA5\xC3\xA5\xC3\xA5",
         ""}, // ten characters, twenty bytes
    };
    for (const auto& c : cases)
        EXPECT_EQ(UserIDProblem(c.ID), c.Problem) << c.ID;
}

} // namespace
} // namespace zel::workflows
