#include "zel/Text.h"

#include <gtest/gtest.h>

TEST(Text, TemplateTextKeepsEveryByteValue)
{
    std::vector<std::uint8_t> all;
    for (int i = 0; i < 256; ++i)
        all.push_back(static_cast<std::uint8_t>(i));
    auto text = zel::BytesToTemplateText(all);
    EXPECT_EQ(zel::TemplateTextToBytes(text), all);
}

TEST(Text, AnsiRoundTripsWindows1252)
{
    std::string ansi;
    for (int i = 1; i < 256; ++i)
        if (i != 0x81 && i != 0x8D && i != 0x8F && i != 0x90 && i != 0x9D)
            ansi += static_cast<char>(i);
    EXPECT_EQ(zel::Utf8ToAnsi(zel::AnsiToUtf8(ansi)), ansi);
    EXPECT_EQ(zel::AnsiToUtf8("\x80"), "\xE2\x82\xAC"); // euro sign
    EXPECT_EQ(zel::Utf8ToAnsi("\xE4\xB8\xAD"), "?");   // not in the code page
}

TEST(Text, DigitsAndTrim)
{
    EXPECT_TRUE(zel::IsAllDigits("0012"));
    EXPECT_FALSE(zel::IsAllDigits(""));
    EXPECT_FALSE(zel::IsAllDigits("12a"));
    EXPECT_FALSE(zel::IsAllDigits("-1"));
    EXPECT_EQ(zel::Trim("  a b \t"), "a b");
    EXPECT_EQ(zel::Trim("   "), "");
}
