#include <gtest/gtest.h>

#include "Arguments.h"

namespace zel::cli {
namespace {

TEST(Arguments, OptionsStandAnywhereAndListsRunToTheNextOption)
{
    auto args = Arguments::Parse({"sync", "--from", "A", "b c", "--to=D", "E", "--clear", "--site", "x.mdb"});
    EXPECT_EQ(args.Words, std::vector<std::string>{"sync"});
    EXPECT_EQ(args.List("from"), (std::vector<std::string>{"A", "b c"}));
    EXPECT_EQ(args.List("to"), (std::vector<std::string>{"D", "E"}));
    EXPECT_TRUE(args.Flag("clear"));
    EXPECT_EQ(args.Site, "x.mdb");

    auto twice = Arguments::Parse({"users", "send", "X", "--user", "1", "--user", "2"});
    EXPECT_EQ(twice.List("user"), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(twice.Words, (std::vector<std::string>{"users", "send", "X"}));

    auto ended = Arguments::Parse({"status", "--", "--all"});
    EXPECT_EQ(ended.Words, (std::vector<std::string>{"status", "--all"}));
    EXPECT_FALSE(ended.Flag("all"));
}

TEST(Arguments, MistakesAreUsageErrors)
{
    for (const auto& bad : std::vector<std::vector<std::string>>{{"--bogus"},
                                                                 {"-x"},
                                                                 {"--site"},
                                                                 {"--site="},
                                                                 {"--site", "a", "--site", "b"},
                                                                 {"--format", "xml"},
                                                                 {"--from"},
                                                                 {"--from", "--to", "x"},
                                                                 {"--all=yes"},
                                                                 {"-o", ""},
                                                                 {"--csv-raw", "--format", "json"},
                                                                 {"--format=table", "--csv-raw"}})
        EXPECT_THROW(Arguments::Parse(bad), UsageError) << bad.front();
    EXPECT_EQ(Arguments::Parse({"--format", "csv"}).OutputFormat, Format::Csv);
    EXPECT_EQ(Arguments::Parse({"--csv-raw", "--format", "csv"}).OutputFormat, Format::CsvRaw);
    EXPECT_EQ(Arguments::Parse({"users", "--csv-raw"}).OutputFormat, Format::CsvRaw) << "CSV without --format";
    EXPECT_TRUE(Arguments::Parse({"status", "-h"}).Help);
}

} // namespace
} // namespace zel::cli
