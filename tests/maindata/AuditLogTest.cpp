// The site's audit trail on either engine: every site edit leaves one row in the transaction of
// the edit, the chain names the first row changed, removed or inserted behind the library's back,
// a read-only site takes no row, and an older site gains the table once.
#include "MainDataTestSupport.h"
#include "PgCluster.h"
#include "SiteTest.h"

#include "zel/data/AuditLog.h"
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/IStore.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"

#include <gtest/gtest.h>

using namespace zel::data;
using namespace zel::data::test;

namespace {

class AuditLogTest : public SiteTest {
protected:
    // "action|clock|users|outcome" of every row, oldest first.
    static std::vector<std::string> Rows(const DataSource& ds, const AuditFilter& filter = {})
    {
        std::vector<std::string> rows;
        AuditLog(ds.GetConnection()).ForEach(filter, [&](const AuditEntry& e) {
            std::string users;
            for (const auto& id : e.UserIDs)
                users += (users.empty() ? "" : ",") + id;
            rows.insert(rows.begin(), e.Action + "|" + e.ClockName + "|" + users + "|" + e.Outcome);
        });
        return rows;
    }

    // Appends `count` rows of clock "Gate" naming user "17", one second apart from 2026-01-01.
    static void AppendRows(const DataSource& ds, int count)
    {
        std::vector<AuditEntry> entries;
        for (int i = 0; i < count; ++i) {
            AuditEntry e;
            e.Time = "2026-01-0" + std::to_string(1 + i % 9) + "T08:00:00Z";
            e.Action = i % 2 ? "send" : "remove";
            e.ClockID = 1;
            e.ClockName = "Gate";
            e.UserIDs = {"17", std::to_string(100 + i)};
            e.Outcome = "done";
            entries.push_back(e);
        }
        AuditLog(ds.GetConnection()).Append(entries);
    }

    // A new, empty site in place of the case's own (another file, or another database).
    void NewSite(const std::string& name)
    {
        mPath = OnServer() ? zel::test::PgCluster::Shared()->NewDatabase() : NewDatabase(mFolder, name);
        if (OnServer())
            DataSource::CreateDatabase(mPath);
        WithOpenDatabase(mPath, [](DataSource&) {});
    }

    AuditVerdict Verify()
    {
        AuditVerdict verdict;
        OnFreshThread([&] {
            DataSource ds;
            ds.OpenDatabase(mPath, OpenMode::ReadOnly);
            verdict = AuditLog(ds.GetConnection()).Verify();
        });
        return verdict;
    }
};

} // namespace

TEST_P(AuditLogTest, EverySiteEditLeavesOneRowInItsTransaction)
{
    WithOpenDatabase(mPath, [&](DataSource& ds) {
        auto channels = ds.GetChannelDescriptionList();
        auto clocks = ds.GetReaderDescriptionList();
        auto users = ds.GetUserDescriptionList();
        auto channel = channels->Add(EthernetChannel, "Line");
        auto clock = clocks->Add(1, "Gate", channel);
        users->Add("17", "Ann");
        users->Item("17")->SetName("Ann Lee");
        clock->SetLocation("Hall");
        users->Save();
        clocks->Save();
        users->Remove("17");
        users->Save();
        clocks->Remove("Gate");
        clocks->Save();
        channels->Remove("Line");
        channels->Save();
        EXPECT_EQ(Rows(ds),
                  (std::vector<std::string>{"channel-add|||done", "clock-add|Gate||done", "user-add||17|done",
                                            "user-change||17|done", "clock-change|Gate||done", "user-remove||17|done",
                                            "clock-remove|Gate||done", "channel-remove|||done"}));

        // A Save the engine refuses leaves neither the change nor its row.
        RefuseWhen("no_bo", "Users", "INSERT", "NEW.UserID = '18'");
        EXPECT_NE(ErrorNumberOf([&] { users->Add("18", "Bo"); }), 0);
        EXPECT_EQ(Rows(ds).size(), 8u);
    });
    EXPECT_TRUE(Verify().Intact());
}

TEST_P(AuditLogTest, TheFilterAndThePagesGoNewestFirst)
{
    WithOpenDatabase(mPath, [&](DataSource& ds) {
        AppendRows(ds, 9);
        AuditLog log(ds.GetConnection());
        struct Case {
            AuditFilter Filter;
            std::int64_t Rows;
        };
        const Case cases[] = {
            {{}, 9},
            {{"2026-01-03", "", "", "", ""}, 7},
            {{"", "2026-01-03", "", "", ""}, 3},
            {{"2026-01-02 08:00", "2026-01-02T08:00:00Z", "", "", ""}, 1},
            {{"", "", "104", "", ""}, 1},
            {{"", "", "17", "gate", "send"}, 4},
            {{"", "", "", "1", ""}, 9},
            {{"", "", "", "Door", ""}, 0},
        };
        for (const auto& c : cases)
            EXPECT_EQ(log.Count(c.Filter), c.Rows) << c.Filter.Since << " " << c.Filter.Until;
        const auto first = log.Page({}, 0, 4);
        ASSERT_EQ(first.size(), 4u);
        EXPECT_EQ(first.front().Sequence, 9);
        const auto next = log.Page({}, first.back().ID, 10);
        ASSERT_EQ(next.size(), 5u);
        EXPECT_EQ(next.back().Sequence, 1);
        EXPECT_EQ(ErrorNumberOf([&] { log.Count({"yesterday", "", "", "", ""}); }), zel::errc::TypeMismatch);
    });
}

TEST_P(AuditLogTest, ReadOnlySiteTakesNoRowAndTheServerRefusesChanges)
{
    WithOpenDatabase(mPath, [&](DataSource& ds) { AppendRows(ds, 2); });
    OnFreshThread([&] {
        DataSource ds;
        ds.OpenDatabase(mPath, OpenMode::ReadOnly);
        EXPECT_EQ(ErrorNumberOf([&] { AuditLog(ds.GetConnection()).Append({AuditEntry{}}); }), errc::ReadOnlyDatabase);
        EXPECT_EQ(Rows(ds).size(), 2u);
    });
    // Appending beside the writer is allowed, as for events.
    OnFreshThread([&] {
        DataSource ds;
        ds.OpenDatabase(mPath, OpenMode::Append);
        AppendRows(ds, 1);
    });
    EXPECT_TRUE(Verify().Intact());
    EXPECT_EQ(Verify().RowsChecked, 3);
    const auto refused = [&](const std::string& sql) {
        return OnServer() ? zel::test::PgCluster::ErrorOf(mPath, sql) : SqliteErrorOf(mPath, sql);
    };
    for (const char* sql : {"UPDATE AuditLog SET Detail = 'x';", "DELETE FROM AuditLog;"})
        EXPECT_NE(refused(sql).find("append-only"), std::string::npos) << sql;
}

TEST_P(AuditLogTest, VerifyNamesTheFirstRowChangedRemovedOrInserted)
{
    struct Case {
        const char* Tamper; // run on a chain of 6 rows
        AuditVerdict::Kind What;
        std::int64_t RowID;
    };
    const Case cases[] = {
        {"UPDATE AuditLog SET UserIDs = '18' WHERE ID = 4;", AuditVerdict::Kind::Changed, 4},
        {"DELETE FROM AuditLog WHERE ID IN (2, 3);", AuditVerdict::Kind::Removed, 4},
        {"DELETE FROM AuditLog WHERE ID = 1;", AuditVerdict::Kind::Removed, 2},
        {"INSERT INTO AuditLog (Seq, LoggedAt, OsUser, Host, Program, Version, Action, PreviousHash, Hash) "
         "SELECT Seq + 1, LoggedAt, OsUser, Host, Program, Version, 'send', Hash, Hash FROM AuditLog WHERE ID = 6;",
         AuditVerdict::Kind::Changed, 7},
        {"INSERT INTO AuditLog SELECT 10, Seq, LoggedAt, OsUser, Host, Program, Version, Action, ClockID, ClockName, "
         "UserIDs, Outcome, Detail, PreviousHash, Hash FROM AuditLog WHERE ID = 3;",
         AuditVerdict::Kind::Inserted, 10},
    };
    for (const auto& c : cases) {
        NewSite(std::to_string(&c - cases) + ".mdb");
        WithOpenDatabase(mPath, [&](DataSource& ds) { AppendRows(ds, 6); });
        ASSERT_TRUE(Verify().Intact());
        Sql(std::string("DROP TRIGGER AuditLog_NoUpdate; DROP TRIGGER AuditLog_NoDelete; ") + c.Tamper,
            std::string("ALTER TABLE AuditLog DISABLE TRIGGER USER; ") + c.Tamper);
        const AuditVerdict verdict = Verify();
        EXPECT_EQ(verdict.What, c.What) << c.Tamper << ": " << verdict.Text();
        EXPECT_EQ(verdict.RowID, c.RowID) << c.Tamper << ": " << verdict.Text();
    }
}

TEST_P(AuditLogTest, AnOlderSiteGainsTheTableWhenOpenedForWriting)
{
    WithOpenDatabase(mPath, [](DataSource&) {});
    Sql("DROP TABLE AuditLog; PRAGMA user_version = 1;", "DROP TABLE AuditLog; UPDATE SiteSchema SET Version = 1;");
    OnFreshThread([&] {
        DataSource ds;
        ds.OpenDatabase(mPath, OpenMode::ReadOnly);
        EXPECT_TRUE(Rows(ds).empty());
        EXPECT_TRUE(AuditLog(ds.GetConnection()).Verify().Intact());
    });
    EXPECT_EQ(Sql("SELECT count(*) FROM sqlite_master WHERE name = 'AuditLog';",
                  "SELECT count(*) FROM pg_class WHERE relname = 'auditlog';"),
              "0\n")
        << "a read-only open makes nothing";
    WithOpenDatabase(mPath, [&](DataSource& ds) {
        ds.GetUserDescriptionList()->Add("17", "Ann");
        EXPECT_EQ(Rows(ds), (std::vector<std::string>{"user-add||17|done"}));
    });
}

INSTANTIATE_TEST_SUITE_P(Engines, AuditLogTest, ::testing::Values(Engine::Sqlite, Engine::Postgres), EngineName);
