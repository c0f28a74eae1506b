#include "MainDataTestSupport.h"
#include "SiteTest.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescriptionDB.h"
#include "zel/data/ReaderDescriptionList.h"

#include <gtest/gtest.h>

using namespace zel::data;
using namespace zel::data::test;

namespace {

class ReaderDescriptionTest : public SiteTest {
protected:
    // Runs `body` on a fresh thread with the database open and the clock and channel lists loaded.
    void WithClocks(const std::function<void(ReaderDescriptionList&, ChannelDescriptionList&)>& body)
    {
        WithOpenDatabase(
            mPath, [&](DataSource& ds) { body(*ds.GetReaderDescriptionList(), *ds.GetChannelDescriptionList()); });
    }
};

std::vector<std::string> NamesOf(const ReaderGroup& group)
{
    std::vector<std::string> names;
    for (const auto& clock : group)
        names.push_back(clock->Name());
    return names;
}

} // namespace

TEST_P(ReaderDescriptionTest, AddStoresACleanClockOnItsChannel)
{
    WithClocks([&](ReaderDescriptionList& clocks, ChannelDescriptionList& channels) {
        auto line = channels.Add(DirectChannel, "Line 1");
        int listChanged = 0;
        auto sub = clocks.ListChanged().Subscribe([&] { ++listChanged; });
        auto gate = clocks.Add(5, "Gate 2", line);
        EXPECT_EQ(listChanged, 1);
        EXPECT_FALSE(gate->IsNew());
        EXPECT_FALSE(gate->IsDirty());
        EXPECT_EQ(gate->Location(), "");
        EXPECT_EQ(gate->ChannelDescriptionID(), line->DatabaseID());
        EXPECT_GT(gate->DatabaseID(), 0);
        EXPECT_EQ(clocks.Item("GATE 2"), gate);
        EXPECT_EQ(Sql("SELECT ID, ReaderID, Name, ChannelDescID, Location FROM Readers;"),
                  std::to_string(gate->DatabaseID()) + "|5|Gate 2|" + std::to_string(line->DatabaseID()) + "|\n");
        EXPECT_EQ(gate->ToString(), "{Name: Gate 2, ReaderID: 5, Location: }");
    });
}

TEST_P(ReaderDescriptionTest, AddRefusesAnEmptyOrTakenNameOrNoChannelBeforeAnyRow)
{
    WithClocks([&](ReaderDescriptionList& clocks, ChannelDescriptionList& channels) {
        auto line = channels.Add(DirectChannel, "Line 1");
        int listChanged = 0;
        auto sub = clocks.ListChanged().Subscribe([&] { ++listChanged; });
        EXPECT_EQ(ErrorTextOf([&] { clocks.Add(5, "", line); }), "Reader name cannot be empty.");
        clocks.Add(5, "Gate 2", line);
        EXPECT_EQ(ErrorTextOf([&] { clocks.Add(6, "GATE 2", line); }), "Reader 'GATE 2' already exists.");
        EXPECT_EQ(ErrorNumberOf([&] { clocks.Add(6, "GATE 2", line); }), errc::InvalidArgument);
        EXPECT_EQ(ErrorNumberOf([&] { clocks.Add(7, "Hall", nullptr); }), errc::ObjectNotSet);
        EXPECT_EQ(listChanged, 1);
        EXPECT_EQ(clocks.Count(), 1);
        EXPECT_EQ(Sql("SELECT count(*) FROM Readers;"), "1\n");
    });
    // The file still loads.
    WithClocks([&](ReaderDescriptionList& clocks, ChannelDescriptionList&) { EXPECT_EQ(clocks.Count(), 1); });
}

TEST_P(ReaderDescriptionTest, RenamingFollowsTheKeyRules)
{
    WithClocks([&](ReaderDescriptionList& clocks, ChannelDescriptionList& channels) {
        auto line = channels.Add(DirectChannel, "Line 1");
        auto gate = clocks.Add(5, "Gate 2", line);
        auto hall = clocks.Add(6, "Hall", line);
        EXPECT_EQ(ErrorTextOf([&] { gate->SetName("GATE 2"); }), "Reader 'GATE 2' already exists.");
        EXPECT_EQ(ErrorTextOf([&] { gate->SetName("hall"); }), "Reader 'hall' already exists.");
        EXPECT_EQ(gate->Name(), "Gate 2");
        EXPECT_FALSE(gate->IsDirty());
        gate->SetName("Gate 2");
        EXPECT_FALSE(gate->IsDirty());
        gate->SetName("Dock");
        EXPECT_TRUE(gate->IsDirty());
        EXPECT_EQ(clocks.Item(2), gate);
        EXPECT_EQ(clocks.Item(1), hall);
        EXPECT_FALSE(clocks.Contains("Gate 2"));
        // A removed clock can no longer be renamed: its name left the list.
        clocks.Remove("Hall");
        EXPECT_EQ(ErrorTextOf([&] { hall->SetName("Lobby"); }), "Reader 'Hall' does not exist.");
    });
}

TEST_P(ReaderDescriptionTest, SettersMakeDirtyAndSaveWritesAndNotifies)
{
    WithClocks([&](ReaderDescriptionList& clocks, ChannelDescriptionList& channels) {
        auto line = channels.Add(DirectChannel, "Line 1");
        auto gate = clocks.Add(5, "Gate 2", line);
        std::vector<std::string> order;
        auto own = gate->Changed().Subscribe([&] { order.push_back("Changed"); });
        auto list = clocks.ListItemChanged().Subscribe(
            [&](std::shared_ptr<ReaderDescription> sender) { order.push_back("ListItemChanged " + sender->Name()); });
        gate->SetReaderID(5);
        EXPECT_TRUE(clocks.IsDirty());
        gate->SetReaderID(255);
        gate->SetLocation("Loading dock");
        gate->SetChannelDescriptionID(40000);
        gate->SetTimeZone("America/Chicago");
        clocks.Add(6, "Gate 3", line); // no zone: this machine's, stored as Null
        clocks.Save();
        EXPECT_EQ(order, (std::vector<std::string>{"Changed", "ListItemChanged Gate 2"}));
        EXPECT_FALSE(clocks.IsDirty());
        EXPECT_EQ(Sql("SELECT ReaderID, Location, ChannelDescID FROM Readers WHERE Name = 'Gate 2';"),
                  "255|Loading dock|40000\n");
        EXPECT_EQ(Sql("SELECT Name, coalesce(TimeZone, 'none') FROM Readers ORDER BY ID;"),
                  "Gate 2|America/Chicago\nGate 3|none\n");
    });
    // A ChannelDescID above 32767 loads; so does the zone.
    WithClocks([&](ReaderDescriptionList& clocks, ChannelDescriptionList&) {
        EXPECT_EQ(clocks.Item("Gate 2")->ChannelDescriptionID(), 40000);
        EXPECT_EQ(clocks.Item("Gate 2")->TimeZone(), "America/Chicago");
        EXPECT_EQ(clocks.Item("Gate 3")->TimeZone(), "");
    });
}

TEST_P(ReaderDescriptionTest, RemoveAndSave)
{
    WithClocks([&](ReaderDescriptionList& clocks, ChannelDescriptionList& channels) {
        auto line = channels.Add(DirectChannel, "Line 1");
        auto gate = clocks.Add(5, "Gate 2", line);
        clocks.Add(6, "Hall", line);
        int listChanged = 0;
        auto sub = clocks.ListChanged().Subscribe([&] { ++listChanged; });
        clocks.Remove("gate 2");
        EXPECT_EQ(listChanged, 1);
        EXPECT_TRUE(gate->IsDeleted());
        EXPECT_TRUE(clocks.IsDirty());
        EXPECT_EQ(clocks.GetByDatabaseID(gate->DatabaseID()), nullptr);
        EXPECT_EQ(ErrorNumberOf([&] { clocks.Remove("gate 2"); }), errc::InvalidArgument);
        EXPECT_EQ(Sql("SELECT count(*) FROM Readers;"), "2\n");
        clocks.Save();
        EXPECT_TRUE(gate->IsNew());
        EXPECT_FALSE(clocks.IsDirty());
        EXPECT_EQ(Sql("SELECT Name FROM Readers;"), "Hall\n");
        EXPECT_EQ(ErrorNumberOf([&] { clocks.Item(2); }), errc::SubscriptOutOfRange);
    });
}

TEST_P(ReaderDescriptionTest, ASaveThatFailsPartWayDoesNotInsertDeletedClocksAgain)
{
    WithClocks([&](ReaderDescriptionList& clocks, ChannelDescriptionList& channels) {
        auto line = channels.Add(DirectChannel, "Line 1");
        for (const char* name : {"A", "B", "C"})
            clocks.Add(1, name, line);
        RefuseWhen("stop", "Readers", "DELETE", "OLD.Name = 'B'");
        clocks.Remove("A");
        clocks.Remove("B");
        EXPECT_NE(ErrorNumberOf([&] { clocks.Save(); }), 0);
        AllowAgain("stop", "Readers");
        clocks.Save();
        EXPECT_EQ(Sql("SELECT Name FROM Readers;"), "C\n");
        EXPECT_FALSE(clocks.IsDirty());
    });
}

TEST_P(ReaderDescriptionTest, GroupsFollowTheOrderChannelsAreFirstMet)
{
    WithClocks([&](ReaderDescriptionList& clocks, ChannelDescriptionList& channels) {
        auto x = channels.Add(DirectChannel, "X");
        auto y = channels.Add(EthernetChannel, "Y");
        auto gone = channels.Add(ModemChannel, "Gone");
        clocks.Add(1, "A", x);
        clocks.Add(2, "B", y);
        clocks.Add(3, "Gate 2", x);
        clocks.Add(4, "Lost", x)->SetChannelDescriptionID(999);
        clocks.Add(5, "Orphan", gone);
        channels.Remove("Gone");

        auto groups = clocks.GetReaderGroups();
        ASSERT_EQ(groups.Count(), 2);
        EXPECT_EQ(groups.Item(1)->ChannelDescription(), x);
        EXPECT_EQ(NamesOf(*groups.Item(1)), (std::vector<std::string>{"A", "Gate 2"}));
        EXPECT_EQ(groups.Item("y")->ChannelDescription(), y);
        EXPECT_EQ(NamesOf(*groups.Item(2)), std::vector<std::string>{"B"});
        EXPECT_EQ(groups.Item(1)->Item("gate 2")->ReaderID(), 3);
        EXPECT_EQ(groups.Item(1)->Item(2)->Name(), "Gate 2");
        EXPECT_EQ(ErrorNumberOf([&] { groups.Item(1)->Item(3); }), errc::SubscriptOutOfRange);

        // A snapshot: later changes of the list do not reach it.
        clocks.Remove("A");
        EXPECT_EQ(groups.Item(1)->Count(), 2);
    });
}

TEST_P(ReaderDescriptionTest, GroupingNeverRaisesWhenTheChannelsCannotBeLoaded)
{
    Sql("INSERT INTO Channels (ID, Name, Type, Port, BitRate) VALUES (1, 'X', 'Fax', 1, 9600);"
        "INSERT INTO Readers (ReaderID, Name, ChannelDescID, Location) VALUES (1, 'A', 1, '');");
    WithOpenDatabase(mPath, [&](DataSource& ds) {
        auto clocks = ds.GetReaderDescriptionList();
        ReaderGroupCollection groups(ErrorSource);
        EXPECT_NO_THROW(groups = clocks->GetReaderGroups());
        EXPECT_EQ(groups.Count(), 0);
    });
}

TEST_P(ReaderDescriptionTest, BadRowsKeepTheListFromLoading)
{
    struct Case {
        const char* values;
        long number;
    };
    int file = 0;
    // Files without the NOT NULL constraints and key indexes (older or hand-made ones).
    for (const auto& c :
         {Case{"(300, 'A', 1, '')", errc::Overflow}, Case{"(-1, 'A', 1, '')", errc::Overflow},
          Case{"('five', 'A', 1, '')", errc::TypeMismatch}, Case{"(NULL, 'A', 1, '')", errc::InvalidUseOfNull},
          Case{"(1, 'A', 1, NULL)", errc::InvalidUseOfNull}, Case{"(1, NULL, 1, '')", errc::InvalidUseOfNull},
          Case{"(1, 'A', 3000000000, '')", errc::Overflow},
          Case{"(1, 'A', 1, ''), (2, 'a', 1, '')", errc::DuplicateKey}}) {
        auto path = OlderDatabase(mFolder, "bad" + std::to_string(++file) + ".mdb");
        SqliteCli(path, "INSERT INTO Readers (ReaderID, Name, ChannelDescID, Location) VALUES " +
                            std::string(c.values) + ";");
        WithOpenDatabase(path, [&](DataSource& ds) {
            EXPECT_EQ(ErrorNumberOf([&] { ds.GetReaderDescriptionList(); }), c.number) << c.values;
        });
    }
    // Reader IDs are read through their text: a text of digits and a real both load.
    Sql("DELETE FROM Readers; INSERT INTO Readers (ID, ReaderID, Name, ChannelDescID, Location) VALUES "
        "(40000, ' 7 ', 'A', 1, ''), (2, 8.0, 'B', 1, '');");
    WithClocks([&](ReaderDescriptionList& clocks, ChannelDescriptionList&) {
        EXPECT_EQ(clocks.Item("A")->ReaderID(), 7);
        EXPECT_EQ(clocks.Item("A")->DatabaseID(), 40000);
        EXPECT_EQ(clocks.Item("B")->ReaderID(), 8);
    });
}

TEST_P(ReaderDescriptionTest, RowAccessClassCreatesAndLists)
{
    WithClocks([&](ReaderDescriptionList&, ChannelDescriptionList&) {
        ReaderDescriptionDB db;
        EXPECT_EQ(ErrorTextOf([&] { db.Create(1, "", 3); }), "Reader name cannot be empty.");
        auto clock = db.Create(9, "Side", 3);
        EXPECT_FALSE(clock->IsNew());
        EXPECT_FALSE(clock->IsDirty());
        EXPECT_EQ(clock->ChannelDescriptionID(), 3);
        auto rows = db.GetList();
        ASSERT_EQ(rows.Count(), 1);
        EXPECT_EQ(rows.Item("side")->ReaderID(), 9);
    });
}

INSTANTIATE_TEST_SUITE_P(Engines, ReaderDescriptionTest, ::testing::Values(Engine::Sqlite, Engine::Postgres),
                         EngineName);
