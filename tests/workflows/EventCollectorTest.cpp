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
        EXPECT_LE(results[0].Known, 1) << "walks back one event, not the whole log";
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

TEST_F(EventCollectorTest, ADroppedLinkLosesNothing)
{
    Punch(1, 1000, 60);
    InSite([&] {
        auto faults = server->Faults();
        faults.DropAfterFrames = 25; // the link goes down in the middle of the log
        server->SetFaults(faults);
        EventCollector collector;
        collector.SetBatchSize(10);
        auto results = collector.Run({Clock("Front")});
        ASSERT_EQ(results.size(), 1u);
        EXPECT_NE(results[0].Result.Outcome, ClockOutcome::Done);
        EXPECT_GT(results[0].New, 0);
        EXPECT_LT(results[0].New, 60);

        server->SetFaults({});
        results = EventCollector().Run({Clock("Front")});
        EXPECT_EQ(results[0].Result.Outcome, ClockOutcome::Done) << results[0].Result.Detail;
        EXPECT_EQ(StoredUsers(Clock("Front")->DatabaseID()), Range(1000, 60));
    });
}

// A collector that dies after reading events it never stored: the clock's reading position is
// past them, and the next collection must walk back to read them again.
TEST_F(EventCollectorTest, AKilledCollectorLosesNothing)
{
    Punch(1, 300, 40);
    InSite([&] {
        auto channel = zel::support::ChannelFactory().CreateEthernetChannel("127.0.0.1", server->Port());
        channel->Connect();
        auto reader = channel->GetReader(1);
        EventCollector collector;
        collector.SetBatchSize(10);
        struct Killed {};
        collector.SetProgress([&](const auto&, std::int32_t stored, std::int32_t) {
            if (stored == 20) {
                for (int i = 0; i < 7; ++i) // read, never stored
                    reader->GetNextDataLogElement();
                throw Killed{};
            }
        });
        zel::data::EventStore store;
        EventCollection partial;
        EXPECT_THROW(collector.Collect(*reader, Clock("Front"), store, partial), Killed);
        channel->Disconnect();
        EXPECT_EQ(store.CountForClock(Clock("Front")->DatabaseID()), 20);

        auto results = EventCollector().Run({Clock("Front")});
        EXPECT_EQ(results[0].Result.Outcome, ClockOutcome::Done) << results[0].Result.Detail;
        EXPECT_EQ(results[0].New, 20);
        EXPECT_EQ(StoredUsers(Clock("Front")->DatabaseID()), Range(300, 40));
    });
}

TEST_F(EventCollectorTest, AWrappedLogIsReported)
{
    Punch(1, 1, 5);
    InSite([&] {
        EXPECT_EQ(EventCollector().Run({Clock("Front")})[0].New, 5);
        // More than the log holds (1000 events) while nobody collects.
        Punch(1, 10000, 1200);
        auto results = EventCollector().Run({Clock("Front")});
        EXPECT_TRUE(results[0].Wrapped);
        EXPECT_EQ(results[0].New, 1000);
        EXPECT_NE(results[0].Result.Detail.find("missing"), std::string::npos) << results[0].Result.Detail;

        Punch(1, 20000, 2);
        results = EventCollector().Run({Clock("Front")});
        EXPECT_FALSE(results[0].Wrapped);
        EXPECT_EQ(results[0].New, 2);
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

TEST_F(EventCollectorTest, CancelStopsAndKeepsWhatWasRead)
{
    Punch(1, 1, 50);
    InSite([&] {
        EventCollector collector;
        collector.SetBatchSize(10);
        collector.SetProgress([&](const auto&, std::int32_t stored, std::int32_t) {
            if (stored >= 20)
                collector.Cancel();
        });
        auto results = collector.Run(Clocks());
        EXPECT_EQ(results[0].Result.Outcome, ClockOutcome::Cancelled);
        EXPECT_EQ(results[0].New, 20);
        EXPECT_EQ(results[1].Result.Outcome, ClockOutcome::Cancelled);
        auto rest = EventCollector().Run({Clock("Front")});
        EXPECT_EQ(rest[0].New, 30);
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
