#include "MainDataTestSupport.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/IStore.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescriptionList.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

using namespace zel::data;
using namespace zel::data::test;

namespace {

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::string JetHeader(const char* word)
{
    std::string header(4, '\0');
    header += word;
    header += std::string(200, '\0');
    return header;
}

} // namespace

TEST(DataSourceCreate, MakesTheThreeTablesWithTheirColumnsOwnerOnly)
{
    TempFolder folder;
    auto path = NewDatabase(folder);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(SqliteCli(path, "SELECT name FROM pragma_table_info('Users');"),
              "ID\nUserID\nName\nAuthorityLevel\nEnrolled\nTemplate\n");
    EXPECT_EQ(SqliteCli(path, "SELECT name FROM pragma_table_info('Readers');"),
              "ID\nReaderID\nName\nChannelDescID\nLocation\nTimeZone\n");
    EXPECT_EQ(SqliteCli(path, "SELECT name FROM pragma_table_info('Channels');"),
              "ID\nName\nType\nPort\nBitRate\nLocation\n");
}

TEST(DataSourceCreate, FilesBesideTheDatabaseAreOwnerOnlyToo)
{
    TempFolder folder;
    auto path = NewDatabase(folder);
    WithOpenDatabase(path, [&](DataSource& ds) {
        ds.GetUserDescriptionList()->Add("1", "A");
        for (const char* suffix : {"-wal", "-shm"}) {
            struct stat info {};
            if (::stat((path + suffix).c_str(), &info) == 0) {
                EXPECT_EQ(info.st_mode & 0777, 0600u) << suffix;
            }
        }
    });
}

TEST(DataSourceCreate, RefusesAnExistingFileAndLeavesItAlone)
{
    TempFolder folder;
    auto path = folder.File("zel.mdb");
    WriteFile(path, "keep me");
    EXPECT_EQ(ErrorNumberOf([&] { DataSource::CreateDatabase(path); }), errc::FileAlreadyExists);
    std::ifstream in(path);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "keep me");
    EXPECT_NE(ErrorNumberOf([&] { DataSource::CreateDatabase(folder.File("no/such/folder/zel.mdb")); }), 0);
}

TEST(DataSourceOpen, NeverCreatesAMissingFile)
{
    TempFolder folder;
    auto path = folder.File("missing.mdb");
    OnFreshThread([&] {
        DataSource ds;
        try {
            ds.OpenDatabase(path);
            FAIL() << "opened a missing file";
        } catch (const zel::Error& e) {
            EXPECT_EQ(e.Number(), errc::FileNotFound);
            EXPECT_EQ(e.Source(), "ZelMainData");
            EXPECT_NE(e.Description().find(path), std::string::npos);
        }
    });
    struct stat info {};
    EXPECT_NE(::stat(path.c_str(), &info), 0);
}

TEST(DataSourceOpen, RefusesJetAndOtherFilesWithAClearMessage)
{
    TempFolder folder;
    for (const char* word : {"Standard Jet DB", "Standard ACE DB"}) {
        auto path = folder.File(std::string(word).substr(9, 3) + ".mdb");
        WriteFile(path, JetHeader(word));
        OnFreshThread([&] {
            DataSource ds;
            auto text = ErrorTextOf([&] { ds.OpenDatabase(path); });
            EXPECT_NE(text.find("Microsoft Access (Jet) database"), std::string::npos) << text;
            EXPECT_EQ(ErrorNumberOf([&] { DataSource().GetUserDescriptionList(); }), errc::ObjectClosed);
        });
    }
    auto text = folder.File("notes.txt");
    WriteFile(text, "just some text that is long enough to have a header of sorts, but it is not a database.");
    auto empty = folder.File("empty.mdb");
    WriteFile(empty, "");
    for (const auto& path : {text, empty}) {
        OnFreshThread([&] {
            long number = 0;
            std::string description;
            try {
                DataSource().OpenDatabase(path);
            } catch (const zel::Error& e) {
                number = e.Number();
                description = e.Description();
            }
            EXPECT_EQ(number, errc::UnrecognizedDatabaseFormat);
            EXPECT_NE(description.find("not a site database"), std::string::npos) << description;
        });
    }
}

TEST(DataSourceOpen, RefusesAnSqliteFileWithoutTheSiteTables)
{
    TempFolder folder;
    auto path = folder.File("other.db");
    SqliteCli(path, "CREATE TABLE Users (ID INTEGER PRIMARY KEY, UserID TEXT);");
    OnFreshThread([&] {
        auto text = ErrorTextOf([&] { DataSource().OpenDatabase(path); });
        EXPECT_NE(text.find("no table Readers"), std::string::npos) << text;
    });
}

TEST(DataSourceOpen, SecondOpenHasNoEffectAndFirstFileStaysInUse)
{
    TempFolder folder;
    auto first = NewDatabase(folder, "first.mdb");
    auto second = NewDatabase(folder, "second.mdb");
    SqliteCli(second, "INSERT INTO Users (UserID, Name, AuthorityLevel, Enrolled) VALUES ('1', 'B', 0, 0);");
    WithOpenDatabase(first, [&](DataSource& ds) {
        ds.OpenDatabase(second);
        EXPECT_EQ(ds.GetConnection()->FileName(), first);
        EXPECT_EQ(ds.GetUserDescriptionList()->Count(), 0);
    });
}

TEST(DataSourceOpen, ReleaseLetsTheThreadOpenAnotherSiteAndFreesTheFirst)
{
    TempFolder folder;
    auto first = NewDatabase(folder, "first.mdb");
    auto second = NewDatabase(folder, "second.mdb");
    SqliteCli(second, "INSERT INTO Users (UserID, Name, AuthorityLevel, Enrolled) VALUES ('1', 'B', 0, 0);");
    WithOpenDatabase(first, [&](DataSource& ds) {
        auto before = ds.GetUserDescriptionList();
        before->Add("7", "A");
        ds.ReleaseDatabase();
        EXPECT_FALSE(ds.GetConnection());
        // The first file has no writer now: another thread may write it.
        OnFreshThread([&] { DataSource().OpenDatabase(first); });

        ds.OpenDatabase(second);
        EXPECT_EQ(ds.GetConnection()->FileName(), second);
        auto after = ds.GetUserDescriptionList();
        EXPECT_NE(after, before);
        EXPECT_TRUE(after->Contains("1"));
        EXPECT_TRUE(before->Contains("7")); // what was handed out stays as it was
        ds.ReleaseDatabase();
        ds.ReleaseDatabase(); // nothing open: nothing happens
    });
    EXPECT_EQ(SqliteCli(first, "SELECT UserID FROM Users;"), "7\n");
}

TEST(DataSourceOpen, StateBelongsToTheThread)
{
    TempFolder folder;
    auto path = NewDatabase(folder);
    WithOpenDatabase(path, [&](DataSource& ds) {
        ASSERT_TRUE(ds.GetConnection());
        auto users = ds.GetUserDescriptionList();
        OnFreshThread([&] {
            EXPECT_FALSE(DataSource().GetConnection());
            EXPECT_NE(DataSource().GetUserDescriptionList(), users);
        });
        // Any DataSource of the thread shares the one state.
        EXPECT_EQ(DataSource().GetUserDescriptionList(), users);
    });
}

TEST(DataSourceLists, SameObjectOnEveryRequest)
{
    TempFolder folder;
    auto path = NewDatabase(folder);
    WithOpenDatabase(path, [&](DataSource& ds) {
        auto a = ds.GetUserDescriptionList();
        auto b = DataSource().GetUserDescriptionList();
        ASSERT_EQ(a, b);
        a->Add("17", "Ann");
        EXPECT_TRUE(b->Contains("17"));
        EXPECT_EQ(ds.GetReaderDescriptionList(), ds.GetReaderDescriptionList());
        EXPECT_EQ(ds.GetChannelDescriptionList(), ds.GetChannelDescriptionList());
    });
}

TEST(DataSourceLists, BeforeOpenAllListsAreEmptyForGood)
{
    TempFolder folder;
    auto path = NewDatabase(folder);
    SqliteCli(path, "INSERT INTO Users (UserID, Name, AuthorityLevel, Enrolled) VALUES ('1', 'B', 0, 0);");
    OnFreshThread([&] {
        DataSource ds;
        EXPECT_FALSE(ds.GetConnection());
        EXPECT_NO_THROW(ds.CloseDatabase());
        auto users = ds.GetUserDescriptionList();
        EXPECT_EQ(users->Count(), 0);
        EXPECT_EQ(ds.GetReaderDescriptionList()->Count(), 0);
        EXPECT_EQ(ds.GetChannelDescriptionList()->Count(), 0);
        // Writing a row without a connection is refused; the user stays as new.
        EXPECT_EQ(ErrorNumberOf([&] { users->Add("2", "C"); }), errc::ObjectNotSet);
        EXPECT_TRUE(users->Item("2")->IsNew());
        ds.OpenDatabase(path);
        EXPECT_EQ(ds.GetUserDescriptionList(), users); // never reloaded
        EXPECT_FALSE(users->Contains("1"));
    });
}

TEST(DataSourceLists, AfterFailedOpenUsersAndChannelsFailButClocksComeUpEmpty)
{
    TempFolder folder;
    OnFreshThread([&] {
        DataSource ds;
        EXPECT_EQ(ErrorNumberOf([&] { ds.OpenDatabase(folder.File("missing.mdb")); }), errc::FileNotFound);
        ASSERT_TRUE(ds.GetConnection());
        EXPECT_FALSE(ds.GetConnection()->IsOpen());
        // The failed connection stays: a second open has no effect.
        EXPECT_NO_THROW(ds.OpenDatabase(folder.File("missing.mdb")));
        EXPECT_EQ(ErrorNumberOf([&] { ds.GetUserDescriptionList(); }), errc::ObjectClosed);
        EXPECT_EQ(ErrorNumberOf([&] { ds.GetUserDescriptionList(); }), errc::ObjectClosed); // tried again
        EXPECT_EQ(ErrorNumberOf([&] { ds.GetChannelDescriptionList(); }), errc::ObjectClosed);
        EXPECT_EQ(ds.GetReaderDescriptionList()->Count(), 0);
        EXPECT_EQ(ErrorNumberOf([&] { ds.CloseDatabase(); }), errc::ObjectClosed);
    });
}

TEST(DataSourceLists, CloseKeepsTheListsAndASecondCloseFails)
{
    TempFolder folder;
    auto path = NewDatabase(folder);
    WithOpenDatabase(path, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        ds.CloseDatabase();
        EXPECT_EQ(ds.GetUserDescriptionList(), users);
        EXPECT_EQ(ErrorNumberOf([&] { users->Add("1", "A"); }), errc::ObjectClosed);
        EXPECT_EQ(ErrorNumberOf([&] { ds.CloseDatabase(); }), errc::ObjectClosed);
    });
}

TEST(DataSourceLists, AFileWrittenByTheSqliteClientLoads)
{
    TempFolder folder;
    auto path = folder.File("site.mdb");
    // Same columns, another layout: other order, other declared types, no AUTOINCREMENT.
    SqliteCli(path, R"(
CREATE TABLE Channels (Location TEXT, BitRate INT, Port INT, Type VARCHAR(20), Name VARCHAR(50), ID INTEGER PRIMARY KEY);
CREATE TABLE Readers (Name TEXT, Location TEXT, ID INTEGER PRIMARY KEY, ChannelDescID INTEGER, ReaderID TEXT);
CREATE TABLE Users (Template TEXT, Enrolled INTEGER, AuthorityLevel SMALLINT, Name TEXT, UserID TEXT, ID INTEGER PRIMARY KEY);
INSERT INTO Channels VALUES ('10.0.0.7', NULL, 3001, 'ethernet', 'Office', 40000);
INSERT INTO Channels VALUES (NULL, 19200, 2, 'DIRECT', 'Line 2', 7);
INSERT INTO Channels VALUES ('555 0142', 9600, 3, 'Modem', 'Site B', 8);
INSERT INTO Readers VALUES ('Gate 2', 'Loading dock', 3, 40000, '5');
INSERT INTO Readers VALUES ('Hall', '', 4, 7, 255);
INSERT INTO Users VALUES (NULL, 1, 3, 'Ann Lee', '1024', 70000);
INSERT INTO Users VALUES ('', 'false', '2', 'Bo', '7', 2);
INSERT INTO Users VALUES ('AÿB', 0, 0, 'Cy', '8', 3);
)");
    WithOpenDatabase(path, [&](DataSource& ds) {
        auto channels = ds.GetChannelDescriptionList();
        ASSERT_EQ(channels->Count(), 3);
        // Rows come in key order.
        EXPECT_EQ(channels->Item(3)->ToString(), "{Name: Office, Type: Ethernet, IP Address: 10.0.0.7, IP Port: 3001}");
        EXPECT_EQ(channels->Item(3)->DatabaseID(), 40000);
        EXPECT_EQ(channels->Item("line 2")->ToString(), "{Name: Line 2, Type: Direct, ComPort: 2, Bit Rate: 19200}");
        EXPECT_EQ(channels->Item(2)->ToString(),
                  "{Name: Site B, Type: Modem, Phone Number: 555 0142, ComPort: 3, Bit Rate: 9600}");

        auto clocks = ds.GetReaderDescriptionList();
        ASSERT_EQ(clocks->Count(), 2);
        EXPECT_EQ(clocks->Item("gate 2")->ToString(), "{Name: Gate 2, ReaderID: 5, Location: Loading dock}");
        EXPECT_EQ(clocks->Item(1)->ChannelDescriptionID(), 40000);
        EXPECT_EQ(clocks->Item(2)->ReaderID(), 255);
        EXPECT_EQ(clocks->Item(2)->DatabaseID(), 4);

        auto users = ds.GetUserDescriptionList();
        ASSERT_EQ(users->Count(), 3);
        auto ann = users->Item(3);
        EXPECT_EQ(ann->ToString(), "{UserID: 1024, Name: Ann Lee, Authority Level: 3, Enrolled: True}");
        EXPECT_EQ(ann->DatabaseID(), 70000);
        EXPECT_TRUE(ann->Template().empty());
        EXPECT_FALSE(users->Item("7")->Enrolled());
        EXPECT_EQ(users->Item("7")->AuthorityLevel(), 2);
        EXPECT_EQ(users->Item("8")->Template(), (std::vector<std::uint8_t>{'A', 0xFF, 'B'}));
        for (const auto& user : *users)
            EXPECT_FALSE(user->IsNew() || user->IsDirty() || user->IsDeleted());

        // Rows added by the library into this file get keys after the ones there.
        auto added = users->Add("9", "Di");
        EXPECT_GT(added->DatabaseID(), 70000);
    });
}

TEST(DataSourceLists, IdsAreNeverHandedOutTwice)
{
    TempFolder folder;
    auto path = NewDatabase(folder);
    WithOpenDatabase(path, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        int first = users->Add("1", "A")->DatabaseID();
        users->Remove("1");
        users->Save();
        EXPECT_GT(users->Add("2", "B")->DatabaseID(), first);
    });
}
