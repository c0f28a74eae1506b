// What the lists keep beside their entries: the look-up by DatabaseID and by Name after renames,
// removes and failed saves, and the queue of changed entries that a Save writes (in list order,
// also for a change made while an earlier Save failed or while a Save raises its events).
#include "MainDataTestSupport.h"
#include "SiteTest.h"

#include "zel/data/ChannelDescriptionBase.h"
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescriptionList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace zel::data;
using namespace zel::data::test;

namespace {

class ListTrackingTest : public SiteTest {};

// The UserIDs of the users whose change events `list` raises while `action` runs.
std::vector<std::string> ChangedDuring(UserDescriptionList& list, const std::function<void()>& action)
{
    std::vector<std::string> changed;
    auto sub = list.ListItemChanged().Subscribe([&](const auto& user) { changed.push_back(user->UserID()); });
    action();
    return changed;
}

} // namespace

TEST_P(ListTrackingTest, UserByDatabaseIDFollowsRenamesRemovesAndFailedInsertions)
{
    WithOpenDatabase(mPath, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        auto ann = users->Add("1", "Ann");
        auto bob = users->Add("2", "Bob");
        auto cy = users->Add("3", "Cy");
        EXPECT_EQ(users->GetByDatabaseID(bob->DatabaseID()), bob);

        bob->SetUserID("20"); // moves to the end
        EXPECT_EQ(users->GetByDatabaseID(bob->DatabaseID()), bob);
        users->Remove("1");
        EXPECT_EQ(users->GetByDatabaseID(ann->DatabaseID()), nullptr);
        users->Save();
        EXPECT_EQ(users->GetByDatabaseID(ann->DatabaseID()), nullptr);
        EXPECT_EQ(users->GetByDatabaseID(cy->DatabaseID()), cy);

        // A refused insertion leaves the user in the list without a row: found under 0 until a
        // Save inserts it.
        RefuseWhen("late", "Users", "INSERT", "NEW.Name = 'Late'");
        EXPECT_NE(ErrorNumberOf([&] { users->Add("4", "Late"); }), 0);
        auto late = users->Item(std::string("4"));
        EXPECT_EQ(users->GetByDatabaseID(0), late);
        EXPECT_NE(ErrorNumberOf([&] { users->Save(); }), 0);
        EXPECT_EQ(users->GetByDatabaseID(0), late);
        AllowAgain("late", "Users");
        users->Save();
        EXPECT_NE(late->DatabaseID(), 0);
        EXPECT_EQ(users->GetByDatabaseID(late->DatabaseID()), late);
        EXPECT_EQ(users->GetByDatabaseID(0), nullptr);
    });
    // A new load finds the same users by their IDs.
    WithOpenDatabase(mPath, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        for (const auto& user : users->Items())
            EXPECT_EQ(users->GetByDatabaseID(user->DatabaseID()), user);
        EXPECT_EQ(users->Count(), 3);
    });
}

TEST_P(ListTrackingTest, ClockAndChannelByDatabaseIDFollowRenamesAndRemoves)
{
    WithOpenDatabase(mPath, [&](DataSource& ds) {
        auto channels = ds.GetChannelDescriptionList();
        auto clocks = ds.GetReaderDescriptionList();
        auto line = channels->Add(DirectChannel, "Line");
        auto other = channels->Add(DirectChannel, "Other");
        auto front = clocks->Add(1, "Front", line);
        auto back = clocks->Add(2, "Back", line);
        front->SetName("Gate");
        std::dynamic_pointer_cast<ChannelDescriptionBase>(line)->SetName("Line A");
        EXPECT_EQ(clocks->GetByDatabaseID(front->DatabaseID()), front);
        EXPECT_EQ(channels->GetByDatabaseID(line->DatabaseID()), line);
        clocks->Remove("Back");
        channels->Remove("Other");
        EXPECT_EQ(clocks->GetByDatabaseID(back->DatabaseID()), nullptr);
        EXPECT_EQ(channels->GetByDatabaseID(other->DatabaseID()), nullptr);
        clocks->Save();
        channels->Save();
        EXPECT_FALSE(clocks->IsDirty());
        EXPECT_FALSE(channels->IsDirty());
        EXPECT_EQ(clocks->GetByDatabaseID(front->DatabaseID()), front);
    });
    EXPECT_EQ(Sql("SELECT Name FROM Readers ORDER BY ID; SELECT Name FROM Channels ORDER BY ID;"), "Gate\nLine A\n");
}

TEST_P(ListTrackingTest, NameHeldByOtherFollowsNameChangesAddsAndRemoves)
{
    WithOpenDatabase(mPath, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        auto ann = users->Add("1", "Ann");
        auto bob = users->Add("2", "Bob");
        EXPECT_TRUE(users->NameHeldByOther("Ann", bob.get()));
        EXPECT_FALSE(users->NameHeldByOther("Ann", ann.get()));
        EXPECT_FALSE(users->NameHeldByOther("ann", nullptr)); // letter case counts

        ann->SetName("Anna");
        EXPECT_FALSE(users->NameHeldByOther("Ann", nullptr));
        EXPECT_TRUE(users->NameHeldByOther("Anna", bob.get()));
        auto cy = users->Add("3", "Cy");
        EXPECT_TRUE(users->NameHeldByOther("Cy", nullptr));
        users->Remove("3");
        EXPECT_FALSE(users->NameHeldByOther("Cy", nullptr));
        cy->SetName("Bob"); // a removed user is in no list
        EXPECT_FALSE(users->NameHeldByOther("Bob", bob.get()));

        EXPECT_EQ(users->LongestUserID(), 1u);
        bob->SetUserID("00002");
        EXPECT_EQ(users->LongestUserID(), 5u);
    });
}

TEST_P(ListTrackingTest, ChangesAreWrittenInListOrderNotInTheOrderMade)
{
    WithOpenDatabase(mPath, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        for (const char* id : {"1", "2", "3"})
            users->Add(id, "x");
        users->Item(std::string("3"))->SetName("c");
        users->Item(std::string("1"))->SetName("a");
        EXPECT_EQ(ChangedDuring(*users, [&] { users->Save(); }), (std::vector<std::string>{"1", "3"}));

        users->Item(std::string("1"))->SetUserID("10"); // now last
        users->Item(std::string("2"))->SetName("b");
        EXPECT_EQ(ChangedDuring(*users, [&] { users->Save(); }), (std::vector<std::string>{"2", "10"}));
        EXPECT_TRUE(ChangedDuring(*users, [&] { users->Save(); }).empty());
    });
}

TEST_P(ListTrackingTest, AChangeMadeAfterAFailedSaveIsWrittenWithTheOthers)
{
    WithOpenDatabase(mPath, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        for (const char* id : {"1", "2", "3"})
            users->Add(id, "x");
        RefuseWhen("stop", "Users", "UPDATE", "NEW.Name = 'three'");
        users->Item(std::string("3"))->SetName("three");
        EXPECT_EQ(ErrorNumberOf([&] { users->Save(); }), errc::StoreError);
        users->Item(std::string("1"))->SetName("one"); // made while the first change waits
        EXPECT_EQ(ErrorNumberOf([&] { users->Save(); }), errc::StoreError);
        EXPECT_TRUE(users->Item(std::string("1"))->IsDirty());
        EXPECT_TRUE(users->Item(std::string("3"))->IsDirty());
        AllowAgain("stop", "Users");
        EXPECT_EQ(ChangedDuring(*users, [&] { users->Save(); }), (std::vector<std::string>{"1", "3"}));
        EXPECT_FALSE(users->IsDirty());
    });
    EXPECT_EQ(Sql("SELECT UserID, Name FROM Users ORDER BY ID;"), "1|one\n2|x\n3|three\n");
}

TEST_P(ListTrackingTest, AChangeMadeByAChangeEventIsLeftForTheNextSave)
{
    WithOpenDatabase(mPath, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        auto ann = users->Add("1", "Ann");
        auto bob = users->Add("2", "Bob");
        bool once = true;
        auto sub = users->ListItemChanged().Subscribe([&](const auto& user) {
            if (user == ann && std::exchange(once, false)) {
                ann->SetAuthorityLevel(3); // the user just written
                bob->SetName("Bo");        // and another one
            }
        });
        ann->SetName("Anna");
        users->Save();
        EXPECT_TRUE(ann->IsDirty());
        EXPECT_TRUE(bob->IsDirty());
        EXPECT_TRUE(users->IsDirty());
        users->Save();
        EXPECT_FALSE(users->IsDirty());
    });
    EXPECT_EQ(Sql("SELECT UserID, Name, AuthorityLevel FROM Users ORDER BY ID;"), "1|Anna|3\n2|Bo|0\n");
}

INSTANTIATE_TEST_SUITE_P(Engines, ListTrackingTest, ::testing::Values(Engine::Sqlite, Engine::Postgres), EngineName);
