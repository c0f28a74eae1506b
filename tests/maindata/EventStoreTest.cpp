// The collected events of a site on either engine: each keeps the name its user had when it was
// collected, an older table without that column is still read (and gains it when the site is
// opened for writing), and a connection opened to append events stores them but writes no list.
#include "MainDataTestSupport.h"
#include "SiteTest.h"

#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/EventStore.h"
#include "zel/data/IStore.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"

#include <gtest/gtest.h>

using namespace zel::data;
using namespace zel::data::test;

namespace {

class EventStoreTest : public SiteTest {
protected:
    // A punch of `userID` on clock 1 on day `day` of January, collected with the name `userName`
    // (empty: collected without one, as before names were kept).
    static StoredEvent Punch(const std::string& userID, int day, const std::string& userName = {})
    {
        StoredEvent e;
        e.ClockID = 1;
        e.ClockName = "Gate";
        e.TimeStamp = "2026-01-" + std::string(day < 10 ? "0" : "") + std::to_string(day) + " 08:00:00";
        e.FormatType = 7;
        e.UserID = userID;
        e.UserName = userName;
        e.CollectedAt = "2026-02-01 00:00:00";
        return e;
    }

    // The user names of the stored events, oldest first, as a list or an export reads them.
    static std::vector<std::string> Names(const DataSource& ds)
    {
        std::vector<std::string> names;
        EventStore(ds.GetConnection()).ForEach({}, [&](const StoredEvent& e) {
            names.insert(names.begin(), e.UserName);
        });
        return names;
    }

    // Makes the site look as an older version left it: Events without the UserName column, and
    // no record of the layout's version.
    void MakeOlder()
    {
        Sql("ALTER TABLE Events DROP COLUMN UserName; PRAGMA user_version = 0;",
            "ALTER TABLE Events DROP COLUMN UserName; DROP TABLE SiteSchema;");
    }
};

} // namespace

TEST_P(EventStoreTest, AnEventKeepsTheNameItsUserHadWhenItWasCollected)
{
    WithOpenDatabase(mPath, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        users->Add("17", "Ann");
        users->Add("18", "Bo");
        EventStore(ds.GetConnection()).Add({Punch("17", 1, "Ann"), Punch("18", 2), Punch("99", 3)});
        EXPECT_EQ(Names(ds), (std::vector<std::string>{"Ann", "Bo", ""}));

        // Ann leaves, Bo is renamed: Ann's punch still names her; an event collected without a
        // name shows the site's user as he is now.
        users->Remove("17");
        users->Item("18")->SetName("Bo Lee");
        users->Save();
        EXPECT_EQ(Names(ds), (std::vector<std::string>{"Ann", "Bo Lee", ""}));
    });
    EXPECT_EQ(Sql("SELECT UserID, coalesce(UserName, '-') FROM Events ORDER BY ID;"), "17|Ann\n18|-\n99|-\n");
}

TEST_P(EventStoreTest, AnOlderEventsTableIsReadAndGainsTheNamesWhenTheSiteIsOpenedForWriting)
{
    WithOpenDatabase(mPath, [&](DataSource& ds) {
        ds.GetUserDescriptionList()->Add("17", "Ann");
        EventStore(ds.GetConnection()).Add({Punch("17", 1)});
    });
    MakeOlder();
    OnFreshThread([&] {
        DataSource ds;
        ds.OpenDatabase(mPath, OpenMode::ReadOnly);
        EXPECT_EQ(Names(ds), (std::vector<std::string>{"Ann"}));
    });
    WithOpenDatabase(mPath, [&](DataSource& ds) {
        EventStore(ds.GetConnection()).Add({Punch("17", 2, "Ann")});
        ds.GetUserDescriptionList()->Remove("17");
        ds.GetUserDescriptionList()->Save();
        EXPECT_EQ(Names(ds), (std::vector<std::string>{"", "Ann"}));
    });
}

TEST_P(EventStoreTest, AConnectionOpenedToAppendStoresEventsAndWritesNoList)
{
    WithOpenDatabase(mPath, [&](DataSource& ds) { ds.GetUserDescriptionList()->Add("17", "Ann"); });
    MakeOlder(); // appending needs the name column, which such a connection adds
    OnFreshThread([&] {
        DataSource ds;
        ds.OpenDatabase(mPath, OpenMode::Append);
        EXPECT_TRUE(ds.IsReadOnly()) << "its lists are";
        EXPECT_NE(ds.ReadOnlyReason().find("to append events only"), std::string::npos) << ds.ReadOnlyReason();
        auto users = ds.GetUserDescriptionList();
        EXPECT_EQ(users->Item("17")->Name(), "Ann");
        EventStore events(ds.GetConnection());
        events.CheckWritable();
        EXPECT_EQ(events.Add({Punch("17", 1, "Ann"), Punch("17", 2, "Ann")}), 2);

        EXPECT_EQ(ErrorNumberOf([&] { users->Add("18", "Bo"); }), errc::ReadOnlyDatabase);
        users->Item("17")->SetName("Changed");
        EXPECT_EQ(ErrorNumberOf([&] { users->Save(); }), errc::ReadOnlyDatabase);
        EXPECT_EQ(ErrorNumberOf([&] { ds.GetConnection()->Delete("Users", 1); }), errc::ReadOnlyDatabase);
        EXPECT_EQ(ErrorNumberOf([&] { ds.GetConnection()->Transact([] {}); }), errc::ReadOnlyDatabase);
    });
    EXPECT_EQ(Sql("SELECT Name FROM Users; SELECT count(*) FROM Events WHERE UserName = 'Ann';"), "Ann\n2\n");

    // A read-only connection appends nothing either.
    OnFreshThread([&] {
        DataSource ds;
        ds.OpenDatabase(mPath, OpenMode::ReadOnly);
        EXPECT_EQ(ErrorNumberOf([&] { EventStore(ds.GetConnection()).Add({Punch("17", 3)}); }), errc::ReadOnlyDatabase);
    });
}

INSTANTIATE_TEST_SUITE_P(Engines, EventStoreTest, ::testing::Values(Engine::Sqlite, Engine::Postgres), EngineName);
