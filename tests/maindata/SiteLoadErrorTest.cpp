// A file that cannot load says so: SiteLoadError names the file, the table, the row's ID, the
// column and the rule, and keeps the number of the rule that the row breaks.
#include "MainDataTestSupport.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/SiteErrors.h"
#include "zel/data/UserDescriptionDB.h"
#include "zel/data/UserDescriptionList.h"

#include <gtest/gtest.h>

using namespace zel::data;
using namespace zel::data::test;

namespace {

struct Expected {
    long Number;
    std::string Table;
    std::string RowID;
    std::string Column;
    std::string RuleHas;
};

// Loads the list of `table` from a file that holds the rows of `sql` and returns its error.
void ExpectLoadError(const std::string& sql, const Expected& expected)
{
    TempFolder folder;
    auto path = OlderDatabase(folder);
    SqliteCli(path, sql);
    WithOpenDatabase(path, [&](DataSource& ds) {
        try {
            if (expected.Table == "Users")
                ds.GetUserDescriptionList();
            else if (expected.Table == "Readers")
                ds.GetReaderDescriptionList();
            else
                ds.GetChannelDescriptionList();
            ADD_FAILURE() << "loaded: " << sql;
        } catch (const SiteLoadError& e) {
            EXPECT_EQ(e.Number(), expected.Number) << sql;
            EXPECT_EQ(e.Source(), "ZelMainData");
            EXPECT_EQ(e.FileName(), path);
            EXPECT_EQ(e.Table(), expected.Table) << sql;
            EXPECT_EQ(e.RowID(), expected.RowID) << sql;
            EXPECT_EQ(e.Column(), expected.Column) << sql;
            EXPECT_NE(e.Rule().find(expected.RuleHas), std::string::npos) << e.Rule();
            EXPECT_EQ(e.Description(), "The site database '" + path + "' cannot be loaded: table " + expected.Table +
                                           ", row ID " + expected.RowID + ", column " + expected.Column + ": " +
                                           e.Rule() + ".");
        }
    });
}

} // namespace

TEST(SiteLoadError, AUserRowNamesItsColumnAndRule)
{
    const std::string insert = "INSERT INTO Users (ID, UserID, Name, AuthorityLevel, Enrolled) VALUES ";
    ExpectLoadError(insert + "(1, '1', 'a', 0, 0), (12, '2', NULL, 0, 0);",
                    {errc::InvalidUseOfNull, "Users", "12", "Name", "Null"});
    ExpectLoadError(insert + "(5, NULL, 'a', 0, 0);", {errc::InvalidUseOfNull, "Users", "5", "UserID", "Null"});
    ExpectLoadError(insert + "(6, '1', 'a', 40000, 0);",
                    {errc::Overflow, "Users", "6", "AuthorityLevel", "'40000' is out of range"});
    ExpectLoadError(insert + "(7, '1', 'a', 'high', 0);",
                    {errc::TypeMismatch, "Users", "7", "AuthorityLevel", "'high' does not convert"});
    ExpectLoadError(insert + "(8, '1', 'a', 0, 'maybe');",
                    {errc::TypeMismatch, "Users", "8", "Enrolled", "a yes/no value"});
    ExpectLoadError(insert + "(3000000000, '1', 'a', 0, 0);", {errc::Overflow, "Users", "3000000000", "ID", "range"});
    ExpectLoadError(insert + "(4, 'ab', 'a', 0, 0), (9, 'AB', 'b', 0, 0);",
                    {errc::DuplicateKey, "Users", "9", "UserID", "'AB' is held by row ID 4 too"});
}

TEST(SiteLoadError, AClockRowNamesItsColumnAndRule)
{
    const std::string insert = "INSERT INTO Readers (ID, ReaderID, Name, ChannelDescID, Location) VALUES ";
    ExpectLoadError(insert + "(2, 300, 'A', 1, '');", {errc::Overflow, "Readers", "2", "ReaderID", "0 to 255"});
    ExpectLoadError(insert + "(3, 'five', 'A', 1, '');",
                    {errc::TypeMismatch, "Readers", "3", "ReaderID", "'five' does not convert"});
    ExpectLoadError(insert + "(4, 1, 'A', 1, NULL);", {errc::InvalidUseOfNull, "Readers", "4", "Location", "Null"});
    ExpectLoadError(insert + "(5, 1, 'Gate 2', 1, ''), (6, 1, 'GATE 2', 1, '');",
                    {errc::DuplicateKey, "Readers", "6", "Name", "held by row ID 5"});
}

TEST(SiteLoadError, AChannelRowNamesItsColumnAndRule)
{
    const std::string insert = "INSERT INTO Channels (ID, Name, Type, Port, BitRate, Location) VALUES ";
    ExpectLoadError(insert + "(3, 'A', 'Fax', 1, 1, '');",
                    {errc::TypeMismatch, "Channels", "3", "Type", "'Fax' is none of Direct, Modem and Ethernet"});
    ExpectLoadError(insert + "(4, 'A', 'Modem', 1, NULL, '');",
                    {errc::InvalidUseOfNull, "Channels", "4", "BitRate", "Null"});
    ExpectLoadError(insert + "(5, 'A', 'Direct', 1, 1, NULL), (8, 'a', 'Modem', 1, 1, '');",
                    {errc::DuplicateKey, "Channels", "8", "Name", "held by row ID 5"});
}

TEST(SiteLoadError, AMissingColumnIsNamed)
{
    TempFolder folder;
    auto path = folder.File("zel.mdb");
    SqliteCli(path, "CREATE TABLE Users (ID INTEGER PRIMARY KEY, UserID TEXT, AuthorityLevel INT, Enrolled INT);"
                    "CREATE TABLE Readers (ID INTEGER PRIMARY KEY); CREATE TABLE Channels (ID INTEGER PRIMARY KEY);"
                    "INSERT INTO Users VALUES (1, '1', 0, 0);");
    WithOpenDatabase(path, [&](DataSource& ds) {
        try {
            ds.GetUserDescriptionList();
            ADD_FAILURE() << "loaded";
        } catch (const SiteLoadError& e) {
            EXPECT_EQ(e.Number(), errc::ItemNotFound);
            EXPECT_EQ(e.Column(), "Name");
            EXPECT_EQ(e.RowID(), "1");
            EXPECT_EQ(e.Rule(), "the table has no such column");
        }
    });
}

TEST(SiteLoadError, TheRowAccessClassRaisesItToo)
{
    TempFolder folder;
    auto path = OlderDatabase(folder);
    SqliteCli(path, "INSERT INTO Users (ID, UserID, Name, AuthorityLevel) VALUES (2, '1', NULL, 0);");
    WithOpenDatabase(path, [&](DataSource&) {
        try {
            UserDescriptionDB().GetList();
            ADD_FAILURE() << "loaded";
        } catch (const SiteLoadError& e) {
            EXPECT_EQ(e.Column(), "Name");
            EXPECT_EQ(e.RowID(), "2");
        }
    });
}
