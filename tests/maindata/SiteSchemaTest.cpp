// Keys held by the file: the unique key indexes and NOT NULL constraints of a site database,
// in new files and in older ones that gain them when they are opened.
#include "MainDataTestSupport.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/SiteErrors.h"
#include "zel/data/UserDescriptionList.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace zel::data;
using namespace zel::data::test;

namespace {

std::string KeyIndexes(const std::string& path)
{
    return SqliteCli(path, "SELECT name FROM sqlite_master WHERE type = 'index' AND name NOT LIKE 'sqlite_%' "
                           "AND tbl_name IN ('Users', 'Readers', 'Channels') ORDER BY name;");
}

std::string NotNullColumns(const std::string& path, const std::string& table)
{
    return SqliteCli(path, "SELECT name FROM pragma_table_info('" + table + "') WHERE \"notnull\" ORDER BY cid;");
}

void LoadAll(const std::string& path)
{
    WithOpenDatabase(path, [&](DataSource& ds) {
        ds.GetUserDescriptionList();
        ds.GetReaderDescriptionList();
        ds.GetChannelDescriptionList();
    });
}

std::string Contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The file's schema version, and the columns of its Events table.
std::string VersionAndEvents(const std::string& path)
{
    return SqliteCli(path, "PRAGMA user_version; SELECT group_concat(name, ' ') FROM pragma_table_info('Events');");
}

const char* const NotNullUsers = "UserID\nName\nAuthorityLevel\nEnrolled\n";
const char* const NotNullReaders = "ReaderID\nName\nChannelDescID\nLocation\n";
const char* const NotNullChannels = "Name\nType\nPort\n";
const char* const AllKeyIndexes = "Channels_Name\nReaders_Name\nUsers_UserID\n";

} // namespace

TEST(SiteSchema, ANewFileHoldsEachKeyOnceWithoutRegardToLetterCase)
{
    TempFolder folder;
    auto path = NewDatabase(folder);
    EXPECT_EQ(KeyIndexes(path), AllKeyIndexes);
    SqliteCli(path, "INSERT INTO Users (UserID, Name, AuthorityLevel) VALUES ('ab', 'A', 0);"
                    "INSERT INTO Readers (ReaderID, Name, ChannelDescID, Location) VALUES (1, 'Gate', 1, '');"
                    "INSERT INTO Channels (Name, Type, Port) VALUES ('Office', 'Ethernet', 3001);");
    for (const char* sql : {"INSERT INTO Users (UserID, Name, AuthorityLevel) VALUES ('AB', 'B', 0)",
                            "INSERT INTO Readers (ReaderID, Name, ChannelDescID, Location) VALUES (2, 'GATE', 1, '')",
                            "INSERT INTO Channels (Name, Type, Port) VALUES ('office', 'Direct', 1)"}) {
        EXPECT_NE(SqliteErrorOf(path, sql).find("UNIQUE constraint failed"), std::string::npos) << sql;
    }
    EXPECT_EQ(
        SqliteCli(path, "SELECT count(*) FROM Users; SELECT count(*) FROM Readers; SELECT count(*) FROM Channels;"),
        "1\n1\n1\n");
}

TEST(SiteSchema, ANewFileRefusesNullWhereTheLoadRulesDo)
{
    TempFolder folder;
    auto path = NewDatabase(folder);
    EXPECT_EQ(NotNullColumns(path, "Users"), NotNullUsers);
    EXPECT_EQ(NotNullColumns(path, "Readers"), NotNullReaders);
    // BitRate and Location are read for some channel kinds only.
    EXPECT_EQ(NotNullColumns(path, "Channels"), NotNullChannels);
    EXPECT_NE(SqliteErrorOf(path, "INSERT INTO Users (UserID, Name, AuthorityLevel) VALUES ('1', NULL, 0)")
                  .find("NOT NULL constraint failed: Users.Name"),
              std::string::npos);
    // What the library writes fits: an Ethernet channel leaves BitRate Null, a direct one Location.
    WithOpenDatabase(path, [&](DataSource& ds) {
        ds.GetChannelDescriptionList()->Add(EthernetChannel, "Office");
        ds.GetChannelDescriptionList()->Add(DirectChannel, "Line");
        ds.GetUserDescriptionList()->Add("1", "A");
    });
    EXPECT_EQ(SqliteCli(path, "SELECT Name, BitRate IS NULL, Location IS NULL FROM Channels ORDER BY ID;"),
              "Office|1|0\nLine|0|1\n");
}

TEST(SiteSchema, AnOlderFileGainsTheKeysWhenOpenedAndKeepsEverythingElse)
{
    TempFolder folder;
    auto path = OlderDatabase(folder);
    SqliteCli(path, R"(
INSERT INTO Users (ID, UserID, Name, AuthorityLevel, Enrolled, Template) VALUES (3, '17', 'Ann', 1, 1, 'abc');
INSERT INTO Users (ID, UserID, Name, AuthorityLevel, Enrolled) VALUES (500, '18', 'Bo', 0, 0);
DELETE FROM Users WHERE ID = 500;
INSERT INTO Readers (ID, ReaderID, Name, ChannelDescID, Location) VALUES (4, 5, 'Gate', 7, 'Dock');
INSERT INTO Channels (ID, Name, Type, Port, BitRate) VALUES (7, 'Line', 'Direct', 2, 9600);
CREATE TABLE Log (Op TEXT);
CREATE TRIGGER logInsert AFTER INSERT ON Users BEGIN INSERT INTO Log VALUES ('insert ' || NEW.UserID); END;
CREATE INDEX UsersByName ON Users (Name);
CREATE VIEW Enrolled AS SELECT UserID FROM Users WHERE Enrolled;
)");
    EXPECT_EQ(KeyIndexes(path), "UsersByName\n");

    int added = 0;
    WithOpenDatabase(path, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        ASSERT_EQ(users->Count(), 1);
        EXPECT_EQ(users->Item("17")->Template(), (std::vector<std::uint8_t>{'a', 'b', 'c'}));
        EXPECT_EQ(ds.GetReaderDescriptionList()->Item("gate")->ChannelDescriptionID(), 7);
        EXPECT_EQ(ds.GetChannelDescriptionList()->Item("line")->DatabaseID(), 7);
        // The key counter of the table is kept: an ID once handed out does not come back.
        added = users->Add("19", "Cy")->DatabaseID();
    });
    EXPECT_GT(added, 500);

    EXPECT_EQ(KeyIndexes(path), "Channels_Name\nReaders_Name\nUsersByName\nUsers_UserID\n");
    EXPECT_EQ(NotNullColumns(path, "Users"), NotNullUsers);
    EXPECT_EQ(NotNullColumns(path, "Readers"), NotNullReaders);
    EXPECT_EQ(NotNullColumns(path, "Channels"), NotNullChannels);
    EXPECT_EQ(SqliteCli(path, "SELECT ID, UserID, Name, AuthorityLevel, Enrolled, Template FROM Users ORDER BY ID;"),
              "3|17|Ann|1|1|abc\n" + std::to_string(added) + "|19|Cy|0|0|\n");
    // Its trigger, view and other index came along.
    EXPECT_EQ(SqliteCli(path, "SELECT Op FROM Log; SELECT UserID FROM Enrolled;"), "insert 19\n17\n");
    EXPECT_EQ(SqliteCli(path, "PRAGMA integrity_check;"), "ok\n");
    EXPECT_NE(SqliteErrorOf(path, "INSERT INTO Users (UserID, Name, AuthorityLevel) VALUES ('19', 'x', 0)"), "");

    // Opening it again changes nothing more.
    auto schema = SqliteCli(path, "SELECT sql FROM sqlite_master ORDER BY name;");
    LoadAll(path);
    EXPECT_EQ(SqliteCli(path, "SELECT sql FROM sqlite_master ORDER BY name;"), schema);
}

TEST(SiteSchema, AHandMadeFileKeepsItsOwnLayoutAndKeepsLoading)
{
    TempFolder folder;
    auto path = folder.File("site.mdb");
    SqliteCli(path, R"(
CREATE TABLE Channels (Location TEXT, BitRate INT, Port INT, Type VARCHAR(20), Name VARCHAR(50), ID INTEGER PRIMARY KEY);
CREATE TABLE Readers ("Name" TEXT, Location TEXT DEFAULT 'a, b', ID INTEGER PRIMARY KEY, ChannelDescID INTEGER,
  ReaderID TEXT -- the clock's number
);
CREATE TABLE Users ( /* people */ Template TEXT, [Enrolled] INTEGER, AuthorityLevel SMALLINT CHECK (AuthorityLevel >= 0),
  Name TEXT, `UserID` TEXT, ID INTEGER PRIMARY KEY, Note TEXT, UNIQUE (Name, Note));
INSERT INTO Channels VALUES ('10.0.0.7', NULL, 3001, 'ethernet', 'Office', 40000);
INSERT INTO Readers VALUES ('Gate 2', 'Loading dock', 3, 40000, '5');
INSERT INTO Users VALUES (NULL, 1, 3, 'Ann Lee', '1024', 70000, 'kept');
)");
    for (int round = 0; round < 2; ++round) {
        WithOpenDatabase(path, [&](DataSource& ds) {
            EXPECT_EQ(ds.GetChannelDescriptionList()->Item("office")->DatabaseID(), 40000);
            EXPECT_EQ(ds.GetReaderDescriptionList()->Item("gate 2")->ReaderID(), 5);
            EXPECT_EQ(ds.GetUserDescriptionList()->Item("1024")->Name(), "Ann Lee");
        });
    }
    EXPECT_EQ(SqliteCli(path, "SELECT name || ' ' || type FROM pragma_table_info('Readers') ORDER BY cid;"),
              "Name TEXT\nLocation TEXT\nID INTEGER\nChannelDescID INTEGER\nReaderID TEXT\nTimeZone TEXT\n");
    EXPECT_EQ(NotNullColumns(path, "Users"), "Enrolled\nAuthorityLevel\nName\nUserID\n");
    EXPECT_EQ(NotNullColumns(path, "Readers"), "Name\nLocation\nChannelDescID\nReaderID\n");
    EXPECT_EQ(NotNullColumns(path, "Channels"), "Port\nType\nName\n");
    EXPECT_EQ(KeyIndexes(path), AllKeyIndexes);
    // Its own column, constraints and defaults are still there.
    EXPECT_EQ(SqliteCli(path, "SELECT Note FROM Users;"), "kept\n");
    EXPECT_NE(SqliteErrorOf(path, "UPDATE Users SET AuthorityLevel = -1").find("CHECK constraint failed"),
              std::string::npos);
    SqliteCli(path, "INSERT INTO Readers (Name, ChannelDescID, ReaderID) VALUES ('Hall', 1, 6);");
    EXPECT_EQ(SqliteCli(path, "SELECT Location FROM Readers WHERE Name = 'Hall';"), "a, b\n");
    EXPECT_EQ(SqliteCli(path, "PRAGMA integrity_check;"), "ok\n");
}

TEST(SiteSchema, ATableWhoseRowsDoNotAllowTheKeysIsLeftAsItIsAndItsLoadNamesTheRow)
{
    TempFolder folder;
    auto path = OlderDatabase(folder);
    SqliteCli(path, "INSERT INTO Users (ID, UserID, Name, AuthorityLevel) VALUES (1, 'ab', 'A', 0), (2, 'AB', 'B', 0);"
                    "INSERT INTO Readers (ID, ReaderID, Name, ChannelDescID, Location) VALUES (1, 1, 'Gate', 1, NULL);"
                    "INSERT INTO Channels (ID, Name, Type, Port, BitRate) VALUES (1, 'Line', 'Direct', 1, 9600);");
    WithOpenDatabase(path, [&](DataSource& ds) {
        try {
            ds.GetUserDescriptionList();
            ADD_FAILURE() << "the users loaded";
        } catch (const SiteLoadError& e) {
            EXPECT_EQ(e.Number(), errc::DuplicateKey);
            EXPECT_EQ(e.Table(), "Users");
            EXPECT_EQ(e.RowID(), "2");
            EXPECT_EQ(e.Column(), "UserID");
        }
        try {
            ds.GetReaderDescriptionList();
            ADD_FAILURE() << "the clocks loaded";
        } catch (const SiteLoadError& e) {
            EXPECT_EQ(e.Number(), errc::InvalidUseOfNull);
            EXPECT_EQ(e.Column(), "Location");
        }
        EXPECT_EQ(ds.GetChannelDescriptionList()->Count(), 1);
    });
    // Only the channels, whose rows allowed it, gained their keys.
    EXPECT_EQ(KeyIndexes(path), "Channels_Name\n");
    EXPECT_EQ(NotNullColumns(path, "Users"), "Enrolled\n");
    EXPECT_EQ(NotNullColumns(path, "Channels"), NotNullChannels);

    // Once the rows are put right, the next open gives the file its keys.
    SqliteCli(path, "DELETE FROM Users WHERE ID = 2; UPDATE Readers SET Location = '';");
    LoadAll(path);
    EXPECT_EQ(KeyIndexes(path), AllKeyIndexes);
}

TEST(SiteSchema, AReadOnlyOpenChangesNothing)
{
    TempFolder folder;
    auto path = OlderDatabase(folder);
    auto schema = SqliteCli(path, "SELECT sql FROM sqlite_master ORDER BY name;");
    const auto before = Contents(path);
    OnFreshThread([&] {
        DataSource ds;
        ds.OpenDatabase(path, OpenMode::ReadOnly);
        EXPECT_EQ(ds.GetUserDescriptionList()->Count(), 0);
    });
    EXPECT_EQ(SqliteCli(path, "SELECT sql FROM sqlite_master ORDER BY name;"), schema);
    EXPECT_TRUE(Contents(path) == before) << "the file was written";
}

// The file keeps the version of its layout: an older file is brought up to date by the first open
// for writing, once; later opens find it current and write nothing at all.
TEST(SiteSchema, AnOlderFileIsBroughtUpToDateOnceAndLaterOpensWriteNothing)
{
    TempFolder folder;
    auto path = OlderDatabase(folder);
    SqliteCli(path, "CREATE TABLE Events (ID INTEGER PRIMARY KEY AUTOINCREMENT, ClockID INTEGER NOT NULL, "
                    "ClockName TEXT NOT NULL, ReaderID INTEGER NOT NULL, TimeStamp TEXT NOT NULL, FormatType "
                    "INTEGER NOT NULL, Data1 BLOB NOT NULL, Data2 BLOB NOT NULL, UserID TEXT, CollectedAt TEXT NOT "
                    "NULL);");
    EXPECT_EQ(VersionAndEvents(path),
              "0\nID ClockID ClockName ReaderID TimeStamp FormatType Data1 Data2 UserID CollectedAt\n");
    LoadAll(path);
    EXPECT_EQ(KeyIndexes(path), AllKeyIndexes);
    EXPECT_EQ(VersionAndEvents(path),
              "5\nID ClockID ClockName ReaderID TimeStamp FormatType Data1 Data2 UserID CollectedAt UserName\n");
    EXPECT_EQ(SqliteCli(path, "SELECT name FROM pragma_table_info('Readers') WHERE name = 'TimeZone';"), "TimeZone\n");

    const auto current = Contents(path);
    for (int round = 0; round < 2; ++round) {
        LoadAll(path);
        EXPECT_TRUE(Contents(path) == current) << "the file was written at round " << round;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1) << "nothing beside it";

    // A new file, too, is brought up to date by its first open for writing.
    auto fresh = NewDatabase(folder, "new.mdb");
    LoadAll(fresh);
    EXPECT_EQ(SqliteCli(fresh, "PRAGMA user_version;"), "5\n");
}
