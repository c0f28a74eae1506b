#include <gtest/gtest.h>

#include "Table.h"

#include <sstream>

namespace zel::cli {
namespace {

std::string Printed(const Table& table, Format format)
{
    std::ostringstream out;
    table.Print(out, format);
    return out.str();
}

TEST(Table, JsonKeepsTypesAndEscapesText)
{
    Table table({{"name", "Name"}, {"count", "Count"}, {"ok", "OK"}, {"none", "None"}});
    table.Add({"Tab\there \"q\" \x01", 42, Cell::Bool(true), Cell()});
    EXPECT_EQ(Printed(table, Format::Json),
              "[\n  {\"name\": \"Tab\\there \\\"q\\\" \\u0001\", \"count\": 42, \"ok\": true, \"none\": null}\n]\n");
    EXPECT_EQ(Printed(Table(std::vector<Column>{{"a", "A"}}), Format::Json), "[]\n");
}

TEST(Table, CsvQuotesWhereNeeded)
{
    Table table({{"a", "A"}, {"b", "B"}});
    table.Add({"plain", "with, comma"});
    table.Add({"say \"hi\"", "two\nlines"});
    EXPECT_EQ(Printed(table, Format::Csv), "a,b\r\nplain,\"with, comma\"\r\n\"say \"\"hi\"\"\",\"two\nlines\"\r\n");
}

TEST(Table, CsvGuardsTextCellsButNeverNumbers)
{
    Table table({{"name", "Name"}, {"difference", "Difference"}, {"detail", "Detail"}});
    table.Add({"=1+1", -3, Cell()});
    table.Add({"-3", Cell::Bool(true), "@x"});
    EXPECT_EQ(Printed(table, Format::Csv), "name,difference,detail\r\n'=1+1,-3,\r\n-3,yes,'@x\r\n");
    EXPECT_EQ(Printed(table, Format::CsvRaw), "name,difference,detail\r\n=1+1,-3,\r\n-3,yes,@x\r\n");
}

TEST(Table, TextAlignsColumnsAndDefusesControlCharacters)
{
    Table table({{"name", "Name"}, {"n", "N"}});
    table.Add({"Zoë", 1});
    table.Add({"a\x1b[2Jb", 100});
    table.Add({"\xE2\x80\xAE"
               "cba",
               2});
    EXPECT_EQ(Printed(table, Format::Table), "Name    N\n------  ---\nZoë     1\na?[2Jb  100\n?cba    2\n");
    EXPECT_EQ(Printed(Table(std::vector<Column>{{"a", "A"}}), Format::Table), "(none)\n");
}

} // namespace
} // namespace zel::cli
