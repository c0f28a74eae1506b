// Change tracking of the three lists against a file that holds each key once: renames of removed
// descriptions, adding a key that a pending change frees, keys changed in a ring, the new row's ID
// checked inside its transaction, and saves that are written whole or not at all.
#include "MainDataTestSupport.h"
#include "SiteTest.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/DirChnlDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescriptionList.h"

#include <gtest/gtest.h>

using namespace zel::data;
using namespace zel::data::test;

namespace {

class ChangeTrackingTest : public SiteTest {
protected:
    void WithSite(const std::function<void(DataSource&)>& body) { WithOpenDatabase(mPath, body); }
};

template <typename List> std::vector<std::string> Keys(const List& list)
{
    std::vector<std::string> keys;
    for (const auto& item : list.Items())
        keys.push_back(item->ToString());
    return keys;
}

} // namespace

TEST_P(ChangeTrackingTest, RenamingARemovedUserChangesNothingAndRaisesError5)
{
    WithSite([&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        auto first = users->Add("17", "Ann");
        users->Remove("17");
        auto second = users->Add("17", "Bo");
        EXPECT_EQ(ErrorNumberOf([&] { first->SetUserID("18"); }), errc::InvalidArgument);
        EXPECT_EQ(ErrorTextOf([&] { first->SetUserID("18"); }), "Old User ID does not exist.");
        EXPECT_EQ(first->UserID(), "17");
        EXPECT_EQ(users->Item("17"), second);
        EXPECT_FALSE(users->Contains("18"));
        users->Save();
        // Also once the removal is saved.
        EXPECT_EQ(ErrorNumberOf([&] { first->SetUserID("18"); }), errc::InvalidArgument);
        EXPECT_EQ(users->Item("17"), second);
    });
    EXPECT_EQ(Sql("SELECT UserID, Name FROM Users;"), "17|Bo\n");
}

TEST_P(ChangeTrackingTest, RenamingARemovedClockOrChannelChangesNothingAndRaisesError5)
{
    WithSite([&](DataSource& ds) {
        auto channels = ds.GetChannelDescriptionList();
        auto line = channels->Add(DirectChannel, "Line");
        auto clocks = ds.GetReaderDescriptionList();
        auto gate = clocks->Add(1, "Gate", line);
        clocks->Remove("Gate");
        auto again = clocks->Add(2, "Gate", line);
        EXPECT_EQ(ErrorTextOf([&] { gate->SetName("Hall"); }), "Reader 'Gate' does not exist.");
        EXPECT_EQ(gate->Name(), "Gate");
        EXPECT_EQ(clocks->Item("Gate"), again);

        auto direct = std::dynamic_pointer_cast<DirChnlDescription>(line);
        channels->Remove("Line");
        auto other = channels->Add(DirectChannel, "Line");
        EXPECT_EQ(ErrorTextOf([&] { direct->SetName("Office"); }), "The channel name 'Line' does not exist.");
        EXPECT_EQ(direct->Name(), "Line");
        EXPECT_EQ(channels->Item("line"), other);
        EXPECT_FALSE(channels->Contains("Office"));
        clocks->Save();
        channels->Save();
    });
    EXPECT_EQ(Sql("SELECT Name, ReaderID FROM Readers; SELECT count(*) FROM Channels;"), "Gate|2\n1\n");
}

TEST_P(ChangeTrackingTest, APendingRemoveOrRenameAndAnAddOfTheOldKeyNeverMakeTwoRows)
{
    WithSite([&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        users->Add("17", "Ann");
        users->Remove("17");
        auto bo = users->Add("17", "Bo"); // the removal is written first
        EXPECT_FALSE(users->IsDirty());
        EXPECT_EQ(Sql("SELECT UserID, Name FROM Users;"), "17|Bo\n");

        bo->SetUserID("18"); // pending
        auto cy = users->Add("17", "Cy");
        EXPECT_FALSE(bo->IsDirty());
        EXPECT_EQ(Sql("SELECT UserID, Name FROM Users ORDER BY UserID;"), "17|Cy\n18|Bo\n");

        // With no pending change on the key, Add writes only its own row.
        cy->SetName("Cy Lee");
        users->Add("19", "Di");
        EXPECT_TRUE(cy->IsDirty());
        users->Save();
    });
    EXPECT_EQ(Sql("SELECT UserID, Name FROM Users ORDER BY UserID;"), "17|Cy Lee\n18|Bo\n19|Di\n");
    WithSite([&](DataSource& ds) { EXPECT_EQ(ds.GetUserDescriptionList()->Count(), 3); });
}

TEST_P(ChangeTrackingTest, ClocksAndChannelsTakeBackAPendingKeyToo)
{
    WithSite([&](DataSource& ds) {
        auto channels = ds.GetChannelDescriptionList();
        auto line = channels->Add(DirectChannel, "Line");
        std::dynamic_pointer_cast<DirChnlDescription>(line)->SetName("Old Line");
        auto again = channels->Add(DirectChannel, "LINE");
        channels->Remove("Old Line");
        channels->Add(DirectChannel, "old line");

        auto clocks = ds.GetReaderDescriptionList();
        auto gate = clocks->Add(1, "Gate", again);
        gate->SetName("Hall");
        clocks->Add(2, "gate", again);
        clocks->Remove("Hall");
        clocks->Add(3, "HALL", again);
    });
    EXPECT_EQ(Sql("SELECT Name FROM Channels ORDER BY Name; SELECT Name, ReaderID FROM Readers ORDER BY ReaderID;"),
              "LINE\nold line\ngate|2\nHALL|3\n");
}

TEST_P(ChangeTrackingTest, KeysChangedInARingAreSavedInOneGo)
{
    WithSite([&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        auto a = users->Add("1", "A");
        auto b = users->Add("2", "B");
        auto c = users->Add("3", "C");
        // 1 -> 2 -> 3 -> 1, through a free key.
        c->SetUserID("9");
        b->SetUserID("3");
        a->SetUserID("2");
        c->SetUserID("1");
        auto d = users->Add("4", "D"); // takes no key of the ring: written on its own
        EXPECT_TRUE(a->IsDirty());
        users->Save();
        EXPECT_FALSE(users->IsDirty());

        auto channels = ds.GetChannelDescriptionList();
        auto x = std::dynamic_pointer_cast<DirChnlDescription>(channels->Add(DirectChannel, "X"));
        auto y = std::dynamic_pointer_cast<DirChnlDescription>(channels->Add(DirectChannel, "Y"));
        x->SetName("Z");
        y->SetName("X");
        x->SetName("Y");
        channels->Save();
    });
    EXPECT_EQ(Sql("SELECT UserID, Name FROM Users ORDER BY UserID;"), "1|C\n2|A\n3|B\n4|D\n");
    EXPECT_EQ(Sql("SELECT ID, Name FROM Channels ORDER BY ID;"), "1|Y\n2|X\n");
    WithSite([&](DataSource& ds) { EXPECT_EQ(ds.GetUserDescriptionList()->Item("1")->Name(), "C"); });
}

TEST_P(ChangeTrackingTest, ANewRowWhoseIdDoesNotFit32BitsIsNotKept)
{
    WithSite([&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        auto channels = ds.GetChannelDescriptionList();
        auto clocks = ds.GetReaderDescriptionList();
        auto line = channels->Add(DirectChannel, "Line");
        users->Add("1", "A");
        clocks->Add(1, "Gate", line);
        for (const char* table : {"Users", "Readers", "Channels"})
            SetLastID(table, 2147483647);

        EXPECT_EQ(ErrorNumberOf([&] { users->Add("17", "Ann"); }), errc::Overflow);
        EXPECT_TRUE(users->Item("17")->IsNew()); // as any failed insertion: the next Save tries again
        EXPECT_EQ(ErrorNumberOf([&] { users->Save(); }), errc::Overflow);
        EXPECT_EQ(ErrorNumberOf([&] { users->Save(); }), errc::Overflow);

        EXPECT_EQ(ErrorNumberOf([&] { clocks->Add(2, "Hall", line); }), errc::Overflow);
        EXPECT_FALSE(clocks->Contains("Hall"));
        EXPECT_EQ(ErrorNumberOf([&] { channels->Add(EthernetChannel, "Office"); }), errc::Overflow);
        EXPECT_FALSE(channels->Contains("Office"));
        // A server's sequence moves on with every attempt (it never hands a number out twice).
        EXPECT_EQ(ErrorTextOf([&] { users->Save(); })
                      .find(std::string("Overflow: the new row of table Users would get the ID ") +
                            (OnServer() ? "21474836" : "2147483648")),
                  0u);
    });
    EXPECT_EQ(Sql("SELECT count(*) FROM Users; SELECT count(*) FROM Readers; SELECT count(*) FROM Channels;"),
              "1\n1\n1\n");
}

TEST_P(ChangeTrackingTest, ASaveIsWrittenWholeOrNotAtAll)
{
    WithSite([&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        for (const char* id : {"1", "2", "3", "4"})
            users->Add(id, "x");
        RefuseWhen("stop", "Users", "UPDATE", "NEW.Name = 'four'");
        users->Remove("1");
        users->Item("2")->SetName("two");
        users->Item("4")->SetName("four");
        int changed = 0;
        auto sub = users->ListItemChanged().Subscribe([&](std::shared_ptr<UserDescription>) { ++changed; });

        EXPECT_EQ(ErrorNumberOf([&] { users->Save(); }), errc::StoreError);
        EXPECT_EQ(Sql("SELECT UserID, Name FROM Users ORDER BY ID;"), "1|x\n2|x\n3|x\n4|x\n");
        EXPECT_EQ(changed, 0);
        EXPECT_TRUE(users->Item("2")->IsDirty());
        EXPECT_TRUE(users->IsDirty());

        AllowAgain("stop", "Users");
        users->Save();
        EXPECT_EQ(changed, 2);
        EXPECT_FALSE(users->IsDirty());
    });
    EXPECT_EQ(Sql("SELECT UserID, Name FROM Users ORDER BY ID;"), "2|two\n3|x\n4|four\n");
}

INSTANTIATE_TEST_SUITE_P(Engines, ChangeTrackingTest, ::testing::Values(Engine::Sqlite, Engine::Postgres), EngineName);
