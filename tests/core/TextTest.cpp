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
    EXPECT_EQ(zel::Utf8ToAnsi("\xE4\xB8\xAD"), "?");    // not in the code page
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

TEST(Text, VisibleTextShowsWhatWouldMoveOrHideTheRest)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Zo\xC3\xAB \xE4\xB8\xAD", "Zo\xC3\xAB \xE4\xB8\xAD"}, // letters of any script stay
        {"a\x1b[2Jb", "a?[2Jb"},                                // escape sequence
        {"tab\there\r\nnext\x7F", "tab?here??next?"},           // C0 and DEL
        {"c1\xC2\x9B"
         "31m",
         "c1?31m"}, // U+009B, the 8-bit CSI
        {"Ann \xE2\x80\xAE"
         "fdp.exe",
         "Ann ?fdp.exe"},                                                   // U+202E right-to-left override
        {"\xE2\x80\xAA\xE2\x80\xAB\xE2\x80\xAC\xE2\x80\xAD", "????"},       // U+202A..U+202D
        {"\xE2\x81\xA6x\xE2\x81\xA7y\xE2\x81\xA8z\xE2\x81\xA9", "?x?y?z?"}, // isolates U+2066..U+2069
        {"\xE2\x80\x8E\xE2\x80\x8F\xD8\x9C", "???"},                        // marks U+200E, U+200F, U+061C
        {"line\xE2\x80\xA8para\xE2\x80\xA9", "line?para?"},                 // U+2028, U+2029
        {"\xE2\x80\x8B"
         "zero width space",
         "\xE2\x80\x8B"
         "zero width space"},                                // shows nothing, moves nothing
        {"bad \xFF\xC3 utf8 \xED\xA0\x80", "bad ?? utf8 ?"}, // stray bytes, an encoded surrogate
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},            // beyond the BMP
    };
    for (const auto& [text, shown] : cases)
        EXPECT_EQ(zel::VisibleText(text), shown) << text;
    EXPECT_TRUE(zel::IsActingCharacter(0x202E));
    EXPECT_FALSE(zel::IsActingCharacter(0xA0));
}
