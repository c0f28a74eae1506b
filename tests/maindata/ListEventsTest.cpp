// The change events of the three lists as a view follows them: ItemAdded and ItemRemoved name the
// entry and come just before the ListChanged of the same change; a refused Add or Remove raises
// neither.
#include "MainDataTestSupport.h"
#include "SiteTest.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescriptionList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace zel::data;
using namespace zel::data::test;

namespace {

class ListEventsTest : public SiteTest {
protected:
};

} // namespace

TEST_P(ListEventsTest, UserAddedAndRemovedComeBeforeTheirListChanged)
{
    WithOpenDatabase(mPath, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        std::vector<std::string> log;
        auto added = users->ItemAdded().Subscribe([&](const auto& user) {
            EXPECT_EQ(users->Item(users->Count()), user); // already in the list, last
            EXPECT_NE(user->DatabaseID(), 0);
            log.push_back("added:" + user->UserID());
        });
        auto removed = users->ItemRemoved().Subscribe([&](const auto& user) {
            EXPECT_FALSE(users->Contains(user->UserID())); // already out of the list
            log.push_back("removed:" + user->UserID());
        });
        auto changed = users->ListChanged().Subscribe([&] { log.push_back("changed"); });
        users->Add("1", "Ann");
        users->Add("2", "Bob");
        users->Remove("1");
        EXPECT_EQ(log, (std::vector<std::string>{"added:1", "changed", "added:2", "changed", "removed:1", "changed"}));

        log.clear();
        EXPECT_EQ(ErrorNumberOf([&] { users->Add("2", "Again"); }), 5);
        EXPECT_EQ(ErrorNumberOf([&] { users->Remove("7"); }), 5);
        EXPECT_TRUE(log.empty());
    });
}

TEST_P(ListEventsTest, ClockAndChannelAddedAndRemovedComeBeforeTheirListChanged)
{
    WithOpenDatabase(mPath, [&](DataSource& ds) {
        auto channels = ds.GetChannelDescriptionList();
        auto clocks = ds.GetReaderDescriptionList();
        std::vector<std::string> log;
        auto channelAdded = channels->ItemAdded().Subscribe(
            [&](const auto& channel) { log.push_back("channel added:" + channel->Name()); });
        auto channelRemoved = channels->ItemRemoved().Subscribe(
            [&](const auto& channel) { log.push_back("channel removed:" + channel->Name()); });
        auto channelsChanged = channels->ListChanged().Subscribe([&] { log.push_back("channels changed"); });
        auto clockAdded =
            clocks->ItemAdded().Subscribe([&](const auto& clock) { log.push_back("clock added:" + clock->Name()); });
        auto clockRemoved = clocks->ItemRemoved().Subscribe(
            [&](const auto& clock) { log.push_back("clock removed:" + clock->Name()); });
        auto clocksChanged = clocks->ListChanged().Subscribe([&] { log.push_back("clocks changed"); });

        auto line = channels->Add(DirectChannel, "Line 1");
        clocks->Add(1, "Front", line);
        clocks->Remove("Front");
        channels->Remove("Line 1");
        EXPECT_EQ(log, (std::vector<std::string>{"channel added:Line 1", "channels changed", "clock added:Front",
                                                 "clocks changed", "clock removed:Front", "clocks changed",
                                                 "channel removed:Line 1", "channels changed"}));
    });
}

INSTANTIATE_TEST_SUITE_P(Engines, ListEventsTest, ::testing::Values(Engine::Sqlite, Engine::Postgres), EngineName);
