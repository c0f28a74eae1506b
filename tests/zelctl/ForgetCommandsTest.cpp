// zelctl users forget, the retention schedule and the dry runs end to end: a temporary site with two
// clocks, each on a line of its own, on the in-process emulator (zel::test::EmulatedSite); zelctl
// runs as its own process.
#include <gtest/gtest.h>

#include "EmulatedSite.h"
#include "ZelctlProcess.h"

#include "clocksim/Server.h"
#include "zel/DateTime.h"
#include "zel/data/DataSource.h"
#include "zel/data/EventStore.h"
#include "zel/data/IStore.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"

#include <QJsonArray>
#include <QJsonObject>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

namespace {

using zel::cli::test::Zelctl;
using zel::test::EmulatedSite;
using Held = std::set<std::string>;

class ForgetCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        emulated.AddLine("Line A", {{"Front", 1}});
        emulated.AddLine("Line B", {{"Back", 2}});
        emulated.InSite([] { EmulatedSite::AddEnrolledUsers(1001, 5); });
        for (const char* clock : {"Front", "Back"})
            for (int id : {1001, 1002})
                emulated.Emulated(clock).PutUser(EmulatedSite::MakeClockUser(id));
    }

    Held HeldBy(const char* clock) { return EmulatedSite::HeldIDs(emulated.Emulated(clock)); }

    void StopBack() { emulated.Line("Line B").Stop(); }
    // The emulator back on a port of its own: the site's channel is told the new port.
    void StartBack()
    {
        auto& line = emulated.Line("Line B");
        line.Start();
        ASSERT_EQ(Zelctl({"channels", "set", "Line B", "--port", std::to_string(line.Port())}).Status, 0);
    }

    // "user_id:enrolled:erasure" of each site user, as 'zelctl users' lists them.
    std::string Users()
    {
        auto listed = Zelctl({"users", "--format", "json"});
        EXPECT_EQ(listed.Status, 0) << listed.Err;
        std::string text;
        for (const auto& row : listed.Json()) {
            const auto user = row.toObject();
            text += user.value("user_id").toString().toStdString() + ":" +
                    (user.value("enrolled").toBool() ? "enrolled" : "-") + ":" +
                    (user.value("erasure").isNull() ? "-" : user.value("erasure").toString().toStdString()) + " ";
        }
        return text;
    }

    std::string SiteBytes() const
    {
        std::ifstream in(emulated.SitePath(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    EmulatedSite emulated{"zelctl-forget", 150};
};

} // namespace

TEST_F(ForgetCommandsTest, AClockStoppedKeepsAPendingErasureThatTheNextCommandFinishes)
{
    StopBack();
    auto forget = Zelctl({"users", "forget", "1001", "--yes", "--format", "json"});
    EXPECT_EQ(forget.Status, 1) << forget.Err;
    EXPECT_NE(forget.Err.find("1 erasure pending"), std::string::npos) << forget.Err;
    EXPECT_EQ(HeldBy("Front"), (Held{"1002"}));
    EXPECT_EQ(Users(), "1001:-:erasure pending 1002:enrolled:- 1003:enrolled:- 1004:enrolled:- 1005:enrolled:- ");
    emulated.InSite(
        [] { EXPECT_TRUE(zel::data::DataSource().GetUserDescriptionList()->Item("1001")->Template().empty()); });

    StartBack();
    EXPECT_EQ(HeldBy("Back"), (Held{"1001", "1002"}));
    // A dry run reaches the clock and leaves the erasure for a command that writes.
    ASSERT_EQ(Zelctl({"users", "remove", "Back", "--user", "1002", "--dry-run"}).Status, 0);
    EXPECT_EQ(HeldBy("Back"), (Held{"1001", "1002"}));
    auto status = Zelctl({"status", "Back"});
    ASSERT_EQ(status.Status, 0) << status.Err;
    EXPECT_EQ(HeldBy("Back"), (Held{"1002"}));
    EXPECT_EQ(Users(), "1001:-:- 1002:enrolled:- 1003:enrolled:- 1004:enrolled:- 1005:enrolled:- ");
    // The receipts: one row per clock of the forget, then the erasure finished on Back.
    auto receipts = Zelctl({"audit", "list", "--action", "forget", "--format", "json"});
    ASSERT_EQ(receipts.Status, 0) << receipts.Err;
    ASSERT_EQ(receipts.Json().size(), 3);
    EXPECT_EQ(receipts.Json()[0].toObject().value("detail").toString(), "pending erasure finished");
}

TEST_F(ForgetCommandsTest, PendingErasuresAreListedAndRetriedOnRequest)
{
    StopBack();
    ASSERT_EQ(Zelctl({"users", "forget", "1001", "1002", "--yes"}).Status, 1);
    auto listed = Zelctl({"users", "forget", "--pending", "--dry-run", "--format", "json"});
    ASSERT_EQ(listed.Status, 0) << listed.Err;
    ASSERT_EQ(listed.Json().size(), 2);
    EXPECT_EQ(listed.Json()[0].toObject().value("clock").toString(), "Back");

    StartBack();
    auto retried = Zelctl({"users", "forget", "--pending", "--format", "json"});
    ASSERT_EQ(retried.Status, 0) << retried.Err;
    EXPECT_EQ(retried.Json()[0].toObject().value("finished").toInt(), 2);
    EXPECT_EQ(HeldBy("Back"), Held{});
    EXPECT_EQ(Zelctl({"users", "forget", "--pending", "--format", "json"}).Json().size(), 0);
}

// Every command that writes to a clock or the site tells, with --dry-run (or, for a forget, without
// --yes), what it would do, with the exit status the run would have, and writes nothing.
TEST_F(ForgetCommandsTest, ADryRunReachesTheClocksAndWritesNothing)
{
    struct Case {
        std::vector<std::string> Args;
        int Status;
        const char* Told; // in the output
    };
    const Case cases[] = {
        {{"users", "forget", "1001"}, 0, "would remove 1 user: 1001"},
        {{"users", "forget", "1001", "--yes", "--dry-run"}, 0, "would remove 1 user: 1001"},
        {{"users", "send", "Front", "--enrolled", "--dry-run"}, 0, "would send 5 users, 2 of them held already"},
        {{"users", "remove", "--all", "--all-users", "--dry-run"}, 0, "would remove every user (2 users)"},
        {{"users", "import", "Back", "--dry-run"}, 0, "would read 2 users into the site"},
        {{"sync", "--from", "Front", "--to", "Back", "--clear", "--dry-run"}, 0, "would remove no user"},
        {{"retention", "apply", "--dry-run"}, 0, ""},
        {{"time", "set", "--all", "--dry-run"}, 0, "would be set"},
    };
    const std::string before = SiteBytes();
    for (const auto& c : cases) {
        auto run = Zelctl(c.Args);
        EXPECT_EQ(run.Status, c.Status) << c.Args[1] << ": " << run.Err;
        EXPECT_NE(run.Out.find(c.Told), std::string::npos) << c.Args[1] << ": " << run.Out;
    }
    EXPECT_EQ(HeldBy("Front"), (Held{"1001", "1002"}));
    EXPECT_EQ(HeldBy("Back"), (Held{"1001", "1002"}));
    EXPECT_TRUE(SiteBytes() == before) << "the site was written";

    // A clock that cannot be reached gives the status a run would give.
    StopBack();
    EXPECT_EQ(Zelctl({"users", "forget", "1001"}).Status, 1);
    EXPECT_EQ(Zelctl({"users", "send", "Back", "--enrolled", "--dry-run"}).Status, 4);
    EXPECT_TRUE(SiteBytes() == before) << "the site was written";
}

// Who is due follows the collected punches and the template dates, against today's date.
TEST_F(ForgetCommandsTest, TheRetentionPlanCountsFromTheLastPunchOrTheLaterEnrollment)
{
    const auto today = zel::DateTime::Now();
    auto daysAgo = [&](int days) { return today.AddDays(-days).DateString(); };
    emulated.InSite([&] {
        zel::data::DataSource data;
        auto users = data.GetUserDescriptionList();
        auto store = data.GetConnection();
        const std::pair<const char*, int> stored[] = {
            {"1001", 900}, {"1002", 500}, {"1003", 366}, {"1004", 0}, {"1005", 20}};
        for (const auto& [id, days] : stored)
            store->Update("Users", users->Item(id)->DatabaseID(),
                          {{"TemplateStoredAt", zel::data::FieldValue(daysAgo(days) + "T12:00:00Z")}});
        std::vector<zel::data::StoredEvent> punches;
        for (const auto& [id, days] : {std::pair{"1001", 400}, {"1001", 700}, {"1002", 10}, {"1005", 400}}) {
            zel::data::StoredEvent punch;
            punch.ClockID = 1;
            punch.ClockName = "Front";
            punch.TimeStamp = daysAgo(days) + " 08:00:00";
            punch.FormatType = 7; // identity verified
            punch.Data1[0] = static_cast<std::uint8_t>(punches.size());
            punch.UserID = id;
            punch.CollectedAt = today.ToString();
            punches.push_back(punch);
        }
        zel::data::EventStore().Add(punches);
    });
    ASSERT_EQ(Zelctl({"retention", "set", "365"}).Status, 0);

    auto plan = Zelctl({"retention", "plan", "--format", "json"});
    ASSERT_EQ(plan.Status, 0) << plan.Err;
    std::string due;
    for (const auto& row : plan.Json()) {
        const auto user = row.toObject();
        due += user.value("user_id").toString().toStdString() + " " + user.value("basis").toString().toStdString() +
               " " + user.value("date").toString().toStdString() + " " +
               std::to_string(user.value("days_over").toInt()) + "; ";
    }
    EXPECT_EQ(due, "1001 last punch " + daysAgo(400) + " 35; 1003 template stored " + daysAgo(366) + " 1; ");

    auto apply = Zelctl({"retention", "apply", "--yes"});
    EXPECT_EQ(apply.Status, 0) << apply.Err;
    EXPECT_EQ(Users(), "1001:-:- 1002:enrolled:- 1003:-:- 1004:enrolled:- 1005:enrolled:- ");
    EXPECT_EQ(HeldBy("Front"), (Held{"1002"}));
    EXPECT_EQ(Zelctl({"retention", "plan", "--format", "json"}).Json().size(), 0);

    auto policy = Zelctl({"retention", "policy"});
    EXPECT_NE(policy.Out.find("no later than 365 days (1 year) after"), std::string::npos) << policy.Out;
}
