#include "MainDataTestSupport.h"
#include "SiteTest.h"

#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/UserDescriptionDB.h"
#include "zel/data/UserDescriptionList.h"

#include <gtest/gtest.h>

using namespace zel::data;
using namespace zel::data::test;

namespace {

class UserDescriptionTest : public SiteTest {
protected:
    // Runs `body` on a fresh thread with the database open and the user list loaded.
    void WithUsers(const std::function<void(UserDescriptionList&)>& body)
    {
        WithOpenDatabase(mPath, [&](DataSource& ds) { body(*ds.GetUserDescriptionList()); });
    }
};

struct EventCounts {
    explicit EventCounts(UserDescriptionList& list)
        : listChanged(list.ListChanged().Subscribe([this] { ++listChangedCount; })),
          itemChanged(list.ListItemChanged().Subscribe(
              [this](std::shared_ptr<UserDescription> sender) { senders.push_back(sender->UserID()); }))
    {
    }
    int listChangedCount = 0;
    std::vector<std::string> senders;
    zel::Subscription listChanged;
    zel::Subscription itemChanged;
};

std::vector<std::uint8_t> AllByteValues()
{
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < 256; ++i)
        bytes.push_back(static_cast<std::uint8_t>(255 - i));
    return bytes;
}

} // namespace

TEST_P(UserDescriptionTest, AddStoresTheRowAtOnceAndRaisesListChangedOnce)
{
    WithUsers([&](UserDescriptionList& users) {
        EventCounts events(users);
        auto ann = users.Add("17", "Ann");
        EXPECT_GT(ann->DatabaseID(), 0);
        EXPECT_FALSE(ann->IsNew());
        EXPECT_FALSE(ann->IsDirty());
        EXPECT_FALSE(users.IsDirty());
        EXPECT_EQ(events.listChangedCount, 1);
        EXPECT_TRUE(events.senders.empty());
        EXPECT_EQ(Sql("SELECT ID, UserID, Name, AuthorityLevel, Enrolled, Template IS NULL FROM Users;"),
                  std::to_string(ann->DatabaseID()) + "|17|Ann|0|0|1\n");
        EXPECT_EQ(ann->ToString(), "{UserID: 17, Name: Ann, Authority Level: 0, Enrolled: False}");
    });
}

TEST_P(UserDescriptionTest, AddOfAKeyAlreadyHeldIsRefusedWithoutARow)
{
    WithUsers([&](UserDescriptionList& users) {
        users.Add("Ab", "Ann");
        EventCounts events(users);
        EXPECT_EQ(ErrorTextOf([&] { users.Add("aB", "Other"); }), "UserID already exists.");
        EXPECT_EQ(ErrorNumberOf([&] { users.Add("Ab", "Other"); }), errc::InvalidArgument);
        EXPECT_EQ(users.Count(), 1);
        EXPECT_EQ(events.listChangedCount, 0);
        EXPECT_EQ(Sql("SELECT count(*) FROM Users;"), "1\n");
    });
}

TEST_P(UserDescriptionTest, FailedInsertAtAddLeavesTheUserNewUntilTheNextSave)
{
    RefuseWhen("refuse", "Users", "INSERT", "NEW.UserID = '5'");
    WithUsers([&](UserDescriptionList& users) {
        EventCounts events(users);
        EXPECT_EQ(ErrorNumberOf([&] { users.Add("5", "Eve"); }), errc::StoreError);
        ASSERT_TRUE(users.Contains("5"));
        EXPECT_TRUE(users.Item("5")->IsNew());
        EXPECT_EQ(events.listChangedCount, 0);
        AllowAgain("refuse", "Users");
        users.Save();
        EXPECT_FALSE(users.Item("5")->IsNew());
        EXPECT_GT(users.Item("5")->DatabaseID(), 0);
        EXPECT_EQ(Sql("SELECT Name FROM Users;"), "Eve\n");
    });
}

TEST_P(UserDescriptionTest, SettingAValueAgainMakesDirtyAndSaveRaisesChangedThenListItemChanged)
{
    WithUsers([&](UserDescriptionList& users) {
        auto ann = users.Add("17", "Ann");
        EventCounts events(users);
        std::vector<std::string> order;
        auto own = ann->Changed().Subscribe([&] { order.push_back("Changed"); });
        auto list = users.ListItemChanged().Subscribe([&](auto) { order.push_back("ListItemChanged"); });
        ann->SetName("Ann");
        EXPECT_TRUE(ann->IsDirty());
        EXPECT_TRUE(users.IsDirty());
        EXPECT_TRUE(order.empty()); // setters raise nothing
        ann->SetAuthorityLevel(4);
        users.Save();
        EXPECT_EQ(order, (std::vector<std::string>{"Changed", "ListItemChanged"}));
        EXPECT_EQ(events.senders, std::vector<std::string>{"17"});
        EXPECT_EQ(events.listChangedCount, 0);
        EXPECT_FALSE(ann->IsDirty());
        EXPECT_FALSE(users.IsDirty());
        EXPECT_EQ(Sql("SELECT AuthorityLevel FROM Users;"), "4\n");
        users.Save(); // clean: writes and raises nothing
        EXPECT_EQ(order.size(), 2u);
    });
}

TEST_P(UserDescriptionTest, SelectedIsNeverStoredButMakesTheUserDirty)
{
    WithUsers([&](UserDescriptionList& users) {
        auto ann = users.Add("17", "Ann");
        ann->SetSelected(true);
        EXPECT_TRUE(users.IsDirty());
        users.Save();
        EXPECT_FALSE(users.IsDirty());
    });
    WithUsers([&](UserDescriptionList& users) { EXPECT_FALSE(users.Item("17")->Selected()); });
}

TEST_P(UserDescriptionTest, TemplateAloneIsNotWrittenButGoesWithTheNextChange)
{
    WithUsers([&](UserDescriptionList& users) {
        auto ann = users.Add("17", "Ann");
        ann->SetTemplate({1, 2, 3});
        EXPECT_FALSE(ann->IsDirty());
        users.Save();
        EXPECT_EQ(Sql("SELECT Template IS NULL FROM Users;"), "1\n");
        ann->SetTemplate(AllByteValues());
        ann->SetEnrolled(true);
        users.Save();
        EXPECT_EQ(Sql("SELECT Enrolled, Template IS NULL FROM Users;"), "1|0\n");
    });
    WithUsers([&](UserDescriptionList& users) {
        auto ann = users.Item("17");
        EXPECT_TRUE(ann->Enrolled());
        EXPECT_EQ(ann->Template(), AllByteValues()); // every byte value survives, NUL included
        // An empty template keeps what the row holds.
        ann->SetTemplate({});
        ann->SetName("Ann Lee");
        users.Save();
    });
    WithUsers([&](UserDescriptionList& users) {
        EXPECT_EQ(users.Item("17")->Name(), "Ann Lee");
        EXPECT_EQ(users.Item("17")->Template(), AllByteValues());
    });
}

TEST_P(UserDescriptionTest, TemplateOfANewUserIsWrittenWithItsInsertion)
{
    RefuseWhen("refuse", "Users", "INSERT", "NEW.UserID = '5'");
    WithUsers([&](UserDescriptionList& users) {
        EXPECT_NE(ErrorNumberOf([&] { users.Add("5", "Eve"); }), 0);
        users.Item("5")->SetTemplate({0, 9, 200});
        AllowAgain("refuse", "Users");
        users.Save();
    });
    WithUsers([&](UserDescriptionList& users) {
        EXPECT_EQ(users.Item("5")->Template(), (std::vector<std::uint8_t>{0, 9, 200}));
    });
}

TEST_P(UserDescriptionTest, ChangingUserIdReKeysOrIsRefused)
{
    WithUsers([&](UserDescriptionList& users) {
        auto u17 = users.Add("17", "Ann");
        users.Add("18", "Bo");
        users.Add("19", "Cy");
        EXPECT_EQ(ErrorTextOf([&] { u17->SetUserID("18"); }), "New User ID already exists.");
        EXPECT_EQ(u17->UserID(), "17");
        EXPECT_FALSE(u17->IsDirty());
        EXPECT_EQ(users.Item(1), u17);

        u17->SetUserID("17"); // the same text: nothing happens
        EXPECT_FALSE(u17->IsDirty());

        u17->SetUserID("20");
        EXPECT_TRUE(u17->IsDirty());
        EXPECT_EQ(users.Item(3), u17); // moved to the end
        EXPECT_EQ(users.Item("20"), u17);
        EXPECT_FALSE(users.Contains("17"));
        users.Save();
        EXPECT_EQ(Sql("SELECT UserID FROM Users ORDER BY ID;"), "20\n18\n19\n");
    });
}

TEST_P(UserDescriptionTest, RemoveKeepsTheRowUntilSaveAndTheDescriptionBecomesNew)
{
    WithUsers([&](UserDescriptionList& users) {
        auto ann = users.Add("17", "Ann");
        users.Add("18", "Bo");
        EventCounts events(users);
        users.Remove("17");
        EXPECT_EQ(events.listChangedCount, 1);
        EXPECT_FALSE(users.Contains("17"));
        EXPECT_TRUE(users.IsDirty());
        EXPECT_TRUE(ann->IsDeleted());
        EXPECT_EQ(users.GetByDatabaseID(ann->DatabaseID()), nullptr);
        EXPECT_EQ(Sql("SELECT count(*) FROM Users;"), "2\n");
        users.Save();
        EXPECT_EQ(events.listChangedCount, 1);
        EXPECT_TRUE(events.senders.empty());
        EXPECT_FALSE(users.IsDirty());
        EXPECT_TRUE(ann->IsNew());
        EXPECT_FALSE(ann->IsDeleted());
        EXPECT_EQ(Sql("SELECT UserID FROM Users;"), "18\n");
        users.Save(); // the detached description is not inserted again
        EXPECT_EQ(Sql("SELECT count(*) FROM Users;"), "1\n");
        // Adding the same UserID again makes a new description and a new row.
        auto again = users.Add("17", "Ann");
        EXPECT_NE(again, ann);
        EXPECT_NE(again->DatabaseID(), ann->DatabaseID());
    });
}

TEST_P(UserDescriptionTest, LookupsAndTheirErrors)
{
    WithUsers([&](UserDescriptionList& users) {
        auto ann = users.Add("17", "Ann");
        EXPECT_EQ(users.GetByDatabaseID(ann->DatabaseID()), ann);
        EXPECT_EQ(users.GetByDatabaseID(ann->DatabaseID() + 100), nullptr);
        EXPECT_EQ(ErrorNumberOf([&] { users.Remove("99"); }), errc::InvalidArgument);
        EXPECT_EQ(ErrorNumberOf([&] { users.Item("99"); }), errc::InvalidArgument);
        EXPECT_EQ(ErrorNumberOf([&] { users.Item(0); }), errc::SubscriptOutOfRange);
        EXPECT_EQ(ErrorNumberOf([&] { users.Item(2); }), errc::SubscriptOutOfRange);
        EXPECT_FALSE(users.Contains(""));
        EXPECT_EQ(users.Count(), 1);
    });
}

TEST_P(UserDescriptionTest, SaveWritesRemovalsInRemovalOrderThenItemsInListOrder)
{
    Sql("CREATE TABLE Log (Op TEXT);"
        "CREATE TRIGGER logDelete AFTER DELETE ON Users BEGIN INSERT INTO Log VALUES ('delete ' || OLD.UserID); END;"
        "CREATE TRIGGER logUpdate AFTER UPDATE ON Users BEGIN INSERT INTO Log VALUES ('update ' || NEW.UserID); END;"
        "CREATE TRIGGER logInsert AFTER INSERT ON Users BEGIN INSERT INTO Log VALUES ('insert ' || NEW.UserID); END;",
        "CREATE TABLE Log (rowid serial, Op text);"
        "CREATE FUNCTION logOp() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN INSERT INTO Log (Op) VALUES "
        "(lower(TG_OP) || ' ' || CASE WHEN TG_OP = 'DELETE' THEN OLD.UserID ELSE NEW.UserID END); RETURN NULL; END $$;"
        "CREATE TRIGGER logOp AFTER INSERT OR UPDATE OR DELETE ON Users FOR EACH ROW EXECUTE FUNCTION logOp();");
    WithUsers([&](UserDescriptionList& users) {
        for (const char* id : {"1", "2", "3", "4", "5"})
            users.Add(id, "x");
        Sql("DELETE FROM Log;");
        users.Item("5")->SetName("y");
        users.Item("2")->SetName("y");
        users.Remove("4");
        users.Remove("1");
        users.Save();
        EXPECT_EQ(Sql("SELECT Op FROM Log ORDER BY rowid;"), "delete 4\ndelete 1\nupdate 2\nupdate 5\n");
    });
}

TEST_P(UserDescriptionTest, ASaveThatFailsWritesNothingAndALaterSaveWritesEverythingOnce)
{
    WithUsers([&](UserDescriptionList& users) {
        for (const char* id : {"1", "2", "3", "4", "5", "6"})
            users.Add(id, "x");
        RefuseWhen("stopDelete", "Users", "DELETE", "OLD.UserID = '2'");
        RefuseWhen("stopUpdate", "Users", "UPDATE", "OLD.UserID = '5'");
        users.Remove("1");
        users.Remove("2");
        users.Remove("3");
        users.Item("4")->SetName("four");
        users.Item("5")->SetName("five");
        users.Item("6")->SetName("six");

        // A save is one transaction: the removal of 1, written before 2 failed, is undone too.
        EXPECT_EQ(ErrorNumberOf([&] { users.Save(); }), errc::StoreError);
        EXPECT_EQ(Sql("SELECT UserID FROM Users ORDER BY ID;"), "1\n2\n3\n4\n5\n6\n");
        EXPECT_TRUE(users.IsDirty());
        AllowAgain("stopDelete", "Users");

        EXPECT_EQ(ErrorNumberOf([&] { users.Save(); }), errc::StoreError);
        EXPECT_EQ(Sql("SELECT UserID, Name FROM Users ORDER BY ID;"), "1|x\n2|x\n3|x\n4|x\n5|x\n6|x\n");
        EXPECT_TRUE(users.Item("4")->IsDirty());
        EXPECT_TRUE(users.Item("6")->IsDirty());
        AllowAgain("stopUpdate", "Users");

        users.Save();
        EXPECT_EQ(Sql("SELECT UserID, Name FROM Users ORDER BY ID;"), "4|four\n5|five\n6|six\n");
        EXPECT_FALSE(users.IsDirty());
    });
}

TEST_P(UserDescriptionTest, SavingAUserWhoseRowVanishedWritesNothingAndStillRaisesChanged)
{
    WithUsers([&](UserDescriptionList& users) {
        auto ann = users.Add("17", "Ann");
        Sql("DELETE FROM Users;");
        int changed = 0;
        auto sub = ann->Changed().Subscribe([&] { ++changed; });
        ann->SetName("Ann Lee");
        if (OnServer()) {
            // A shared site says that another user removed the row, and the change stays pending.
            EXPECT_EQ(ErrorNumberOf([&] { users.Save(); }), errc::RowChangedByAnother);
            EXPECT_EQ(changed, 0);
            EXPECT_TRUE(ann->IsDirty());
        } else {
            EXPECT_NO_THROW(users.Save());
            EXPECT_EQ(changed, 1);
            EXPECT_FALSE(ann->IsDirty());
        }
        EXPECT_EQ(Sql("SELECT count(*) FROM Users;"), "0\n");
    });
}

TEST_P(UserDescriptionTest, AUserRemovedByAHandlerDuringSaveIsDeletedOnce)
{
    WithUsers([&](UserDescriptionList& users) {
        users.Add("1", "a");
        users.Add("2", "b");
        users.Item("1")->SetName("a2");
        users.Item("2")->SetName("b2");
        auto sub = users.ListItemChanged().Subscribe([&](std::shared_ptr<UserDescription> sender) {
            if (sender->UserID() == "1")
                users.Remove("2");
        });
        users.Save();
        EXPECT_TRUE(users.IsDirty());
        users.Save();
        EXPECT_EQ(Sql("SELECT UserID, Name FROM Users;"), "1|a2\n");
        users.Save();
        EXPECT_EQ(Sql("SELECT count(*) FROM Users;"), "1\n");
    });
}

TEST_P(UserDescriptionTest, LoadKeepsRowOrderAndReadsIdsAs32Bit)
{
    Sql("INSERT INTO Users (ID, UserID, Name, AuthorityLevel, Enrolled) VALUES (40000, '3', 'c', 0, 0);"
        "INSERT INTO Users (ID, UserID, Name, AuthorityLevel, Enrolled) VALUES (32767, '1', 'a', 0, 0);"
        "INSERT INTO Users (ID, UserID, Name, AuthorityLevel, Enrolled) VALUES (32768, '2', 'b', 0, 0);");
    WithUsers([&](UserDescriptionList& users) {
        std::vector<std::string> ids;
        for (const auto& user : users)
            ids.push_back(user->UserID());
        EXPECT_EQ(ids, (std::vector<std::string>{"1", "2", "3"}));
        EXPECT_EQ(users.GetByDatabaseID(40000)->UserID(), "3");
        EXPECT_EQ(users.Items().size(), 3u);
    });
}

// A level is read back through a 16-bit conversion: one that could not be read back is refused
// when it is set (error 6), so that a saved site always loads again; every level a file holds
// within that range loads, whether or not it names a known authority.
TEST_P(UserDescriptionTest, AnAuthorityLevelIsTakenOnlyWhenTheSiteCanLoadItAgain)
{
    struct Case {
        std::int32_t Level;
        bool Taken;
    };
    const std::vector<Case> cases{{0, true},          {5, true},         {99, true},     {32767, true},
                                  {-32768, true},     {32768, false},    {40000, false}, {-32769, false},
                                  {INT32_MAX, false}, {INT32_MIN, false}};
    WithUsers([&](UserDescriptionList& users) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.Level);
            const std::string id = std::to_string(users.Count() + 1);
            auto user = users.Add(id, "User");
            if (c.Taken) {
                user->SetAuthorityLevel(c.Level);
                EXPECT_TRUE(user->IsDirty());
            } else {
                EXPECT_EQ(ErrorNumberOf([&] { user->SetAuthorityLevel(c.Level); }), errc::Overflow);
                EXPECT_EQ(user->AuthorityLevel(), 0);
                EXPECT_FALSE(user->IsDirty());
            }
        }
        users.Save();
    });
    Sql("INSERT INTO Users (UserID, Name, AuthorityLevel, Enrolled) VALUES ('by hand', 'n', -7, 0);");
    WithUsers([&](UserDescriptionList& users) {
        for (std::size_t i = 0; i < cases.size(); ++i)
            EXPECT_EQ(users.Item(std::to_string(i + 1))->AuthorityLevel(), cases[i].Taken ? cases[i].Level : 0);
        EXPECT_EQ(users.Item("by hand")->AuthorityLevel(), -7);
    });
}

TEST_P(UserDescriptionTest, BadRowsKeepTheListFromLoadingUntilTheFileIsPutRight)
{
    if (OnServer())
        GTEST_SKIP() << "about older site files, which lack the constraints";
    struct Case {
        const char* values;
        long number;
    };
    int file = 0;
    // Files without the NOT NULL constraints and key indexes (older or hand-made ones).
    for (const auto& c :
         {Case{"('1', NULL, 0, 0)", errc::InvalidUseOfNull}, Case{"(NULL, 'n', 0, 0)", errc::InvalidUseOfNull},
          Case{"('1', 'n', 40000, 0)", errc::Overflow}, Case{"('1', 'n', 'high', 0)", errc::TypeMismatch},
          Case{"('1', 'n', NULL, 0)", errc::InvalidUseOfNull}}) {
        auto path = OlderDatabase(mFolder, "bad" + std::to_string(++file) + ".mdb");
        SqliteCli(path,
                  "INSERT INTO Users (UserID, Name, AuthorityLevel, Enrolled) VALUES " + std::string(c.values) + ";");
        WithOpenDatabase(path, [&](DataSource& ds) {
            EXPECT_EQ(ErrorNumberOf([&] { ds.GetUserDescriptionList(); }), c.number) << c.values;
        });
    }
    auto path = OlderDatabase(mFolder, "twice.mdb");
    SqliteCli(path, "INSERT INTO Users (UserID, Name, AuthorityLevel, Enrolled) VALUES ('7', 'a', 0, 0), "
                    "('7', 'b', 0, 0);");
    WithOpenDatabase(path, [&](DataSource& ds) {
        EXPECT_EQ(ErrorNumberOf([&] { ds.GetUserDescriptionList(); }), errc::DuplicateKey);
        SqliteCli(path, "DELETE FROM Users WHERE Name = 'b';");
        EXPECT_EQ(ds.GetUserDescriptionList()->Count(), 1); // nothing was stored: the next request loads
    });
}

TEST_P(UserDescriptionTest, RowAccessClassWorksOnItsOwn)
{
    WithUsers([&](UserDescriptionList& users) {
        auto ann = users.Add("17", "Ann");
        UserDescriptionDB db;
        auto rows = db.GetList();
        ASSERT_EQ(rows.Count(), 1);
        auto copy = rows.Item(std::to_string(ann->DatabaseID()));
        EXPECT_EQ(copy->Name(), "Ann");
        EXPECT_NE(copy, ann);
        EXPECT_FALSE(copy->IsNew());
        db.Delete(ann->DatabaseID());
        db.Delete(ann->DatabaseID()); // a missing row is no error
        EXPECT_EQ(db.GetList().Count(), 0);
    });
}

INSTANTIATE_TEST_SUITE_P(Engines, UserDescriptionTest, ::testing::Values(Engine::Sqlite, Engine::Postgres), EngineName);
