// zelctl events collect and events export end to end: a temporary site with two clocks on the
// in-process emulator (zel::test::EmulatedSite); zelctl runs as its own process.
#include <gtest/gtest.h>

#include "EmulatedSite.h"
#include "MachineZone.h"
#include "SpreadsheetCsv.h"
#include "ZelctlProcess.h"

#include "clocksim/ClockUser.h"
#include "clocksim/Server.h"
#include "zel/data/DataSource.h"
#include "zel/data/UserDescriptionList.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

using zel::cli::test::Outcome;
using zel::cli::test::Zelctl;

class EventCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        server = &emulated.AddLine("Line A", {{"Front", 1}, {"Back", 2, zel::sim::ClockModel::Vt9}});
        AddUsers({{"42", "Smith, \"Jo\"\nZoë"}});
    }

    void AddUsers(const std::vector<std::pair<std::string, std::string>>& users)
    {
        emulated.InSite([&] {
            auto list = zel::data::DataSource().GetUserDescriptionList();
            for (const auto& [id, name] : users)
                list->Add(id, name);
            list->Save();
        });
    }

    void Punch(std::uint8_t readerId, int userId, std::int32_t kind = 7)
    {
        auto id = *zel::sim::UserIdFromText(std::to_string(userId));
        server->Clock(readerId).LogEvent(kind, &id);
    }

    // The site users 501, 502, ... named after the hostile names, each punched once at Front.
    void AddHostileUsers()
    {
        std::vector<std::pair<std::string, std::string>> users;
        for (const auto& hostile : zel::test::HostileNames())
            users.emplace_back(std::to_string(501 + users.size()), hostile.Name);
        AddUsers(users);
        for (int id = 501; id < 501 + static_cast<int>(users.size()); ++id)
            Punch(1, id);
    }

    // The cells of a CSV file's column, by the value of its `user_id` column, read by Python.
    std::map<std::string, std::string> ColumnByUser(const std::string& file, const std::string& column)
    {
        const auto read = zel::test::ReadCsvWithPython(file);
        EXPECT_EQ(read.Error, "");
        std::map<std::string, std::string> cells;
        if (read.Rows.empty())
            return cells;
        const auto& header = read.Rows.front();
        const auto at = [&](const std::string& key) {
            return static_cast<std::size_t>(std::find(header.begin(), header.end(), key) - header.begin());
        };
        for (std::size_t r = 1; r < read.Rows.size(); ++r) {
            EXPECT_EQ(read.Rows[r].size(), header.size()) << "row " << r << " of " << file;
            if (read.Rows[r].size() == header.size())
                cells[read.Rows[r][at("user_id")]] = read.Rows[r][at(column)];
        }
        return cells;
    }

    zel::test::EmulatedSite emulated{"zelctl-events", 150};
    zel::sim::Server* server = nullptr;
    const fs::path& folder = emulated.Folder();
    const std::string& site = emulated.SitePath();
};

TEST_F(EventCommandsTest, CollectsOnceAndExportsWhatTheFilterShows)
{
    Punch(1, 42);
    Punch(1, 7);
    Punch(2, 42);
    auto first = Zelctl({"--format", "json", "events", "collect", "--all"});
    ASSERT_EQ(first.Status, 0) << first.Err;
    ASSERT_EQ(first.Json().size(), 2);
    EXPECT_EQ(first.Json()[0].toObject().value("new").toInt(), 2);
    EXPECT_EQ(first.Json()[1].toObject().value("new").toInt(), 1);

    auto again = Zelctl({"--format", "json", "events", "collect", "Front"});
    ASSERT_EQ(again.Status, 0) << again.Err;
    EXPECT_EQ(again.Json()[0].toObject().value("new").toInt(), 0);

    auto json = Zelctl({"--format", "json", "events", "export", "--user", "42"});
    ASSERT_EQ(json.Status, 0) << json.Err;
    ASSERT_EQ(json.Json().size(), 2);
    EXPECT_EQ(json.Json()[0].toObject().value("user_name").toString(), QString::fromUtf8("Smith, \"Jo\"\nZoë"));
    EXPECT_EQ(json.Json()[0].toObject().value("kind").toString(), "Identity verified");

    const std::string file = (folder / "front.csv").string();
    auto csv = Zelctl({"events", "export", "--clock", "Front", "-o", file});
    ASSERT_EQ(csv.Status, 0) << csv.Err;
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string all = text.str();
    EXPECT_EQ(all.rfind("time,clock,clock_id,reader_id,user_id,user_name,kind,", 0), 0u) << all;
    EXPECT_NE(all.find(",\"Smith, \"\"Jo\"\"\nZoë\","), std::string::npos) << "RFC 4180 quoting: " << all;
    EXPECT_NE(all.find("T"), std::string::npos);
    int lines = 0;
    for (std::size_t at = 0; (at = all.find("\r\n", at)) != std::string::npos; at += 2)
        ++lines;
    EXPECT_EQ(lines, 3) << "header and the two events of Front";
}

// time_utc: each event's moment by its clock's zone, across New York's autumn change (1:00 to
// 1:59 come twice and are taken as the first pass); a clock without a zone keeps the machine's.
TEST_F(EventCommandsTest, TimeUtcUsesTheClocksZoneAcrossAChange)
{
    const zel::test::MachineZone machine("Asia/Tokyo");
    ASSERT_EQ(Zelctl({"clocks", "set", "Front", "--time-zone", "America/New_York"}).Status, 0);
    struct Case {
        std::uint8_t ReaderId;
        zel::DateTime Local;
        const char* Utc;
        int UserId;
    };
    const Case cases[] = {
        {1, zel::DateTime(2026, 11, 1, 0, 59, 59), "2026-11-01T04:59:59Z", 11},
        {1, zel::DateTime(2026, 11, 1, 1, 30, 0), "2026-11-01T05:30:00Z", 12}, // repeated: first pass
        {1, zel::DateTime(2026, 11, 1, 2, 0, 0), "2026-11-01T07:00:00Z", 13},
        {2, zel::DateTime(2026, 11, 1, 2, 0, 0), "2026-10-31T17:00:00Z", 14}, // Tokyo, the machine's
    };
    for (const auto& c : cases) {
        server->Clock(c.ReaderId).SetTime(c.Local);
        Punch(c.ReaderId, c.UserId);
    }
    ASSERT_EQ(Zelctl({"events", "collect", "--all"}).Status, 0);
    const std::string file = (folder / "utc.csv").string();
    ASSERT_EQ(Zelctl({"events", "export", "-o", file}).Status, 0);
    const auto utc = ColumnByUser(file, "time_utc");
    for (const auto& c : cases)
        EXPECT_EQ(utc.at(std::to_string(c.UserId)), c.Utc) << c.Local.ToString();
    auto json = Zelctl({"--format", "json", "events", "export", "--user", "12"});
    EXPECT_EQ(json.Json().at(0).toObject().value("time_utc").toString(), "2026-11-01T05:30:00Z");
}

// The reconciliation as scripts read it, and events status after a loss.
TEST_F(EventCommandsTest, CollectTellsTheReconciliationAndStatusRemembersALoss)
{
    Punch(1, 42);
    ASSERT_EQ(Zelctl({"events", "collect", "Front"}).Status, 0);
    for (int i = 0; i < 1003; ++i) // the log holds 1000: 3 are overwritten before they are collected
        Punch(1, 1000 + i);
    auto clock = Zelctl({"--format", "json", "status", "Front"});
    ASSERT_EQ(clock.Status, 0) << clock.Err;
    EXPECT_EQ(clock.Json()[0].toObject().value("log_unread").toInt(), 1000);
    EXPECT_NE(clock.Json()[0].toObject().value("detail").toString().indexOf("event log 100 % unread"), -1) << clock.Out;
    auto run = Zelctl({"--format", "json", "events", "collect", "Front"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const QJsonObject front = run.Json()[0].toObject();
    EXPECT_EQ(front.value("held").toInt(), 1000);
    EXPECT_EQ(front.value("new").toInt(), 1000);
    EXPECT_EQ(front.value("known").toInt(), 0);
    EXPECT_EQ(front.value("lost").toInt(), 3);
    EXPECT_TRUE(front.value("wrapped").toBool());
    EXPECT_EQ(front.value("capacity").toInt(), 1000);
    EXPECT_FALSE(front.value("lost_from").toString().isEmpty());
    EXPECT_LE(front.value("lost_from").toString(), front.value("lost_to").toString());

    auto status = Zelctl({"--format", "json", "events", "status"});
    ASSERT_EQ(status.Status, 0) << status.Err;
    ASSERT_EQ(status.Json().size(), 1) << "Back was never collected";
    const QJsonObject row = status.Json()[0].toObject();
    EXPECT_EQ(row.value("clock").toString(), "Front");
    EXPECT_EQ(row.value("collections").toInt(), 2);
    EXPECT_TRUE(row.value("ever_lost").toBool());
    EXPECT_EQ(row.value("lost").toInt(), 3);
    EXPECT_EQ(row.value("result").toString(), "done");
    EXPECT_EQ(row.value("unread_percent").toInt(), 100);
}

// The nightly run while the program was left open: collection appends beside it, the program goes
// on saving its lists, and the final payroll export still names a user removed meanwhile.
TEST_F(EventCommandsTest, CollectsBesideTheOpenProgramAndExportsALeaversName)
{
    Punch(1, 42);
    std::promise<void> collected;
    std::promise<void> removed;
    std::thread program([&] { // the site's one writer
        zel::data::DataSource data;
        data.OpenDatabase(site);
        auto users = data.GetUserDescriptionList();
        collected.get_future().wait();
        users->Remove("42");
        users->Save();
        removed.set_value();
        data.CloseDatabase();
    });
    auto collect = Zelctl({"--format", "json", "events", "collect", "--all"});
    EXPECT_EQ(collect.Status, 0) << collect.Err;
    EXPECT_EQ(Zelctl({"users", "import", "Front"}).Status, 3) << "the lists stay the program's";
    collected.set_value();
    removed.get_future().wait();
    program.join();

    auto json = Zelctl({"--format", "json", "events", "export", "--user", "42"});
    ASSERT_EQ(json.Status, 0) << json.Err;
    ASSERT_EQ(json.Json().size(), 1);
    EXPECT_EQ(json.Json()[0].toObject().value("user_name").toString(), QString::fromUtf8("Smith, \"Jo\"\nZoë"));
}

TEST_F(EventCommandsTest, ExitStatuses)
{
    EXPECT_EQ(Zelctl({"events", "collect"}).Status, 2) << "no clock named";
    EXPECT_EQ(Zelctl({"events", "export", "--since", "yesterday"}).Status, 2);
    EXPECT_EQ(Zelctl({"events", "collect", "Nowhere"}).Status, 2);
    server->Stop();
    EXPECT_EQ(Zelctl({"events", "collect", "--all"}).Status, 4) << "no clock reached";
}

TEST_F(EventCommandsTest, HostileNamesReachSpreadsheetsAsTextAndFilesAreTheOwnersOnly)
{
    AddHostileUsers();
    ASSERT_EQ(Zelctl({"events", "collect", "--all"}).Status, 0);
    const auto& names = zel::test::HostileNames();
    struct Export {
        std::vector<std::string> Args;
        const char* NameColumn;
        bool Guarded;
    };
    const Export exports[] = {
        {{"events", "export"}, "user_name", true},
        {{"events", "export", "--csv-raw"}, "user_name", false},
        {{"--format", "csv", "users"}, "name", true},
        {{"users", "--csv-raw"}, "name", false},
    };
    ::umask(022);
    int n = 0;
    for (const auto& e : exports) {
        const std::string file = (folder / ("export-" + std::to_string(n++) + ".csv")).string();
        auto args = e.Args;
        args.insert(args.end(), {"-o", file});
        const std::string what = args[0] + " " + args[1] + " " + args[2];
        auto run = Zelctl(args);
        ASSERT_EQ(run.Status, 0) << what << ": " << run.Err;
        EXPECT_EQ(run.Out, "") << what;
        EXPECT_EQ(zel::test::FileMode(file), 0600) << what;
        const auto cells = ColumnByUser(file, e.NameColumn);
        for (std::size_t i = 0; i < names.size(); ++i) {
            const std::string id = std::to_string(501 + i);
            ASSERT_EQ(cells.count(id), 1u) << what << ": user " << id;
            const std::string expected = (e.Guarded && names[i].Formula ? "'" : "") + std::string(names[i].Name);
            EXPECT_EQ(cells.at(id), expected) << what << ": user " << id;
        }
    }
}

TEST_F(EventCommandsTest, KindNarrowsTheExportAndATableIsRefused)
{
    Punch(1, 42);
    Punch(1, 42, 3); // identity unknown: a refusal
    Punch(2, 42, 4); // exit granted: a punch
    ASSERT_EQ(Zelctl({"events", "collect", "--all"}).Status, 0);
    const std::pair<std::vector<std::string>, std::vector<std::string>> cases[] = {
        {{"--kind", "punch"}, {"Exit granted", "Identity verified"}},
        {{"--kind", "REFUSAL", "identity verified"}, {"Identity unknown", "Identity verified"}},
        {{"--kind", "punch", "--kind", "Exit granted"}, {"Exit granted", "Identity verified"}},
        {{"--kind", "alarm"}, {}},
    };
    for (const auto& [kinds, expected] : cases) {
        std::vector<std::string> args{"--format", "json", "events", "export"};
        args.insert(args.end(), kinds.begin(), kinds.end());
        auto run = Zelctl(args);
        ASSERT_EQ(run.Status, 0) << run.Err;
        std::vector<std::string> seen;
        for (const auto& row : run.Json())
            seen.push_back(row.toObject().value("kind").toString().toStdString());
        std::sort(seen.begin(), seen.end());
        EXPECT_EQ(seen, expected) << kinds[1];
    }

    auto bogus = Zelctl({"events", "export", "--kind", "lunch"});
    EXPECT_EQ(bogus.Status, 2);
    EXPECT_NE(bogus.Err.find("punch, refusal, user-change, setup, alarm"), std::string::npos) << bogus.Err;

    const std::string file = (folder / "events.csv").string();
    auto table = Zelctl({"events", "export", "--format", "table", "-o", file});
    EXPECT_EQ(table.Status, 2);
    EXPECT_NE(table.Err.find("not a table"), std::string::npos) << table.Err;
    EXPECT_EQ(table.Out, "");
    EXPECT_FALSE(fs::exists(file)) << "a refused command leaves no file";
    for (const auto& entry : fs::directory_iterator(folder))
        EXPECT_NE(entry.path().filename().string().rfind("events.csv", 0), 0u) << "left beside it: " << entry.path();
    EXPECT_EQ(Zelctl({"events", "export", "--format", "json", "--csv-raw"}).Status, 2);
}

} // namespace
