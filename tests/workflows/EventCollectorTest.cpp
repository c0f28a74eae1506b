// Event collection end to end: a temporary site with clocks on the in-process emulator. Each test
// runs in a thread of its own, because the site database keeps one connection per thread.
#include <gtest/gtest.h>

#include "clocksim/ClockUser.h"
#include "clocksim/Server.h"
#include "zel/Error.h"
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/EthChnlDescription.h"
#include "zel/data/EventStore.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescriptionList.h"
#include "zel/support/ChannelFactory.h"
#include "zel/support/IReader.h"
#include "zel/workflows/EventCollector.h"
#include "zel/workflows/EventKinds.h"

#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using zel::workflows::ClockOutcome;
using zel::workflows::EventCollection;
using zel::workflows::EventCollector;

constexpr int kPunch = 7; // identity verified

zel::sim::UserId Id(int number)
{
    return *zel::sim::UserIdFromText(std::to_string(number));
}

class EventCollectorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("ZEL_TIMEOUT_MS", "300", 1);
        server = std::make_unique<zel::sim::Server>();
        server->AddClock(1, zel::sim::ClockModel::Base);
        server->AddClock(2, zel::sim::ClockModel::Vt9);
        server->Start();
        folder = fs::temp_directory_path() / ("event-collector-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        site = (folder / "zel.mdb").string();
        zel::data::DataSource::CreateDatabase(site);
    }

    void TearDown() override
    {
        server->Stop();
        fs::remove_all(folder);
    }

    // Runs `body` in a new thread with the site open (read-write unless told otherwise).
    void InSite(const std::function<void()>& body, zel::data::OpenMode mode = zel::data::OpenMode::ReadWrite)
    {
        std::thread([&] {
            zel::data::DataSource data;
            data.OpenDatabase(site, mode);
            if (mode == zel::data::OpenMode::ReadWrite && data.GetReaderDescriptionList()->Count() == 0)
                MakeClocks(data);
            body();
            data.CloseDatabase();
        }).join();
    }

    void MakeClocks(zel::data::DataSource& data)
    {
        auto channels = data.GetChannelDescriptionList();
        auto line = std::dynamic_pointer_cast<zel::data::EthChnlDescription>(
            channels->Add(zel::data::EthernetChannel, "Line A"));
        line->SetIPAddress("127.0.0.1");
        line->SetIPPort(server->Port());
        channels->Save();
        auto clocks = data.GetReaderDescriptionList();
        clocks->Add(1, "Front", channels->Item("Line A"));
        clocks->Add(2, "Back", channels->Item("Line A"));
        clocks->Save();
    }

    std::vector<std::shared_ptr<zel::data::ReaderDescription>> Clocks()
    {
        std::vector<std::shared_ptr<zel::data::ReaderDescription>> all;
        auto list = zel::data::DataSource().GetReaderDescriptionList();
        for (int i = 1; i <= list->Count(); ++i)
            all.push_back(list->Item(i));
        return all;
    }

    std::shared_ptr<zel::data::ReaderDescription> Clock(const std::string& name)
    {
        for (auto& clock : Clocks())
            if (clock->Name() == name)
                return clock;
        return nullptr;
    }

    // Punches of users first..first+count-1 on a clock (distinct, so every event has its own key).
    void Punch(std::uint8_t readerId, int first, int count)
    {
        for (int i = 0; i < count; ++i) {
            auto id = Id(first + i);
            server->Clock(readerId).LogEvent(kPunch, &id);
        }
    }

    // The user IDs stored for a clock, each once; fails when one is stored twice.
    std::set<std::string> StoredUsers(std::int32_t clockID)
    {
        zel::data::EventFilter filter;
        filter.ClockIDs = {clockID};
        std::set<std::string> users;
        zel::data::EventStore().ForEach(filter, [&](const zel::data::StoredEvent& e) {
            EXPECT_TRUE(users.insert(e.UserID).second) << "stored twice: " << e.UserID;
        });
        return users;
    }

    // The time stamp the site stored for the n-th event (1-based) a clock logged.
    std::string StoredTime(std::uint8_t readerId, std::size_t n)
    {
        zel::data::EventFilter filter;
        filter.UserID = std::to_string(n <= 5 ? n : 10000 + (n - 6));
        filter.ClockIDs = {Clock(readerId == 1 ? "Front" : "Back")->DatabaseID()};
        const auto page = zel::data::EventStore().Page(filter, 0, 1);
        return page.empty() ? std::string("(not stored)") : page.front().TimeStamp;
    }

    static std::set<std::string> Range(int first, int count)
    {
        std::set<std::string> ids;
        for (int i = first; i < first + count; ++i)
            ids.insert(std::to_string(i));
        return ids;
    }

    std::unique_ptr<zel::sim::Server> server;
    fs::path folder;
    std::string site;
};

TEST_F(EventCollectorTest, CollectsTwoClocksOnOneChannelAndThenOnlyWhatIsNew)
{
    Punch(1, 100, 30);
    Punch(2, 500, 5);
    InSite([&] {
        EventCollector collector;
        collector.SetBatchSize(7);
        auto results = collector.Run(Clocks());
        ASSERT_EQ(results.size(), 2u);
        EXPECT_EQ(results[0].Result.Outcome, ClockOutcome::Done) << results[0].Result.Detail;
        EXPECT_EQ(results[0].New, 30);
        EXPECT_EQ(results[0].Known, 0);
        EXPECT_EQ(results[1].New, 5);
        EXPECT_FALSE(results[0].Wrapped);
        EXPECT_EQ(StoredUsers(Clock("Front")->DatabaseID()), Range(100, 30));
        EXPECT_EQ(StoredUsers(Clock("Back")->DatabaseID()), Range(500, 5));

        Punch(1, 200, 3);
        results = EventCollector().Run(Clocks());
        EXPECT_EQ(results[0].New, 3);
        EXPECT_EQ(results[0].Known, 0) << "reads on after the last event stored, nothing again";
        EXPECT_EQ(results[1].New, 0);
        EXPECT_EQ(zel::data::EventStore().Count({}), 38);
    });
}

TEST_F(EventCollectorTest, StoresTheUserIDAndNothingTwice)
{
    Punch(1, 42, 1);
    server->Clock(1).LogEvent(41); // memory cleared: no user
    InSite([&] {
        EventCollector().Run({Clock("Front")});
        auto events = zel::data::EventStore().Page({}, 0, 10);
        ASSERT_EQ(events.size(), 2u);
        std::set<std::string> users{events[0].UserID, events[1].UserID};
        EXPECT_EQ(users, (std::set<std::string>{"42", ""}));
        EXPECT_EQ(events[0].ClockName, "Front");
        EXPECT_EQ(events[0].ReaderID, 1);

        zel::data::EventStore store;
        auto again = events;
        EXPECT_EQ(store.Add(again), 0) << "an event read twice is stored once";
        EXPECT_EQ(store.Count({}), 2);
    });
}

// Payroll after a leaver: the punches name the user as the site knew them when they were collected.
TEST_F(EventCollectorTest, APunchKeepsTheNameOfAUserWhoHasLeftSince)
{
    Punch(1, 42, 1);
    Punch(1, 43, 1);
    InSite([&] {
        auto users = zel::data::DataSource().GetUserDescriptionList();
        users->Add("42", "Ann Lee");
        EventCollector().Run({Clock("Front")});
        users->Remove("42");
        users->Save();
        users->Add("43", "Came later");
        std::map<std::string, std::string> names;
        zel::data::EventStore().ForEach({}, [&](const zel::data::StoredEvent& e) { names[e.UserID] = e.UserName; });
        EXPECT_EQ(names, (std::map<std::string, std::string>{{"42", "Ann Lee"}, {"43", "Came later"}}));
    });
}

// The line drops in the middle of a bulk read (after the clock answered a few frames of 64
// events): what came is stored, and the next collection reads on from there, nothing twice.
TEST_F(EventCollectorTest, ADroppedLinkLosesNothing)
{
    Punch(1, 1000, 400);
    InSite([&] {
        auto faults = server->Faults();
        faults.DropAfterFrames = 5; // selection, reader info, selection, two answers of the log
        server->SetFaults(faults);
        auto results = EventCollector().Run({Clock("Front")});
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(results[0].Result.Outcome, ClockOutcome::Failed);
        EXPECT_EQ(results[0].New, 128);

        server->SetFaults({});
        results = EventCollector().Run({Clock("Front")});
        EXPECT_EQ(results[0].Result.Outcome, ClockOutcome::Done) << results[0].Result.Detail;
        EXPECT_EQ(results[0].New, 400 - 128);
        EXPECT_EQ(results[0].Known, 0);
        EXPECT_EQ(StoredUsers(Clock("Front")->DatabaseID()), Range(1000, 400));
    });
}

// A collection that ends in the middle (an error, Cancel) and a clock whose cursor another program
// moved since: the next collection reads on after the last event stored, by serial number.
TEST_F(EventCollectorTest, AnInterruptedCollectionGoesOnFromTheLastEventStored)
{
    Punch(1, 300, 200);
    InSite([&] {
        auto channel = zel::support::ChannelFactory().CreateEthernetChannel("127.0.0.1", server->Port());
        channel->Connect();
        auto reader = channel->GetReader(1);
        struct Killed {};
        struct Case {
            const char* Name;
            bool Kill;
        };
        for (const Case& c : {Case{"killed", true}, Case{"cancelled", false}}) {
            SCOPED_TRACE(c.Name);
            EventCollector collector;
            collector.SetProgress([&](const auto&, std::int32_t, std::int32_t) {
                for (int i = 0; i < 7; ++i) // moves the clock's cursor on
                    reader->GetNextDataLogElement();
                if (c.Kill)
                    throw Killed{};
                collector.Cancel();
            });
            zel::data::EventStore store;
            EventCollection partial;
            if (c.Kill) {
                EXPECT_THROW(collector.Collect(*reader, Clock("Front"), store, partial), Killed);
            } else {
                collector.Collect(*reader, Clock("Front"), store, partial);
                EXPECT_EQ(partial.Result.Outcome, ClockOutcome::Cancelled);
            }
            EXPECT_EQ(partial.New, 64) << "one answer of the clock";
        }
        channel->Disconnect();

        auto results = EventCollector().Run({Clock("Front")});
        EXPECT_EQ(results[0].Result.Outcome, ClockOutcome::Done) << results[0].Result.Detail;
        EXPECT_EQ(results[0].New, 200 - 128);
        EXPECT_EQ(results[0].Known, 0);
        EXPECT_EQ(StoredUsers(Clock("Front")->DatabaseID()), Range(300, 200));
    });
}

// Every event the clock logged is stored once or counted lost, with the time span of the loss.
TEST_F(EventCollectorTest, TheReconciliationAccountsForEveryEvent)
{
    Punch(1, 1, 5);
    InSite([&] {
        const auto before = server->FramesAnswered();
        auto first = EventCollector().Run({Clock("Front")})[0];
        EXPECT_EQ(first.Held, 5);
        EXPECT_EQ(first.Unread, 5);
        EXPECT_EQ(first.Capacity, 1000);
        EXPECT_EQ(first.Lost, 0);
        EXPECT_LE(server->FramesAnswered() - before, 4u) << "select, reader info, select, one answer";

        // More than the log holds (1000 events) while nobody collects.
        Punch(1, 10000, 1200);
        auto wrapped = EventCollector().Run({Clock("Front")})[0];
        EXPECT_TRUE(wrapped.Wrapped);
        EXPECT_EQ(wrapped.Held, 1000);
        EXPECT_EQ(wrapped.New, 1000);
        EXPECT_EQ(wrapped.Lost, 200) << "5 + 1200 logged, 5 collected before, 1000 held";
        EXPECT_EQ(wrapped.LostFrom, StoredTime(1, 5));
        EXPECT_EQ(wrapped.LostTo, StoredTime(1, 206));
        EXPECT_NE(wrapped.Result.Detail.find("200 events were lost"), std::string::npos) << wrapped.Result.Detail;

        Punch(1, 20000, 2);
        auto after = EventCollector().Run({Clock("Front")})[0];
        EXPECT_FALSE(after.Wrapped);
        EXPECT_EQ(after.New, 2);
        EXPECT_EQ(after.Unread, 2);

        // Kept with the collections: events status tells the loss ever after.
        const auto summary = zel::data::EventStore().CollectionSummary();
        ASSERT_EQ(summary.size(), 1u);
        EXPECT_EQ(summary[0].Collections, 3);
        EXPECT_EQ(summary[0].LostEver, 200);
        EXPECT_TRUE(summary[0].EverLost());
        EXPECT_EQ(summary[0].Last.New, 2);
        EXPECT_EQ(summary[0].Last.Outcome, "done");
    });
}

// A clock whose firmware lacks the bulk read is read element by element, and once it learns the
// bulk read (new firmware) nothing is stored twice.
TEST_F(EventCollectorTest, AClockWithoutTheBulkReadIsReadTheOldWay)
{
    server->Clock(1).SetBulkLogRead(false);
    Punch(1, 100, 12);
    InSite([&] {
        auto first = EventCollector().Run({Clock("Front")})[0];
        EXPECT_EQ(first.Result.Outcome, ClockOutcome::Done) << first.Result.Detail;
        EXPECT_EQ(first.New, 12);
        EXPECT_EQ(StoredUsers(Clock("Front")->DatabaseID()), Range(100, 12));

        Punch(1, 200, 3);
        auto again = EventCollector().Run({Clock("Front")})[0];
        EXPECT_EQ(again.New, 3);

        server->Clock(1).SetBulkLogRead(true);
        Punch(1, 300, 2);
        auto upgraded = EventCollector().Run({Clock("Front")})[0];
        EXPECT_EQ(upgraded.Result.Outcome, ClockOutcome::Done) << upgraded.Result.Detail;
        EXPECT_EQ(upgraded.New, 2);
        EXPECT_EQ(upgraded.Lost, 0) << upgraded.Result.Detail;
        EXPECT_EQ(zel::data::EventStore().Count({}), 17);
    });
}

TEST_F(EventCollectorTest, AReadOnlySiteIsRefusedBeforeAnyClockIsAsked)
{
    Punch(1, 1, 3);
    InSite([] {}); // makes the clocks
    InSite(
        [&] {
            const auto before = server->FramesAnswered();
            try {
                EventCollector().Run(Clocks());
                FAIL() << "collected into a read-only site";
            } catch (const zel::Error& error) {
                EXPECT_EQ(error.Number(), 3027);
            }
            EXPECT_EQ(server->FramesAnswered(), before);
            EXPECT_EQ(zel::data::EventStore().Count({}), 0);
        },
        zel::data::OpenMode::ReadOnly);
}

TEST_F(EventCollectorTest, CancelBeforeAClockIsReachedLeavesItAlone)
{
    Punch(1, 1, 50);
    Punch(2, 100, 5);
    InSite([&] {
        const auto before = server->FramesAnswered();
        EventCollector collector;
        collector.Cancel();
        auto results = collector.Run(Clocks());
        ASSERT_EQ(results.size(), 2u);
        for (const auto& r : results)
            EXPECT_EQ(r.Result.Outcome, ClockOutcome::Cancelled) << r.Result.Detail;
        EXPECT_EQ(server->FramesAnswered(), before);
        EXPECT_EQ(zel::data::EventStore().Count({}), 0);
    });
}

TEST_F(EventCollectorTest, AClockStartedWithALongLogIsCollectedWhole)
{
    server->Clock(2).LogPastPunches(1500); // more than the log holds by default: it grows
    EXPECT_EQ(server->Clock(2).Events().size(), 1500u);
    InSite([&] {
        auto results = EventCollector().Run({Clock("Back")});
        EXPECT_EQ(results[0].Result.Outcome, ClockOutcome::Done) << results[0].Result.Detail;
        EXPECT_EQ(results[0].New, 1500) << "one a minute: every event has its own time stamp";
        EXPECT_FALSE(results[0].Wrapped);
    });
}

TEST(EventKindsTest, TextsCategoriesAndUserIDs)
{
    using namespace zel::workflows;
    EXPECT_EQ(EventKindText(7), "Identity verified");
    EXPECT_EQ(EventKindText(51), "Time restrictions");
    EXPECT_EQ(EventKindText(99), "Unknown event (99)");
    EXPECT_EQ(CategoryOf(7), EventCategory::Punch);
    EXPECT_EQ(CategoryOf(24), EventCategory::Setup);
    std::array<std::uint8_t, 6> data1{0x00, 0x00, 0x00, 0x00, 0x42, 0xFF};
    EXPECT_EQ(EventUserID(7, data1), "42");
    EXPECT_EQ(EventUserID(24, data1), "") << "time set carries no user";
    data1[0] = 0xA0;
    EXPECT_EQ(EventUserID(7, data1), "") << "not decimal digits";
    std::size_t all = 0;
    for (auto category : kAllCategories)
        all += FormatTypesOf(category).size();
    EXPECT_EQ(all, 51u) << "every kind but the empty one falls in exactly one category";
}

} // namespace
