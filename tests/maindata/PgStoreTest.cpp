// The site database on a PostgreSQL server: what only a shared site has. Several connections
// write at once; a row changed or removed by another one since it was read is never overwritten.
#include "MainDataTestSupport.h"
#include "PgCluster.h"

#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/EventStore.h"
#include "zel/data/IStore.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionDB.h"
#include "zel/data/UserDescriptionList.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <thread>

using namespace zel::data;
using namespace zel::data::test;
using zel::test::PgCluster;

namespace {

class PgStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mCluster = PgCluster::Shared();
        if (mCluster == nullptr)
            GTEST_SKIP() << "PostgreSQL cases skipped: " << PgCluster::Unavailable();
        mUri = mCluster->NewDatabase();
        DataSource::CreateDatabase(mUri);
    }

    std::string Sql(const std::string& sql) { return PgCluster::Query(mUri, sql); }

    PgCluster* mCluster = nullptr;
    std::string mUri;
};

} // namespace

TEST_F(PgStoreTest, CreateMakesTheTablesOnceAndOpenWantsThem)
{
    EXPECT_EQ(ErrorNumberOf([&] { DataSource::CreateDatabase(mUri); }), errc::FileAlreadyExists);
    EXPECT_EQ(Sql("SELECT count(*) FROM Users; SELECT count(*) FROM Events;"), "0\n0\n");
    // The keys are unique without regard to the letters' case, and NOT NULL holds as in the file.
    Sql("INSERT INTO Users (UserID, Name, AuthorityLevel) VALUES ('Ab', 'x', 0);");
    EXPECT_NE(PgCluster::ErrorOf(mUri, "INSERT INTO Users (UserID, Name, AuthorityLevel) VALUES ('aB', 'y', 0);"), "");
    EXPECT_NE(PgCluster::ErrorOf(mUri, "INSERT INTO Users (UserID, Name, AuthorityLevel) VALUES ('c', NULL, 0);"), "");
    EXPECT_NE(PgCluster::ErrorOf(mUri, "INSERT INTO Readers (ReaderID, Name, ChannelDescID) VALUES (1, 'r', 1);"), "");
    EXPECT_EQ(PgCluster::ErrorOf(mUri, "INSERT INTO Channels (Name, Type, Port) VALUES ('ch', 'Direct', 1);"), "");
    EXPECT_NE(PgCluster::ErrorOf(mUri, "INSERT INTO Channels (Name, Type, Port) VALUES ('CH', 'Direct', 1);"), "");

    const auto empty = mCluster->NewDatabase();
    OnFreshThread([&] {
        DataSource ds;
        EXPECT_EQ(ErrorNumberOf([&] { ds.OpenDatabase(empty); }), errc::UnrecognizedDatabaseFormat);
    });
}

TEST_F(PgStoreTest, TheSiteIsNamedWithoutItsPasswordAlsoWhenTheServerCannotBeReached)
{
    // Every local user is trusted: the password is sent nowhere but must not be shown either.
    const std::string secret = "Very-s3cret-word";
    std::string uri = mUri;
    uri.replace(uri.find("postgres@"), 9, "postgres:" + secret + "@");
    WithOpenDatabase(uri, [&](DataSource& ds) {
        EXPECT_EQ(ds.GetConnection()->FileName().find(secret), std::string::npos);
        EXPECT_NE(ds.GetConnection()->FileName().find("postgres:****@"), std::string::npos);
        EXPECT_EQ(ds.GetConnection()->EngineVersion().rfind("PostgreSQL ", 0), 0u);
    });
    std::string nowhere = uri.substr(0, uri.find("&port=")) + "&port=1";
    OnFreshThread([&] {
        DataSource ds;
        auto text = ErrorTextOf([&] { ds.OpenDatabase(nowhere); });
        EXPECT_NE(text.find("Cannot connect to the site database server"), std::string::npos) << text;
        EXPECT_NE(text.find(":1"), std::string::npos) << text;
        EXPECT_EQ(text.find(secret), std::string::npos) << text;
    });
}

TEST_F(PgStoreTest, AReadOnlyConnectionReadsAndRefusesEveryWrite)
{
    WithOpenDatabase(mUri, [&](DataSource& ds) { ds.GetUserDescriptionList()->Add("1", "Ann"); });
    OnFreshThread([&] {
        DataSource ds;
        ds.OpenDatabase(mUri, OpenMode::ReadOnly);
        EXPECT_TRUE(ds.IsReadOnly());
        auto users = ds.GetUserDescriptionList();
        EXPECT_EQ(users->Item("1")->Name(), "Ann");
        EXPECT_EQ(ErrorNumberOf([&] { users->Add("2", "Bob"); }), errc::ReadOnlyDatabase);
        EXPECT_EQ(ErrorNumberOf([&] {
                      ds.GetConnection()->Insert("Users", {{"UserID", std::string("3")}});
                  }),
                  errc::ReadOnlyDatabase);
    });
    EXPECT_EQ(Sql("SELECT count(*) FROM Users;"), "1\n");
}

TEST_F(PgStoreTest, ASaveOfAUserThatAnotherConnectionChangedIsRefusedAndOverwritesNothing)
{
    WithOpenDatabase(mUri, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        users->Add("1", "Ann");
        users->Add("2", "Bob");

        OnFreshThread([&] {
            DataSource other;
            other.OpenDatabase(mUri);
            auto theirs = other.GetUserDescriptionList();
            theirs->Item("1")->SetName("Ann (theirs)");
            theirs->Save();
        });

        users->Item("1")->SetName("Ann (mine)");
        users->Item("2")->SetName("Bob (mine)");
        auto text = ErrorTextOf([&] { users->Save(); });
        EXPECT_NE(text.find("changed by another user since it was read"), std::string::npos) << text;
        EXPECT_NE(text.find("nothing was saved"), std::string::npos) << text;
        EXPECT_EQ(ErrorNumberOf([&] { users->Save(); }), errc::RowChangedByAnother);
        // Nothing of the save is written, and the changes stay pending in the list.
        EXPECT_EQ(Sql("SELECT UserID, Name FROM Users ORDER BY ID;"), "1|Ann (theirs)\n2|Bob\n");
        EXPECT_TRUE(users->Item("1")->IsDirty());
        EXPECT_TRUE(users->Item("2")->IsDirty());
        EXPECT_EQ(users->Item("1")->Name(), "Ann (mine)");
    });
    // Read again, the row saves.
    WithOpenDatabase(mUri, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        users->Item("1")->SetName("Ann (read again)");
        users->Save();
    });
    EXPECT_EQ(Sql("SELECT Name, RowVersion FROM Users WHERE UserID = '1';"), "Ann (read again)|3\n");
}

TEST_F(PgStoreTest, ASaveOfAUserThatAnotherConnectionRemovedIsRefusedAndDoesNotBringItBack)
{
    WithOpenDatabase(mUri, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        users->Add("1", "Ann");
        users->Add("2", "Bob");
        OnFreshThread([&] {
            DataSource other;
            other.OpenDatabase(mUri);
            other.GetUserDescriptionList()->Remove("1");
            other.GetUserDescriptionList()->Save();
        });
        users->Item("1")->SetName("Ann (mine)");
        auto text = ErrorTextOf([&] { users->Save(); });
        EXPECT_NE(text.find("removed by another user"), std::string::npos) << text;
        EXPECT_EQ(Sql("SELECT UserID FROM Users;"), "2\n");
        EXPECT_TRUE(users->Item("1")->IsDirty());
    });
}

TEST_F(PgStoreTest, RemovingAUserThatAnotherConnectionChangedIsRefused)
{
    WithOpenDatabase(mUri, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        users->Add("1", "Ann");
        OnFreshThread([&] {
            DataSource other;
            other.OpenDatabase(mUri);
            other.GetUserDescriptionList()->Item("1")->SetAuthorityLevel(3);
            other.GetUserDescriptionList()->Save();
        });
        users->Remove("1");
        EXPECT_EQ(ErrorNumberOf([&] { users->Save(); }), errc::RowChangedByAnother);
        EXPECT_TRUE(users->IsDirty());
    });
    EXPECT_EQ(Sql("SELECT UserID, AuthorityLevel FROM Users;"), "1|3\n");
}

TEST_F(PgStoreTest, TwoClientsSavingAThousandChangesEachLoseNone)
{
    constexpr int Users = 5;
    constexpr int ChangesEach = 1000;
    WithOpenDatabase(mUri, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        for (int i = 0; i < Users; ++i)
            users->Add(std::to_string(i), "0");
    });
    // Each change adds one to a counter held in a user's name: read, add one, write. A change
    // refused because the other client changed the row meanwhile is read again and repeated.
    std::atomic<int> conflicts{0};
    std::atomic<int> failures{0};
    auto client = [&](int first) {
        try {
            DataSource ds;
            ds.OpenDatabase(mUri);
            UserDescriptionDB rows;
            for (int change = 0; change < ChangesEach; ++change) {
                const std::string key = std::to_string((first + change) % Users);
                for (;;) {
                    std::shared_ptr<UserDescription> user;
                    for (const auto& row : rows.GetList())
                        if (row->UserID() == key)
                            user = row;
                    user->SetName(std::to_string(std::stoi(user->Name()) + 1));
                    try {
                        rows.Update(*user);
                        break;
                    } catch (const zel::Error& e) {
                        if (e.Number() != errc::RowChangedByAnother)
                            throw;
                        ++conflicts;
                    }
                }
            }
        } catch (...) {
            ++failures;
        }
    };
    std::thread one(client, 0);
    std::thread two(client, 2);
    one.join();
    two.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(Sql("SELECT sum(Name::int), sum(RowVersion - 1) FROM Users;"),
              std::to_string(2 * ChangesEach) + "|" + std::to_string(2 * ChangesEach) + "\n");
    std::printf("two clients, %d changes each: %d conflicts reported and repeated\n", ChangesEach, conflicts.load());
}

TEST_F(PgStoreTest, TwoListsSavingAtOnceEitherSaveOrAreToldSo)
{
    constexpr int Saves = 1000;
    WithOpenDatabase(mUri, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        users->Add("shared", "0");
        users->Add("a", "0");
        users->Add("b", "0");
    });
    // Each client saves its own user and the shared one in one Save; a refused Save writes
    // neither and the client counts it as not saved.
    std::atomic<int> failures{0};
    std::array<int, 2> saved{};
    std::array<int, 2> refused{};
    auto client = [&](int index) {
        try {
            DataSource ds;
            ds.OpenDatabase(mUri);
            auto users = ds.GetUserDescriptionList();
            const std::string own = index == 0 ? "a" : "b";
            for (int i = 0; i < Saves; ++i) {
                users->Item(own)->SetName(std::to_string(saved[index] + 1));
                users->Item("shared")->SetAuthorityLevel(i % 100);
                try {
                    users->Save();
                    ++saved[index];
                } catch (const zel::Error& e) {
                    if (e.Number() != errc::RowChangedByAnother)
                        throw;
                    ++refused[index];
                    return; // the list must be read again: this client is done
                }
            }
        } catch (...) {
            ++failures;
        }
    };
    std::thread one(client, 0);
    std::thread two(client, 1);
    one.join();
    two.join();
    EXPECT_EQ(failures.load(), 0);
    // Every Save that returned is in the table; none that was refused is.
    EXPECT_EQ(Sql("SELECT Name FROM Users WHERE UserID = 'a'; SELECT Name FROM Users WHERE UserID = 'b';"),
              std::to_string(saved[0]) + "\n" + std::to_string(saved[1]) + "\n");
    EXPECT_EQ(Sql("SELECT RowVersion - 1 FROM Users WHERE UserID = 'shared';"),
              std::to_string(saved[0] + saved[1]) + "\n");
}

TEST_F(PgStoreTest, EventsAreKeptOnceAndPagedNewestFirst)
{
    WithOpenDatabase(mUri, [&](DataSource& ds) {
        ds.GetUserDescriptionList()->Add("7", "Ann");
        EventStore events(ds.GetConnection());
        std::vector<StoredEvent> batch;
        for (int i = 0; i < 5; ++i) {
            StoredEvent e;
            e.ClockID = 1;
            e.ClockName = "Gate";
            e.TimeStamp = "2026-01-0" + std::to_string(i + 1) + " 08:00:00";
            e.UserID = i % 2 == 0 ? "7" : "";
            e.CollectedAt = "2026-02-01 00:00:00";
            e.Data1 = {static_cast<std::uint8_t>(i), 0, 255, 0, 0, 0};
            batch.push_back(e);
        }
        EXPECT_EQ(events.Add(batch), 5);
        EXPECT_EQ(events.Add(batch), 0);
        EXPECT_TRUE(events.Contains(batch[3]));
        EXPECT_EQ(events.CountForClock(1), 5);
        EventFilter filter;
        filter.Since = "2026-01-02";
        EXPECT_EQ(events.Count(filter), 4);
        auto first = events.PageAfter({}, std::nullopt, 2);
        ASSERT_EQ(first.size(), 2u);
        EXPECT_EQ(first[0].TimeStamp, "2026-01-05 08:00:00");
        EXPECT_EQ(first[0].UserName, "Ann");
        EXPECT_EQ(first[0].Data1, batch[4].Data1);
        auto next = events.PageAfter({}, EventCursor{first[1].TimeStamp, first[1].ID}, 10);
        ASSERT_EQ(next.size(), 3u);
        EXPECT_EQ(next[0].TimeStamp, "2026-01-03 08:00:00");
        EXPECT_EQ(events.Page({}, 4, 10).size(), 1u);
    });
}
