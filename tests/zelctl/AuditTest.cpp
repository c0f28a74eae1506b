// The audit trail through zelctl: every command that acts on clocks writes one row per clock with
// its outcome (done on an answering clock, not answering, not connected), a dry run writes none,
// and audit verify finds a row changed behind its back.
#include <gtest/gtest.h>

#include "EmulatedSite.h"
#include "ZelctlProcess.h"
#include "clocksim/Server.h"
#include "zel/data/DataSource.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cstdio>
#include <fstream>
#include <map>

namespace {

using zel::cli::test::Zelctl;

class AuditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        emulated.AddLine("Line A", {{"Front", 1}, {"Spare", 3}, {"Silent", 9, zel::sim::ClockModel::Base, false}});
        emulated.AddDeadLine("Line B", {{"Far", 1}});
        emulated.InSite([] { zel::test::EmulatedSite::AddEnrolledUsers(101, 2); });
    }

    // The rows written since `after` (a sequence), oldest first: "action clock=outcome users".
    std::vector<std::string> RowsAfter(int after)
    {
        auto list = Zelctl({"audit", "list", "--format", "json"});
        EXPECT_EQ(list.Status, 0) << list.Err;
        std::vector<std::string> rows;
        for (const auto& value : list.Json()) {
            const auto row = value.toObject();
            if (row.value("sequence").toInt() > after)
                rows.insert(rows.begin(), (row.value("action").toString() + " " + row.value("clock").toString() + "=" +
                                           row.value("outcome").toString() + " " + row.value("users").toString())
                                              .trimmed()
                                              .toStdString());
        }
        return rows;
    }
    int LastSequence()
    {
        auto list = Zelctl({"audit", "list", "--format", "json"});
        return list.Json().isEmpty() ? 0 : list.Json().first().toObject().value("sequence").toInt();
    }

    zel::test::EmulatedSite emulated{"zelctl-audit", 150};
    std::string File(const char* name) const { return (emulated.Folder() / name).string(); }
};

} // namespace

TEST_F(AuditTest, EveryClockCommandLogsEachClockOnceWithItsOutcome)
{
    std::ofstream(File("menu.bin")) << "MENU";
    const std::string backup = File("front.zbk");
    struct Case {
        std::vector<std::string> Args;
        std::vector<std::string> Rows;
    };
    const Case cases[] = {
        {{"time", "set", "Front", "Silent", "Far"},
         {"time-set Front=done", "time-set Silent=not answering", "time-set Far=not connected"}},
        {{"time", "set", "Front", "--dry-run"}, {}},
        {{"users", "send", "Front", "Far", "--user", "101"}, {"send Front=done 101", "send Far=not connected 101"}},
        {{"users", "remove", "Front", "--user", "101"}, {"remove Front=done 101"}},
        {{"users", "remove", "Front", "--all-users"}, {"clear Front=done"}},
        {{"sync", "--from", "Spare", "--to", "Front"}, {"sync Spare=done", "sync Front=done"}},
        {{"users", "import", "Front"}, {"import Front=done"}},
        {{"settings", "set", "Front", "--time-format", "12"}, {"settings Front=done"}},
        {{"settings", "dst", "Silent"}, {"settings Silent=not answering"}},
        {{"menu", "send", "Front", File("menu.bin")}, {"menu Front=done"}},
        {{"backup", "Front", backup}, {"backup Front=done"}},
        {{"restore", backup, "Spare"}, {}}, // only a plan
        {{"restore", backup, "Spare", "--yes"}, {"restore Spare=done"}},
        {{"events", "collect", "Front", "Far"}, {"events-collect Front=done", "events-collect Far=not connected"}},
        {{"status", "Front"}, {}},
    };
    for (const auto& c : cases) {
        const int before = LastSequence();
        Zelctl(c.Args);
        std::string command;
        for (const auto& arg : c.Args)
            command += arg + " ";
        EXPECT_EQ(RowsAfter(before), c.Rows) << command;
    }
    auto verify = Zelctl({"audit", "verify"});
    EXPECT_EQ(verify.Status, 0) << verify.Out << verify.Err;
}

TEST_F(AuditTest, VerifyNamesTheRowChangedBehindItsBack)
{
    Zelctl({"time", "set", "Front"});
    Zelctl({"users", "send", "Front", "--user", "102"});
    const std::string sql =
        "DROP TRIGGER AuditLog_NoUpdate; UPDATE AuditLog SET UserIDs = '999' WHERE Action = 'send';";
    ASSERT_EQ(std::system(("sqlite3 '" + emulated.SitePath() + "' \"" + sql + "\"").c_str()), 0);
    auto verify = Zelctl({"audit", "verify", "--format", "json"});
    EXPECT_EQ(verify.Status, 1);
    const auto row = verify.Json().first().toObject();
    EXPECT_EQ(row.value("result").toString(), "changed");
    EXPECT_NE(verify.Err.find("was changed"), std::string::npos) << verify.Err;
    auto filtered = Zelctl({"audit", "list", "--user", "999", "--action", "send", "--format", "json"});
    ASSERT_EQ(filtered.Json().size(), 1);
    EXPECT_EQ(filtered.Json().first().toObject().value("sequence").toInt(), row.value("sequence").toInt());
    EXPECT_EQ(Zelctl({"audit", "list", "--since", "yesterday"}).Status, 2);
}
