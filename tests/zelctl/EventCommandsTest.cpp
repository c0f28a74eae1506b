// zelctl events collect and events export end to end: a temporary site with two clocks on the
// in-process emulator; zelctl runs as its own process.
#include <gtest/gtest.h>

#include "ZelctlProcess.h"

#include "clocksim/ClockUser.h"
#include "clocksim/Server.h"
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/EthChnlDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <filesystem>
#include <fstream>
#include <future>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

using zel::cli::test::Outcome;
using zel::cli::test::Zelctl;

class EventCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("ZEL_TIMEOUT_MS", "150", 1);
        server = std::make_unique<zel::sim::Server>();
        server->AddClock(1, zel::sim::ClockModel::Base);
        server->AddClock(2, zel::sim::ClockModel::Vt9);
        server->Start();
        folder = fs::temp_directory_path() / ("zelctl-events-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        site = (folder / "zel.mdb").string();
        ::setenv("ZEL_SITE", site.c_str(), 1);
        std::thread([this] { MakeSite(); }).join();
    }

    void TearDown() override
    {
        server->Stop();
        fs::remove_all(folder);
    }

    void MakeSite()
    {
        zel::data::DataSource::CreateDatabase(site);
        zel::data::DataSource data;
        data.OpenDatabase(site);
        auto channels = data.GetChannelDescriptionList();
        auto line = std::dynamic_pointer_cast<zel::data::EthChnlDescription>(
            channels->Add(zel::data::EthernetChannel, "Line A"));
        line->SetIPAddress("127.0.0.1");
        line->SetIPPort(server->Port());
        channels->Save();
        auto clocks = data.GetReaderDescriptionList();
        clocks->Add(1, "Front", channels->Item("Line A"));
        clocks->Add(2, "Back", channels->Item("Line A"));
        clocks->Save();
        auto users = data.GetUserDescriptionList();
        users->Add("42", "Smith, \"Jo\"\nZoë");
        users->Save();
        data.CloseDatabase();
    }

    void Punch(std::uint8_t readerId, int userId)
    {
        auto id = *zel::sim::UserIdFromText(std::to_string(userId));
        server->Clock(readerId).LogEvent(7, &id);
    }

    std::unique_ptr<zel::sim::Server> server;
    fs::path folder;
    std::string site;
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

} // namespace
