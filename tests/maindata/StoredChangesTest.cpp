// Two programs on one site on a server: what one saves reaches the other's lists through the
// change feed (DataSource::ApplyStoredChanges), as the lists' own events, without losing what the
// other has not saved yet; Reload shows the current values after a refused Save. Each program is a
// thread with its own connection and lists.
#include "MainDataTestSupport.h"
#include "PgCluster.h"
#include "SiteTest.h"

#include "zel/Error.h"
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/EthChnlDescription.h"
#include "zel/data/IStore.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/Record.h"
#include "zel/data/UserDescriptionList.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <poll.h>
#include <thread>

using namespace zel::data;
using namespace zel::data::test;

namespace {

// The other program: a thread with a connection of its own to the site, which runs the steps it
// is given one at a time and waits for each.
class OtherProgram {
public:
    explicit OtherProgram(std::string site) : mThread([this, site = std::move(site)] { Loop(site); })
    {
        Run([] {}); // opened
    }
    ~OtherProgram()
    {
        {
            std::lock_guard lock(mMutex);
            mStop = true;
        }
        mWake.notify_all();
        mThread.join();
    }
    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;

    void Run(const std::function<void(DataSource&)>& step)
    {
        std::exception_ptr error;
        bool done = false;
        {
            std::lock_guard lock(mMutex);
            mSteps.push_back([&] {
                try {
                    step(mSource);
                } catch (...) {
                    error = std::current_exception();
                }
                std::lock_guard inner(mMutex);
                done = true;
                mWake.notify_all();
            });
        }
        mWake.notify_all();
        std::unique_lock lock(mMutex);
        mWake.wait(lock, [&] { return done; });
        lock.unlock();
        if (error)
            std::rethrow_exception(error);
    }
    void Run(const std::function<void()>& step)
    {
        Run([&](DataSource&) { step(); });
    }

private:
    void Loop(const std::string& site)
    {
        bool opened = false;
        for (;;) {
            std::function<void()> step;
            {
                std::unique_lock lock(mMutex);
                mWake.wait(lock, [&] { return mStop || !mSteps.empty(); });
                if (mSteps.empty())
                    break;
                step = std::move(mSteps.front());
                mSteps.pop_front();
            }
            if (!opened) {
                mSource.OpenDatabase(site);
                opened = true;
            }
            step();
        }
        try {
            mSource.CloseDatabase();
        } catch (...) { // NOLINT(bugprone-empty-catch): closing at the end of the case
        }
    }

    DataSource mSource;
    std::mutex mMutex;
    std::condition_variable mWake;
    std::deque<std::function<void()>> mSteps;
    bool mStop = false;
    std::thread mThread;
};

// Takes in the other program's changes until `done` holds, waiting for the connection's
// descriptor to become readable between tries; false when 20 seconds pass first.
bool TakeChangesUntil(DataSource& ds, const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (;;) {
        ds.ApplyStoredChanges();
        if (done())
            return true;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd watched{ds.GetConnection()->ChangeDescriptor(), POLLIN, 0};
        if (watched.fd < 0)
            return done();
        ::poll(&watched, 1, static_cast<int>(std::min<long long>(left.count(), 200)));
    }
}

// The events of a list, in the order raised: "+key", "-key", "~key", "changed".
template <typename List> class EventLog {
public:
    template <typename KeyOf> EventLog(List& list, KeyOf keyOf)
    {
        mSubscriptions.push_back(
            list.ItemAdded().Subscribe([this, keyOf](auto item) { mLog += "+" + keyOf(item) + " "; }));
        mSubscriptions.push_back(
            list.ItemRemoved().Subscribe([this, keyOf](auto item) { mLog += "-" + keyOf(item) + " "; }));
        mSubscriptions.push_back(
            list.ListItemChanged().Subscribe([this, keyOf](auto item) { mLog += "~" + keyOf(item) + " "; }));
        mSubscriptions.push_back(list.ListChanged().Subscribe([this] { mLog += "changed "; }));
    }
    std::string Take() { return std::exchange(mLog, std::string()); }

private:
    std::string mLog;
    std::vector<zel::Subscription> mSubscriptions;
};

class StoredChangesTest : public SiteTest {};

TEST_P(StoredChangesTest, ReadRowReadsOneRowByIDOrSaysItIsGone)
{
    WithOpenDatabase(mPath, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        auto ann = users->Add("17", "Ann");
        std::string name;
        EXPECT_TRUE(ds.GetConnection()->ReadRow(
            "Users", ann->DatabaseID(), [&](const Record& row) { name = std::get<std::string>(row.Value("Name")); }));
        EXPECT_EQ(name, "Ann");
        EXPECT_FALSE(ds.GetConnection()->ReadRow("Users", ann->DatabaseID() + 100,
                                                 [&](const Record&) { ADD_FAILURE() << "no such row"; }));
        if (!OnServer()) {
            // A file has no other writers to hear from.
            EXPECT_EQ(ds.GetConnection()->ChangeDescriptor(), -1);
            EXPECT_EQ(ds.ApplyStoredChanges(), 0);
        } else {
            EXPECT_GE(ds.GetConnection()->ChangeDescriptor(), 0);
        }
    });
}

INSTANTIATE_TEST_SUITE_P(Engines, StoredChangesTest, ::testing::Values(Engine::Sqlite, Engine::Postgres), EngineName);

class SharedSiteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto* cluster = zel::test::PgCluster::Shared();
        if (cluster == nullptr)
            GTEST_SKIP() << "PostgreSQL cases skipped: " << zel::test::PgCluster::Unavailable();
        mSite = cluster->NewDatabase();
        DataSource::CreateDatabase(mSite);
    }

    std::string mSite;
};

std::string UserKey(const std::shared_ptr<UserDescription>& user)
{
    return user->UserID();
}

TEST_F(SharedSiteTest, UsersAddedChangedAndRemovedElsewhereReachTheListWithItsEvents)
{
    OtherProgram other(mSite);
    WithOpenDatabase(mSite, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        EventLog<UserDescriptionList> log(*users, UserKey);

        other.Run([](DataSource& o) { o.GetUserDescriptionList()->Add("17", "Ann"); });
        ASSERT_TRUE(TakeChangesUntil(ds, [&] { return users->Contains("17"); }));
        EXPECT_EQ(log.Take(), "+17 changed ");
        auto ann = users->Item("17");
        EXPECT_EQ(ann->Name(), "Ann");
        EXPECT_FALSE(ann->IsDirty());
        EXPECT_FALSE(ann->IsNew());
        EXPECT_EQ(users->GetByDatabaseID(ann->DatabaseID()), ann);

        other.Run([](DataSource& o) {
            auto theirs = o.GetUserDescriptionList()->Item("17");
            theirs->SetName("Ann Lee");
            theirs->SetAuthorityLevel(2);
            o.GetUserDescriptionList()->Save();
        });
        ASSERT_TRUE(TakeChangesUntil(ds, [&] { return ann->Name() == "Ann Lee"; }));
        EXPECT_EQ(log.Take(), "~17 ");
        EXPECT_EQ(ann->AuthorityLevel(), 2);
        EXPECT_FALSE(ann->IsDirty());
        EXPECT_FALSE(users->IsDirty());

        // A new UserID re-keys the entry.
        other.Run([](DataSource& o) {
            o.GetUserDescriptionList()->Item("17")->SetUserID("18");
            o.GetUserDescriptionList()->Save();
        });
        ASSERT_TRUE(TakeChangesUntil(ds, [&] { return users->Contains("18"); }));
        EXPECT_FALSE(users->Contains("17"));
        EXPECT_EQ(users->Item("18"), ann);
        EXPECT_EQ(log.Take(), "~18 ");

        other.Run([](DataSource& o) {
            o.GetUserDescriptionList()->Remove("18");
            o.GetUserDescriptionList()->Save();
        });
        ASSERT_TRUE(TakeChangesUntil(ds, [&] { return users->Count() == 0; }));
        EXPECT_EQ(log.Take(), "-18 changed ");
        EXPECT_FALSE(users->IsDirty()); // nothing left to write here

        // What this program saves itself is not heard back.
        users->Add("20", "Bo");
        EXPECT_EQ(log.Take(), "+20 changed ");
        other.Run([](DataSource& o) { o.GetUserDescriptionList()->Add("21", "Cy"); });
        ASSERT_TRUE(TakeChangesUntil(ds, [&] { return users->Contains("21"); }));
        EXPECT_EQ(log.Take(), "+21 changed ");
        EXPECT_EQ(users->Count(), 2);
    });
}

TEST_F(SharedSiteTest, ClocksAndChannelsChangedElsewhereReachTheLists)
{
    OtherProgram other(mSite);
    WithOpenDatabase(mSite, [&](DataSource& ds) {
        auto channels = ds.GetChannelDescriptionList();
        auto clocks = ds.GetReaderDescriptionList();
        EventLog<ChannelDescriptionList> channelLog(*channels, [](auto channel) { return channel->Name(); });
        EventLog<ReaderDescriptionList> clockLog(*clocks, [](auto clock) { return clock->Name(); });

        other.Run([](DataSource& o) {
            auto line = o.GetChannelDescriptionList()->Add(EthernetChannel, "Line");
            o.GetReaderDescriptionList()->Add(3, "Door", line);
        });
        ASSERT_TRUE(TakeChangesUntil(ds, [&] { return channels->Contains("Line") && clocks->Contains("Door"); }));
        EXPECT_EQ(channelLog.Take(), "+Line changed ");
        EXPECT_EQ(clockLog.Take(), "+Door changed ");
        auto door = clocks->Item("Door");
        EXPECT_EQ(door->ReaderID(), 3);
        EXPECT_EQ(door->ChannelDescriptionID(), channels->Item("Line")->DatabaseID());
        EXPECT_NE(std::dynamic_pointer_cast<EthChnlDescription>(channels->Item("Line")), nullptr);

        other.Run([](DataSource& o) {
            o.GetReaderDescriptionList()->Item("Door")->SetLocation("Hall");
            o.GetReaderDescriptionList()->Save();
            o.GetChannelDescriptionList()->Item("Line")->Name(); // unchanged
        });
        ASSERT_TRUE(TakeChangesUntil(ds, [&] { return door->Location() == "Hall"; }));
        EXPECT_EQ(clockLog.Take(), "~Door ");
        EXPECT_EQ(channelLog.Take(), "");
        EXPECT_FALSE(door->IsDirty());

        other.Run([](DataSource& o) {
            o.GetReaderDescriptionList()->Remove("Door");
            o.GetReaderDescriptionList()->Save();
            o.GetChannelDescriptionList()->Remove("Line");
            o.GetChannelDescriptionList()->Save();
        });
        ASSERT_TRUE(TakeChangesUntil(ds, [&] { return channels->Count() == 0 && clocks->Count() == 0; }));
        EXPECT_EQ(clockLog.Take(), "-Door changed ");
        EXPECT_EQ(channelLog.Take(), "-Line changed ");
    });
}

TEST_F(SharedSiteTest, AnEntryWithUnsavedChangesKeepsThemAndItsSaveIsRefusedUntilReloaded)
{
    OtherProgram other(mSite);
    other.Run([](DataSource& o) { o.GetUserDescriptionList()->Add("17", "Ann"); });
    WithOpenDatabase(mSite, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        auto ann = users->Item("17");
        EventLog<UserDescriptionList> log(*users, UserKey);
        ann->SetName("Mine");

        // The marker comes after the change to Ann: once it is in, Ann's change was looked at.
        other.Run([](DataSource& o) {
            o.GetUserDescriptionList()->Item("17")->SetName("Theirs");
            o.GetUserDescriptionList()->Save();
            o.GetUserDescriptionList()->Add("99", "Marker");
        });
        ASSERT_TRUE(TakeChangesUntil(ds, [&] { return users->Contains("99"); }));
        EXPECT_EQ(log.Take(), "+99 changed ");
        EXPECT_EQ(ann->Name(), "Mine");
        EXPECT_TRUE(ann->IsDirty());

        EXPECT_EQ(ErrorNumberOf([&] { users->Save(); }), errc::RowChangedByAnother);
        EXPECT_EQ(ann->Name(), "Mine");
        EXPECT_TRUE(ann->IsDirty());

        EXPECT_TRUE(users->Reload(ann));
        EXPECT_EQ(log.Take(), "~17 ");
        EXPECT_EQ(ann->Name(), "Theirs");
        EXPECT_FALSE(ann->IsDirty());
        EXPECT_FALSE(users->IsDirty());

        // From the current values on, a Save goes through.
        ann->SetName("Mine again");
        users->Save();
    });
    other.Run([](DataSource& o) {
        // The other program's own entry is behind now; it reads it again too.
        auto theirs = o.GetUserDescriptionList()->Item("17");
        EXPECT_TRUE(o.GetUserDescriptionList()->Reload(theirs));
        EXPECT_EQ(theirs->Name(), "Mine again");
    });
}

TEST_F(SharedSiteTest, AnEntryChangedHereAndRemovedElsewhereStaysUntilReloaded)
{
    OtherProgram other(mSite);
    other.Run([](DataSource& o) { o.GetUserDescriptionList()->Add("17", "Ann"); });
    WithOpenDatabase(mSite, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        auto ann = users->Item("17");
        EventLog<UserDescriptionList> log(*users, UserKey);
        ann->SetAuthorityLevel(3);
        other.Run([](DataSource& o) {
            o.GetUserDescriptionList()->Remove("17");
            o.GetUserDescriptionList()->Save();
            o.GetUserDescriptionList()->Add("99", "Marker");
        });
        ASSERT_TRUE(TakeChangesUntil(ds, [&] { return users->Contains("99"); }));
        EXPECT_EQ(log.Take(), "+99 changed ");
        EXPECT_TRUE(users->Contains("17"));

        const auto error = ErrorTextOf([&] { users->Save(); });
        EXPECT_NE(error.find("removed by another user"), std::string::npos) << error;

        EXPECT_TRUE(users->Reload(ann->DatabaseID()));
        EXPECT_EQ(log.Take(), "-17 changed ");
        EXPECT_FALSE(users->Contains("17"));
        EXPECT_FALSE(users->IsDirty());
    });
}

TEST_F(SharedSiteTest, ARemovalRefusedAsChangedElsewhereIsTakenBackByReload)
{
    OtherProgram other(mSite);
    other.Run([](DataSource& o) { o.GetUserDescriptionList()->Add("17", "Ann"); });
    WithOpenDatabase(mSite, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        auto ann = users->Item("17");
        const auto id = ann->DatabaseID();
        users->Remove("17");
        EventLog<UserDescriptionList> log(*users, UserKey);
        other.Run([](DataSource& o) {
            o.GetUserDescriptionList()->Item("17")->SetName("Theirs");
            o.GetUserDescriptionList()->Save();
            o.GetUserDescriptionList()->Add("99", "Marker");
        });
        ASSERT_TRUE(TakeChangesUntil(ds, [&] { return users->Contains("99"); }));
        EXPECT_EQ(log.Take(), "+99 changed ");
        EXPECT_FALSE(users->Contains("17")); // the removal here stays pending

        EXPECT_EQ(ErrorNumberOf([&] { users->Save(); }), errc::RowChangedByAnother);
        EXPECT_TRUE(users->Reload(id));
        EXPECT_EQ(log.Take(), "+17 changed ");
        ASSERT_TRUE(users->Contains("17"));
        EXPECT_EQ(users->Item("17"), ann);
        EXPECT_EQ(ann->Name(), "Theirs");
        EXPECT_FALSE(ann->IsDeleted());
        EXPECT_FALSE(users->IsDirty());
        users->Save(); // nothing pending
    });
    other.Run([](DataSource& o) { EXPECT_TRUE(o.GetUserDescriptionList()->Contains("17")); });
}

TEST_F(SharedSiteTest, AfterALostConnectionTheNextCommandConnectsAndListensAgain)
{
    WithOpenDatabase(mSite, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        zel::test::PgCluster::Query(mSite, "SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity WHERE "
                                           "datname = current_database() AND pid <> pg_backend_pid();");
        // The feed notices the loss: no descriptor until a command connects again.
        ASSERT_TRUE(TakeChangesUntil(ds, [&] { return ds.GetConnection()->ChangeDescriptor() < 0; }));
        users->Add("17", "Ann");
        EXPECT_GE(ds.GetConnection()->ChangeDescriptor(), 0);
        OtherProgram other(mSite);
        other.Run([](DataSource& o) { o.GetUserDescriptionList()->Add("18", "Bo"); });
        ASSERT_TRUE(TakeChangesUntil(ds, [&] { return users->Contains("18"); }));
    });
}

// Notifications sent while the connection is lost never arrive: once it is back, what changed
// meanwhile among the rows the lists hold is found by their versions, without a command here.
TEST_F(SharedSiteTest, ChangesMadeWhileTheConnectionWasLostArriveOnceItIsBack)
{
    OtherProgram other(mSite);
    other.Run([](DataSource& o) {
        o.GetUserDescriptionList()->Add("20", "Cy");
        o.GetUserDescriptionList()->Add("21", "Di");
    });
    WithOpenDatabase(mSite, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        ASSERT_TRUE(users->Contains("21"));
        zel::test::PgCluster::Query(mSite, "SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity WHERE "
                                           "datname = current_database() AND pid <> pg_backend_pid();");
        ASSERT_TRUE(TakeChangesUntil(ds, [&] { return ds.GetConnection()->ChangeDescriptor() < 0; }));
        other.Run([](DataSource& o) {
            auto theirs = o.GetUserDescriptionList();
            theirs->Item("20")->SetName("Cyd");
            theirs->Remove("21");
            theirs->Save();
            theirs->Add("22", "Ed");
        });
        ASSERT_TRUE(TakeChangesUntil(
            ds, [&] { return users->Contains("22") && !users->Contains("21") && users->Item("20")->Name() == "Cyd"; }));
        EXPECT_GE(ds.GetConnection()->ChangeDescriptor(), 0); // listening again
    });
}

TEST_F(SharedSiteTest, AnOlderSiteWithoutTheFeedGainsItWhenOpened)
{
    // As an earlier version left it: no trigger on a table, no record of the layout's version.
    zel::test::PgCluster::Query(mSite, "DROP TRIGGER zel_site_change ON users; DROP TABLE SiteSchema;");
    OtherProgram other(mSite); // opens it for writing: the trigger is made again
    WithOpenDatabase(mSite, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        other.Run([](DataSource& o) { o.GetUserDescriptionList()->Add("17", "Ann"); });
        ASSERT_TRUE(TakeChangesUntil(ds, [&] { return users->Contains("17"); }));
    });
}

} // namespace
