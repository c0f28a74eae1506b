// Reading CSV files as other programs write them, and refusing what is not CSV.
#include "zel/workflows/CsvDocument.h"
#include "zel/Error.h"

#include <gtest/gtest.h>

namespace zel::workflows {
namespace {

using Fields = std::vector<std::string>;

// "line: field|field" per record.
std::vector<std::string> Shown(const CsvDocument& document)
{
    std::vector<std::string> shown;
    for (const auto& record : document.Records()) {
        std::string line = std::to_string(record.Line) + ":";
        for (std::size_t i = 0; i < record.Fields.size(); ++i)
            line += (i ? "|" : " ") + record.Fields[i];
        if (!record.Problem.empty())
            line += " !" + record.Problem.substr(0, 7);
        shown.push_back(line);
    }
    return shown;
}

std::string Refusal(std::string_view bytes)
{
    try {
        CsvDocument::Parse(bytes, "staff.csv");
    } catch (const zel::Error& error) {
        EXPECT_EQ(error.Number(), 5);
        return error.Description();
    }
    return "(read)";
}

TEST(CsvDocumentTest, ReadsWhatSpreadsheetsAndScriptsWrite)
{
    struct Case {
        const char* Name;
        std::string Bytes;
        char Separator;
        std::vector<std::string> Records;
    } cases[] = {
        {"commas, LF", "a,b\n1,2\n", ',', {"1: a|b", "2: 1|2"}},
        {"semicolons, CR LF, byte-order mark",
         "\xEF\xBB\xBF"
         "a;b\r\n1;2,5\r\n",
         ';',
         {"1: a|b", "2: 1|2,5"}},
        {"more semicolons than commas", "a;b;c,d\n", ';', {"1: a|b|c,d"}},
        {"quoted separators, quotes and a line break",
         "a,b\n\"x, \"\"y\"\"\",\"two\nlines\"\n3,4\n",
         ',',
         {"1: a|b", "2: x, \"y\"|two\nlines", "4: 3|4"}},
        {"blanks around unquoted fields, kept in quoted ones", "a , b\n 1 ,\" 2 \"\n", ',', {"1: a|b", "2: 1| 2 "}},
        {"empty lines and lines of separators skipped", "a,b\n\n,\n1,2", ',', {"1: a|b", "4: 1|2"}},
        {"a lone CR ends a line", "a,b\r1,2\r", ',', {"1: a|b", "2: 1|2"}},
        {"empty fields kept", "a,b,c\n1,,\n", ',', {"1: a|b|c", "2: 1||"}},
        {"text after a closing quote", "a,b\n\"1\"x,2\n3,4\n", ',', {"1: a|b", "2: 1|2 !field 1", "3: 3|4"}},
    };
    for (const auto& c : cases) {
        const auto document = CsvDocument::Parse(c.Bytes, "staff.csv");
        EXPECT_EQ(document.Separator(), c.Separator) << c.Name;
        EXPECT_EQ(Shown(document), c.Records) << c.Name;
    }
}

TEST(CsvDocumentTest, RefusesWhatIsNotCsvSayingWhatAndWhere)
{
    struct Case {
        std::string Bytes;
        const char* Says;
    } cases[] = {
        {"", "staff.csv is empty: it has no header line."},
        {"\xEF\xBB\xBF", "staff.csv is empty: it has no header line."},
        {"\n\n ,\n", "staff.csv is empty: it has no header line."},
        {std::string("PK\x03\x04\0\0", 6), "staff.csv is not a text file: it holds a NUL byte (line 1)."},
        {"a,b\n1,M\xFCller\n", "staff.csv, line 2: the text is not UTF-8 (byte 0xFC)."},
        {"a,b\n1,\xED\xA0\x80\n", "staff.csv, line 2: the text is not UTF-8 (byte 0xED)."}, // a surrogate
        {"a,b\n1,\"open\n2,3\n", "staff.csv, line 2: a quoted field is not closed before the end of the file."},
    };
    for (const auto& c : cases) {
        const std::string said = Refusal(c.Bytes);
        EXPECT_EQ(said.substr(0, std::string(c.Says).size()), c.Says) << said;
    }
}

TEST(CsvDocumentTest, AFileThatCannotBeReadIsError75)
{
    try {
        CsvDocument::Read("/nonexistent/staff.csv");
        FAIL() << "read";
    } catch (const zel::Error& error) {
        EXPECT_EQ(error.Number(), 75);
        EXPECT_NE(error.Description().find("/nonexistent/staff.csv"), std::string::npos);
    }
}

} // namespace
} // namespace zel::workflows
