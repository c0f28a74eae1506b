// Copying a whole site between stores: file to server and back, every row with its ID and every
// template byte, the counts checked, and never into a site that holds rows.
#include "MainDataTestSupport.h"
#include "PgCluster.h"

#include "zel/data/CopySite.h"
#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/EventStore.h"
#include "zel/data/IStore.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace zel::data;
using namespace zel::data::test;
using zel::test::PgCluster;

namespace {

std::vector<std::uint8_t> AllByteValues()
{
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < 256; ++i)
        bytes.push_back(static_cast<std::uint8_t>((i * 7 + 3) % 256));
    return bytes;
}

// A site file with gaps in its IDs, a template of every byte value and an event.
std::string FilledFile(const TempFolder& folder, const std::string& name)
{
    auto path = NewDatabase(folder, name);
    SqliteCli(path, "INSERT INTO Channels (ID, Name, Type, Port, BitRate, Location) VALUES "
                    "(3, 'Line', 'Direct', 2, 9600, NULL), (9, 'Office', 'Ethernet', 3001, NULL, '10.0.0.9');"
                    "INSERT INTO Readers (ID, ReaderID, Name, ChannelDescID, Location) VALUES (5, 1, 'Gate', 9, "
                    "'Hall');"
                    "INSERT INTO Users (ID, UserID, Name, AuthorityLevel, Enrolled) VALUES (2, '1', 'Ann', 0, 0), "
                    "(70, '2', 'Bob', 3, 1), (71, '3', 'Cy', 0, 0);"
                    "DELETE FROM Users WHERE ID = 71;");
    WithOpenDatabase(path, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        users->Item("2")->SetTemplate(AllByteValues());
        users->Item("2")->SetName("Bob Lee");
        users->Save();
        StoredEvent event;
        event.ClockID = 5;
        event.ClockName = "Gate";
        event.ReaderID = 1;
        event.TimeStamp = "2026-01-02 03:04:05";
        event.UserID = "2";
        event.CollectedAt = "2026-01-02 04:00:00";
        event.Data1 = {1, 0, 255, 4, 5, 6};
        EventStore store(ds.GetConnection());
        store.Add({event});
        StoredCollection collection; // what a collection told of the clock's log
        collection.ClockID = 5;
        collection.ClockName = "Gate";
        collection.CollectedAt = "2026-01-02 04:00:00";
        collection.Outcome = "done";
        collection.Held = 1;
        collection.New = 1;
        collection.Lost = 3;
        store.AddCollection(collection);
    });
    return path;
}

const char* const Rows = "SELECT * FROM Channels ORDER BY ID; SELECT * FROM Readers ORDER BY ID;"
                         "SELECT ID, UserID, Name, AuthorityLevel, Enrolled, hex(Template) FROM Users ORDER BY ID;"
                         "SELECT ID, ClockID, TimeStamp, hex(Data1), hex(Data2), UserID FROM Events ORDER BY ID;"
                         "SELECT ID, Seq, Action, UserIDs, Hash FROM AuditLog ORDER BY ID;"
                         "SELECT ID, ClockID, Held, NewEvents, Lost FROM EventCollections ORDER BY ID;";

class CopySiteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mCluster = PgCluster::Shared();
        if (mCluster == nullptr)
            GTEST_SKIP() << "PostgreSQL cases skipped: " << PgCluster::Unavailable();
    }

    TempFolder mFolder;
    PgCluster* mCluster = nullptr;
};

} // namespace

TEST_F(CopySiteTest, AFileGoesToTheServerAndBackRowForRowWithItsIdsAndTemplateBytes)
{
    const auto file = FilledFile(mFolder, "from.mdb");
    const auto uri = mCluster->NewDatabase();
    DataSource::CreateDatabase(uri);
    const auto back = NewDatabase(mFolder, "back.mdb");

    // The library keeps one connection per thread: each site is opened on a thread of its own.
    OnFreshThread([&] {
        DataSource ds;
        ds.OpenDatabase(file, OpenMode::ReadOnly);
        auto source = ds.GetConnection();
        OnFreshThread([&] {
            DataSource server;
            server.OpenDatabase(uri);
            auto middle = server.GetConnection();
            CopySite(*source, *middle);
            EXPECT_EQ(PgCluster::Query(uri, "SELECT count(*) FROM Users; SELECT encode(Template, 'hex') FROM Users "
                                            "WHERE ID = 70;"),
                      "2\n" + SqliteCli(file, "SELECT lower(hex(Template)) FROM Users WHERE ID = 70;"));
            OnFreshThread([&] {
                DataSource copy;
                copy.OpenDatabase(back);
                CopySite(*middle, *copy.GetConnection());
            });
        });
    });
    EXPECT_EQ(SqliteCli(back, Rows), SqliteCli(file, Rows));
    EXPECT_NE(SqliteCli(back, Rows).find("Bob Lee"), std::string::npos);

    // Removed IDs are not handed out again on either copy.
    WithOpenDatabase(uri,
                     [&](DataSource& ds) { EXPECT_GT(ds.GetUserDescriptionList()->Add("4", "Di")->DatabaseID(), 71); });
    WithOpenDatabase(back,
                     [&](DataSource& ds) { EXPECT_GT(ds.GetUserDescriptionList()->Add("4", "Di")->DatabaseID(), 71); });
}

TEST_F(CopySiteTest, ASiteThatHoldsRowsIsNotCopiedInto)
{
    const auto file = FilledFile(mFolder, "from.mdb");
    const auto uri = mCluster->NewDatabase();
    DataSource::CreateDatabase(uri);
    PgCluster::Query(uri, "INSERT INTO Users (UserID, Name, AuthorityLevel) VALUES ('9', 'Zed', 0);");
    OnFreshThread([&] {
        DataSource ds;
        ds.OpenDatabase(file);
        auto source = ds.GetConnection();
        OnFreshThread([&] {
            DataSource server;
            server.OpenDatabase(uri);
            EXPECT_EQ(ErrorNumberOf([&] { CopySite(*source, *server.GetConnection()); }), errc::FileAlreadyExists);
        });
    });
    EXPECT_EQ(PgCluster::Query(uri, "SELECT count(*) FROM Channels; SELECT count(*) FROM Users;"), "0\n1\n");
}

TEST_F(CopySiteTest, AServerSiteBacksUpToASiteFile)
{
    const auto file = FilledFile(mFolder, "from.mdb");
    const auto uri = mCluster->NewDatabase();
    DataSource::CreateDatabase(uri);
    OnFreshThread([&] {
        DataSource ds;
        ds.OpenDatabase(file);
        auto source = ds.GetConnection();
        OnFreshThread([&] {
            DataSource server;
            server.OpenDatabase(uri, OpenMode::ReadOnly);
            EXPECT_EQ(ErrorNumberOf([&] { CopySite(*source, *server.GetConnection()); }), errc::ReadOnlyDatabase);
        });
        OnFreshThread([&] {
            DataSource server;
            server.OpenDatabase(uri);
            CopySite(*source, *server.GetConnection());
        });
    });
    const auto backup = mFolder.File("backup.mdb");
    WithOpenDatabase(uri, [&](DataSource& ds) {
        ds.BackupDatabase(backup);
        EXPECT_EQ(ErrorNumberOf([&] { ds.BackupDatabase(backup); }), errc::FileAlreadyExists);
        ds.BackupDatabase(backup, true);
    });
    EXPECT_EQ(SqliteCli(backup, Rows), SqliteCli(file, Rows));
    struct stat info {};
    ASSERT_EQ(::stat(backup.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}
