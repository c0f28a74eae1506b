// UserDescriptionList::ApplyBatch, on both engines: many users added, changed and removed in one
// transaction (with the list's pending changes), one ListChanged, templates left alone, and a
// failure that leaves the site and the list as they were.
#include "MainDataTestSupport.h"
#include "SiteTest.h"

#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/UserDescriptionList.h"

#include <gtest/gtest.h>

using namespace zel::data;
using namespace zel::data::test;

namespace {

using Batch = std::vector<UserDescriptionList::BatchUser>;

class UserBatchTest : public SiteTest {
protected:
    // Users 1 to 4, the even ones enrolled with a template.
    void SetUp() override
    {
        SiteTest::SetUp();
        if (IsSkipped())
            return;
        WithOpenDatabase(mPath, [](DataSource& ds) {
            auto users = ds.GetUserDescriptionList();
            for (int id = 1; id <= 4; ++id) {
                auto user = users->Add(std::to_string(id), "User " + std::to_string(id));
                if (id % 2 == 0) {
                    user->SetEnrolled(true);
                    user->SetTemplate({1, 2, 3, 4, 5, 6, 7, 8, static_cast<std::uint8_t>(id)});
                }
            }
            users->Save();
        });
    }

    std::string Rows() { return Sql("SELECT UserID, Name, AuthorityLevel, Enrolled FROM Users ORDER BY UserID;"); }

    static std::vector<std::string> Listed(const UserDescriptionList& users)
    {
        std::vector<std::string> shown;
        for (const auto& user : users.Items())
            shown.push_back(user->UserID() + " " + user->Name());
        return shown;
    }
};

struct Counted {
    int ListChanged = 0;
    int Single = 0; // ItemAdded, ItemRemoved, ListItemChanged
};

} // namespace

TEST_P(UserBatchTest, AddsChangesAndRemovesInOneGoWithOneListChanged)
{
    WithOpenDatabase(mPath, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        auto removed = users->Item("3");
        Counted events;
        auto a = users->ListChanged().Subscribe([&] { ++events.ListChanged; });
        auto b = users->ItemAdded().Subscribe([&](auto) { ++events.Single; });
        auto c = users->ItemRemoved().Subscribe([&](auto) { ++events.Single; });
        auto d = users->ListItemChanged().Subscribe([&](auto) { ++events.Single; });

        users->ApplyBatch({{"5", "Eve", 3}}, {{"2", "Bob", 4}}, {"3"});

        EXPECT_EQ(events.ListChanged, 1);
        EXPECT_EQ(events.Single, 0);
        EXPECT_EQ(Listed(*users), (std::vector<std::string>{"1 User 1", "2 Bob", "4 User 4", "5 Eve"}));
        auto added = users->Item("5");
        EXPECT_FALSE(added->IsNew());
        EXPECT_FALSE(added->IsDirty());
        EXPECT_EQ(added->AuthorityLevel(), 3);
        EXPECT_EQ(users->GetByDatabaseID(added->DatabaseID()), added);
        EXPECT_TRUE(removed->IsNew()); // detached, as a saved removal leaves it
        EXPECT_EQ(users->GetByDatabaseID(removed->DatabaseID()), nullptr);
        EXPECT_FALSE(users->IsDirty());
        // The name index follows the batch.
        EXPECT_TRUE(users->NameHeldByOther("Bob", nullptr));
        EXPECT_FALSE(users->NameHeldByOther("User 2", nullptr));
    });
    EXPECT_EQ(Rows(), "1|User 1|0|0\n2|Bob|4|1\n4|User 4|0|1\n5|Eve|3|0\n");
    // The changed user's template is the one enrolled.
    EXPECT_EQ(Sql("SELECT length(Template) FROM Users WHERE UserID = '2';"), "9\n");
}

TEST_P(UserBatchTest, AFailedWriteLeavesTheSiteAndTheListAsTheyWere)
{
    const std::string before = Rows();
    WithOpenDatabase(mPath, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        users->Item("1")->SetName("Pending"); // saved with the batch, or not at all
        const auto listed = Listed(*users);
        RefuseWhen("stop", "Users", "INSERT", "NEW.UserID = '6'");
        int changed = 0;
        auto sub = users->ListChanged().Subscribe([&] { ++changed; });

        EXPECT_EQ(ErrorNumberOf([&] {
                      users->ApplyBatch({{"5", "Eve", 0}, {"6", "Fay", 0}}, {{"2", "Bob", 4}}, {"3"});
                  }),
                  errc::StoreError);
        EXPECT_EQ(changed, 0);
        EXPECT_EQ(Listed(*users), listed);
        EXPECT_EQ(users->Item("2")->AuthorityLevel(), 0);
        EXPECT_FALSE(users->Contains("5"));
        EXPECT_TRUE(users->Item("1")->IsDirty());

        AllowAgain("stop", "Users");
        users->ApplyBatch({{"5", "Eve", 0}, {"6", "Fay", 0}}, {{"2", "Bob", 4}}, {"3"});
        EXPECT_FALSE(users->IsDirty());
    });
    EXPECT_NE(before, Rows());
    EXPECT_EQ(Rows(), "1|Pending|0|0\n2|Bob|4|1\n4|User 4|0|1\n5|Eve|0|0\n6|Fay|0|0\n");
}

TEST_P(UserBatchTest, IDsAreCheckedBeforeAnythingIsWritten)
{
    const std::string before = Rows();
    WithOpenDatabase(mPath, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        const Batch none;
        for (const auto& [add, change, remove] : std::vector<std::tuple<Batch, Batch, std::vector<std::string>>>{
                 {{{"1", "Twice", 0}}, none, {}},             // in the list already
                 {{{"9", "A", 0}, {"9", "B", 0}}, none, {}},  // added twice
                 {{{"9", "A", 0}}, {{"8", "Nobody", 0}}, {}}, // not in the list
                 {{{"9", "A", 0}}, none, {"8"}}}) {           // not in the list
            EXPECT_EQ(ErrorNumberOf([&] { users->ApplyBatch(add, change, remove); }), errc::InvalidArgument);
        }
        EXPECT_EQ(ErrorNumberOf([&] { users->ApplyBatch({{"9", "A", 40000}}, none, {}); }), errc::Overflow);
        EXPECT_EQ(users->Count(), 4);
    });
    EXPECT_EQ(Rows(), before);
}

TEST_P(UserBatchTest, AReadOnlySiteRefusesTheBatch)
{
    OnFreshThread([&] {
        DataSource ds;
        ds.OpenDatabase(mPath, OpenMode::ReadOnly);
        auto users = ds.GetUserDescriptionList();
        EXPECT_EQ(ErrorNumberOf([&] { users->ApplyBatch({{"9", "A", 0}}, {}, {}); }), errc::ReadOnlyDatabase);
        EXPECT_FALSE(users->Contains("9"));
    });
}

INSTANTIATE_TEST_SUITE_P(Engines, UserBatchTest, ::testing::Values(Engine::Sqlite, Engine::Postgres), EngineName);
