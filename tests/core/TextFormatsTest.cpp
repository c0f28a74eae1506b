#include "zel/TextFormats.h"

#include <gtest/gtest.h>

namespace {

struct CsvCase {
    const char* Text;
    const char* Guarded;
    const char* Raw;
};

TEST(TextFormats, CsvTextGuardsFormulasAndQuotesAsRfc4180Wants)
{
    const CsvCase cases[] = {
        {"Ann Lee", "Ann Lee", "Ann Lee"},
        {"", "", ""},
        {"=HYPERLINK(\"http://x\",\"y\")", "\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\"",
         "\"=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\""},
        {"+1+2", "'+1+2", "+1+2"},
        {"-2+3+cmd|' /C calc'!A0", "'-2+3+cmd|' /C calc'!A0", "-2+3+cmd|' /C calc'!A0"},
        {"@SUM(A1:A9)", "'@SUM(A1:A9)", "@SUM(A1:A9)"},
        {"\t=1", "'\t=1", "\t=1"},
        {"\r=1", "\"'\r=1\"", "\"\r=1\""},
        {"-", "'-", "-"},
        {"--1", "'--1", "--1"},
        {"-1.", "'-1.", "-1."},
        // Numbers stay numbers.
        {"-17", "-17", "-17"},
        {"+5", "+5", "+5"},
        {"-0.25", "-0.25", "-0.25"},
        // Harmless look-alikes.
        {" =1", "\" =1\"", "\" =1\""},
        {"'=1", "'=1", "'=1"},
        {"a=1", "a=1", "a=1"},
        {"Smith, \"Jo\"", "\"Smith, \"\"Jo\"\"\"", "\"Smith, \"\"Jo\"\"\""},
        {"two\nlines", "\"two\nlines\"", "\"two\nlines\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(zel::CsvText(c.Text), c.Guarded) << c.Text;
        EXPECT_EQ(zel::CsvText(c.Text, zel::CsvTexts::Raw), c.Raw) << c.Text;
    }
    EXPECT_EQ(zel::CsvField("-2+3"), "-2+3") << "fields this program makes are never changed";
}

TEST(TextFormats, JsonStringEscapesWhatJsonMust)
{
    EXPECT_EQ(zel::JsonString("=1 \"q\" \\ \t\n\r\x01 Zo\xC3\xAB"),
              "\"=1 \\\"q\\\" \\\\ \\t\\n\\r\\u0001 Zo\xC3\xAB\"");
}

} // namespace
