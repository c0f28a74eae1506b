// What the site keeps for the life cycle of the hand templates, on either engine: pending
// erasures, the retention setting, the date each template was stored and the last punches.
#include "MainDataTestSupport.h"
#include "SiteTest.h"

#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/EventStore.h"
#include "zel/data/IStore.h"
#include "zel/data/LifecycleStore.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"

#include <gtest/gtest.h>

using namespace zel::data;
using namespace zel::data::test;

namespace {

class LifecycleStoreTest : public SiteTest {
protected:
    static PendingErasure Erasure(std::int32_t clockID, const std::string& userID)
    {
        PendingErasure erasure;
        erasure.ClockID = clockID;
        erasure.ClockName = "Clock " + std::to_string(clockID);
        erasure.UserID = userID;
        return erasure;
    }

    // "clock:user" of every pending erasure, in the store's order.
    static std::string Listed(const std::vector<PendingErasure>& erasures)
    {
        std::string text;
        for (const auto& erasure : erasures)
            text += std::to_string(erasure.ClockID) + ":" + erasure.UserID + " ";
        return text;
    }
};

} // namespace

TEST_P(LifecycleStoreTest, PendingErasuresAreKeptOncePerClockAndUserUntilFinished)
{
    WithOpenDatabase(mPath, [&](DataSource& ds) {
        LifecycleStore lifecycle(ds.GetConnection());
        EXPECT_TRUE(lifecycle.Pending().empty());
        lifecycle.AddPending({Erasure(1, "17"), Erasure(2, "17"), Erasure(1, "18")});
        lifecycle.AddPending({Erasure(1, "17")}); // recorded already
        EXPECT_EQ(Listed(lifecycle.Pending()), "1:17 2:17 1:18 ");
        EXPECT_EQ(Listed(lifecycle.PendingFor(1)), "1:17 1:18 ");
        EXPECT_TRUE(lifecycle.RemovePending(1, "17"));
        EXPECT_FALSE(lifecycle.RemovePending(1, "17"));
        EXPECT_EQ(Listed(lifecycle.Pending()), "2:17 1:18 ");
        EXPECT_FALSE(lifecycle.Pending().front().Since.empty());
    });
    // A collection beside the program finishes erasures; a read-only connection reads them only.
    OnFreshThread([&] {
        DataSource ds;
        ds.OpenDatabase(mPath, OpenMode::Append);
        LifecycleStore lifecycle(ds.GetConnection());
        EXPECT_TRUE(lifecycle.CanFinish());
        EXPECT_TRUE(lifecycle.RemovePending(2, "17"));
        try {
            lifecycle.AddPending({Erasure(3, "19")});
            ADD_FAILURE() << "recording an erasure takes the site's writer";
        } catch (const zel::Error& error) {
            EXPECT_EQ(error.Number(), errc::ReadOnlyDatabase);
        }
    });
    OnFreshThread([&] {
        DataSource ds;
        ds.OpenDatabase(mPath, OpenMode::ReadOnly);
        LifecycleStore lifecycle(ds.GetConnection());
        EXPECT_FALSE(lifecycle.CanFinish());
        EXPECT_EQ(Listed(lifecycle.Pending()), "1:18 ");
        EXPECT_THROW(lifecycle.RemovePending(1, "18"), zel::Error);
    });
}

TEST_P(LifecycleStoreTest, TheRetentionSettingDefaultsToThreeYearsAndRefusesNonsense)
{
    WithOpenDatabase(mPath, [&](DataSource& ds) {
        LifecycleStore lifecycle(ds.GetConnection());
        EXPECT_EQ(lifecycle.RetentionDays(), kDefaultRetentionDays);
        lifecycle.SetRetentionDays(30);
        lifecycle.SetRetentionDays(400);
        EXPECT_EQ(lifecycle.RetentionDays(), 400);
        for (int bad : {0, -5, 36501})
            EXPECT_THROW(lifecycle.SetRetentionDays(bad), zel::Error) << bad;
        EXPECT_EQ(lifecycle.RetentionDays(), 400);
    });
    Sql("UPDATE SiteSettings SET Value = 'soon';", "UPDATE SiteSettings SET Value = 'soon';");
    WithOpenDatabase(mPath, [&](DataSource& ds) {
        EXPECT_EQ(LifecycleStore(ds.GetConnection()).RetentionDays(), kDefaultRetentionDays) << "a hand-written value";
    });
}

TEST_P(LifecycleStoreTest, ATemplateIsDatedWhenStoredAndForgettingTakesItOut)
{
    WithOpenDatabase(mPath, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        users->Add("17", "Ann");
        auto bo = users->Add("18", "Bo");
        bo->SetEnrolled(true);
        bo->SetTemplate({1, 2, 3, 4, 5, 6, 7, 8, 9});
        users->Save();
        LifecycleStore lifecycle(ds.GetConnection());
        EXPECT_EQ(lifecycle.TemplateDates().size(), 1u);
        EXPECT_EQ(lifecycle.TemplateDates().count("18"), 1u);

        EXPECT_TRUE(lifecycle.ForgetTemplate(bo->DatabaseID()));
        EXPECT_TRUE(users->Reload(bo));
        EXPECT_FALSE(bo->Enrolled());
        EXPECT_TRUE(lifecycle.TemplateDates().empty());
        bo->SetName("Bo Lee"); // the list saves the row again: the template stays out
        users->Save();
    });
    EXPECT_EQ(
        Sql("SELECT UserID, Name, Enrolled, CASE WHEN Template IS NULL THEN 1 ELSE 0 END FROM Users ORDER BY ID;"),
        "17|Ann|0|1\n18|Bo Lee|0|1\n");
}

TEST_P(LifecycleStoreTest, TheLastPunchOfEachUserComesFromTheCollectedEvents)
{
    WithOpenDatabase(mPath, [&](DataSource& ds) {
        auto refused = Punch("18", 20);
        refused.FormatType = 8;
        EventStore(ds.GetConnection()).Add({Punch("17", 3), Punch("17", 12), Punch("18", 5), refused, Punch("", 25)});
        const auto last = LifecycleStore(ds.GetConnection()).LastEvents({7});
        EXPECT_EQ(last,
                  (std::map<std::string, std::string>{{"17", "2026-01-12 08:00:00"}, {"18", "2026-01-05 08:00:00"}}));
        EXPECT_TRUE(LifecycleStore(ds.GetConnection()).LastEvents({}).empty());
    });
}

// An older site gains the tables and the column at its first open for writing; its templates
// count from then. Opened read-only before, it shows no pending erasure and the default.
TEST_P(LifecycleStoreTest, AnOlderSiteGainsTheTablesAtItsFirstOpenForWriting)
{
    WithOpenDatabase(mPath, [&](DataSource& ds) {
        auto users = ds.GetUserDescriptionList();
        auto ann = users->Add("17", "Ann");
        ann->SetEnrolled(true);
        ann->SetTemplate({1, 2, 3, 4, 5, 6, 7, 8, 9});
        users->Save();
    });
    Sql("DROP TRIGGER Users_TemplateStored; DROP TRIGGER Users_TemplateAdded; ALTER TABLE Users DROP COLUMN "
        "TemplateStoredAt; DROP TABLE PendingErasures; DROP TABLE SiteSettings; PRAGMA user_version = 1;",
        "DROP TRIGGER zel_template_stored ON users; ALTER TABLE Users DROP COLUMN TemplateStoredAt; DROP TABLE "
        "PendingErasures; DROP TABLE SiteSettings; UPDATE SiteSchema SET Version = 1;");
    OnFreshThread([&] {
        DataSource ds;
        ds.OpenDatabase(mPath, OpenMode::ReadOnly);
        LifecycleStore lifecycle(ds.GetConnection());
        EXPECT_TRUE(lifecycle.Pending().empty());
        EXPECT_EQ(lifecycle.RetentionDays(), kDefaultRetentionDays);
        EXPECT_TRUE(lifecycle.TemplateDates().empty());
    });
    WithOpenDatabase(mPath, [&](DataSource& ds) {
        LifecycleStore lifecycle(ds.GetConnection());
        EXPECT_EQ(lifecycle.TemplateDates().count("17"), 1u) << "counted from the first time the rule sees it";
        lifecycle.AddPending({Erasure(1, "17")});
        EXPECT_EQ(lifecycle.Pending().size(), 1u);
    });
}

INSTANTIATE_TEST_SUITE_P(Engines, LifecycleStoreTest, ::testing::Values(Engine::Sqlite, Engine::Postgres), EngineName);
