// Users sent to and removed from many clocks at once: three emulated lines that work side by side,
// a line that does not connect, a clock that does not answer, a modem channel, an error in the
// middle of one line's work and Cancel. Each test runs in a thread of its own, because the site
// database keeps one connection per thread.
#include <gtest/gtest.h>

#include "clocksim/ClockUser.h"
#include "clocksim/Server.h"
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/EthChnlDescription.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"
#include "zel/support/ExtendedUser.h"
#include "zel/workflows/UserTransfer.h"
#include "zel/workflows/UserTransmission.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using zel::workflows::ClockOutcome;
using zel::workflows::ClockResult;
using zel::workflows::CommandReport;
using zel::workflows::UserTransmission;

class UserTransmissionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("ZEL_TIMEOUT_MS", "300", 1);
        for (const char* line : {"Line A", "Line B", "Line C"}) {
            auto server = std::make_unique<zel::sim::Server>();
            server->AddClock(1, zel::sim::ClockModel::Base);
            if (std::string(line) == "Line A")
                server->AddClock(2, zel::sim::ClockModel::Vt9);
            server->Start();
            lines[line] = std::move(server);
        }
        folder = fs::temp_directory_path() / ("user-transmission-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        site = (folder / "zel.mdb").string();
        zel::data::DataSource::CreateDatabase(site);
    }

    void TearDown() override
    {
        for (auto& [name, server] : lines)
            server->Stop();
        fs::remove_all(folder);
    }

    // Runs `body` in a new thread with the site open and its clocks and `users` users made.
    void InSite(int users, const std::function<void()>& body)
    {
        std::thread([&] {
            zel::data::DataSource data;
            data.OpenDatabase(site);
            MakeSite(data, users);
            body();
            data.CloseDatabase();
        }).join();
    }

    void MakeSite(zel::data::DataSource& data, int users)
    {
        auto channels = data.GetChannelDescriptionList();
        auto addLine = [&](const std::string& name, std::uint16_t port) {
            auto line = std::dynamic_pointer_cast<zel::data::EthChnlDescription>(
                channels->Add(zel::data::EthernetChannel, name));
            line->SetIPAddress("127.0.0.1");
            line->SetIPPort(port);
        };
        for (auto& [name, server] : lines)
            addLine(name, server->Port());
        addLine("Closed", 1); // nothing listens there
        channels->Add(zel::data::ModemChannel, "Dial");
        channels->Save();
        auto clocks = data.GetReaderDescriptionList();
        clocks->Add(1, "A1", channels->Item("Line A"));
        clocks->Add(2, "A2", channels->Item("Line A"));
        clocks->Add(9, "Silent", channels->Item("Line A"));
        clocks->Add(1, "B1", channels->Item("Line B"));
        clocks->Add(1, "C1", channels->Item("Line C"));
        clocks->Add(1, "Off", channels->Item("Closed"));
        clocks->Add(1, "Modem", channels->Item("Dial"));
        clocks->Save();
        auto list = data.GetUserDescriptionList();
        for (int i = 0; i < users; ++i) {
            auto user = list->Add(std::to_string(100 + i), "User " + std::to_string(100 + i));
            user->SetTemplate(std::vector<std::uint8_t>(9, static_cast<std::uint8_t>(i + 1)));
            user->SetEnrolled(true);
            user->SetAuthorityLevel(i % 3 == 0 ? 2 : 0);
        }
        list->Save();
    }

    static std::vector<std::shared_ptr<zel::data::ReaderDescription>> Clocks(std::initializer_list<const char*> names)
    {
        std::vector<std::shared_ptr<zel::data::ReaderDescription>> chosen;
        auto list = zel::data::DataSource().GetReaderDescriptionList();
        for (const char* name : names)
            chosen.push_back(list->Item(name));
        return chosen;
    }

    static std::vector<std::shared_ptr<zel::data::UserDescription>> Users()
    {
        auto list = zel::data::DataSource().GetUserDescriptionList();
        return list->Items();
    }

    zel::sim::SimClock& SimClock(const std::string& clock)
    {
        static const std::map<std::string, std::pair<std::string, std::uint8_t>> where{
            {"A1", {"Line A", 1}}, {"A2", {"Line A", 2}}, {"B1", {"Line B", 1}}, {"C1", {"Line C", 1}}};
        const auto& [line, reader] = where.at(clock);
        return lines.at(line)->Clock(reader);
    }

    static std::map<std::string, ClockResult> ByClock(const std::vector<ClockResult>& results)
    {
        std::map<std::string, ClockResult> by;
        for (const auto& result : results)
            by[result.Clock->Name()] = result;
        return by;
    }

    std::map<std::string, std::unique_ptr<zel::sim::Server>> lines;
    fs::path folder;
    std::string site;
};

TEST_F(UserTransmissionTest, SendsOverEveryLineAndTellsEachClocksOutcome)
{
    InSite(12, [&] {
        const auto caller = std::this_thread::get_id();
        bool elsewhere = false;
        std::map<std::string, std::vector<int>> doneByClock;
        std::set<std::int32_t> channels;
        UserTransmission transmission;
        transmission.SetProgress([&](const UserTransmission::Step& step) {
            elsewhere = elsewhere || std::this_thread::get_id() != caller;
            if (step.Text.rfind("Exporting ", 0) == 0) {
                doneByClock[step.Clock->Name()].push_back(step.Done);
                channels.insert(step.ChannelID);
            }
        });
        auto results = transmission.Send(Clocks({"A1", "B1", "Off", "A2", "Silent", "C1", "Modem"}), Users());
        ASSERT_EQ(results.size(), 7u);
        auto by = ByClock(results);
        for (const char* clock : {"A1", "A2", "B1", "C1"}) {
            EXPECT_EQ(by[clock].Outcome, ClockOutcome::Done) << clock << ": " << by[clock].Detail;
            EXPECT_EQ(by[clock].Count, 12) << clock;
            EXPECT_EQ(SimClock(clock).UserCount(), 12u) << clock;
        }
        EXPECT_EQ(by["Silent"].Outcome, ClockOutcome::NotAnswering);
        EXPECT_EQ(by["Off"].Outcome, ClockOutcome::NotConnected);
        EXPECT_EQ(by["Modem"].Outcome, ClockOutcome::NoChannel);
        EXPECT_EQ(by["Modem"].Detail, "a modem channel cannot reach a clock");
        // Levels travel with the users.
        auto user = SimClock("B1").FindUser(*zel::sim::UserIdFromText("103"));
        ASSERT_TRUE(user.has_value());
        EXPECT_EQ(user->AuthorityLevel, 2);

        EXPECT_FALSE(elsewhere) << "progress is told on the calling thread";
        EXPECT_EQ(channels.size(), 3u);
        for (const auto& [clock, done] : doneByClock) { // every user told, in order
            EXPECT_EQ(done.size(), 12u) << clock;
            EXPECT_TRUE(std::is_sorted(done.begin(), done.end())) << clock;
        }

        const CommandReport report = transmission.Report();
        EXPECT_EQ(report.HowEnded(), CommandReport::Ending::Completed);
        ASSERT_EQ(report.Clocks().size(), 7u);
        EXPECT_EQ(report.Clocks()[0].ClockName, "A1"); // the order chosen
        EXPECT_EQ(report.Clocks()[2].Text(),
                  "channel not connected: no connection to 127.0.0.1:1: nothing answered there");
        EXPECT_EQ(report.Clocks()[6].Text(), "channel not connected: a modem channel cannot reach a clock");
        EXPECT_EQ(report.Summary(), "Export finished: 4 of 7 clocks done, 2 not connected, 1 not answering.");

        // The same users removed again, one selection a clock.
        std::vector<std::string> ids;
        for (const auto& site_user : Users())
            ids.push_back(site_user->UserID());
        ids.resize(5);
        results = transmission.Remove(Clocks({"A1", "C1"}), ids);
        EXPECT_EQ(ByClock(results)["C1"].Count, 5);
        EXPECT_EQ(SimClock("C1").UserCount(), 7u);
        EXPECT_EQ(SimClock("A1").UserCount(), 7u);
        EXPECT_EQ(transmission.Report().Summary(), "Remove finished on all 2 clocks: 5 users removed from each.");
    });
}

// An error on one line ends the command: the clocks after it on that line are not reached, and
// every other line either finished its clock whole or never wrote to it.
TEST_F(UserTransmissionTest, AClockUserWithoutATemplateIsNeverImportedAsEnrolled)
{
    InSite(2, [&] { // 100 and 101, enrolled with templates
        auto list = zel::data::DataSource().GetUserDescriptionList();
        list->Add("300", "Not Enrolled");
        list->Save();
        const std::vector<std::uint8_t> none(9, 0);
        const std::vector<std::uint8_t> hand{9, 8, 7, 6, 5, 4, 3, 2, 1};
        const std::vector<std::uint8_t> kept = list->Item("100")->Template();
        const struct {
            const char* ID;
            std::vector<std::uint8_t> Clock;
            bool Enrolled;
            std::vector<std::uint8_t> Stored;
        } cases[] = {
            {"400", none, false, {}},  // new: added, not enrolled
            {"401", hand, true, hand}, // new with a template: enrolled
            {"100", none, true, kept}, // enrolled: keeps its own template
            {"300", none, false, {}},  // known, not enrolled: stays so
            {"101", hand, true, hand}, // a template read replaces the stored one
        };
        for (const auto& c : cases) {
            zel::support::ExtendedUser clockUser;
            clockUser.SetID(c.ID);
            clockUser.SetTemplate(c.Clock);
            ASSERT_NE(zel::workflows::ImportClockUser(*list, clockUser), nullptr) << c.ID;
            auto stored = list->Item(c.ID);
            EXPECT_EQ(stored->Enrolled(), c.Enrolled) << c.ID;
            EXPECT_EQ(zel::workflows::HasTemplate(*stored), c.Enrolled) << c.ID;
            if (!c.Stored.empty()) {
                EXPECT_EQ(stored->Template(), c.Stored) << c.ID;
            }
        }
        EXPECT_EQ(list->Item("400")->Name(), "User 400");
    });
}

TEST_F(UserTransmissionTest, AnErrorOnOneLineEndsTheCommandWithNothingHalfDoneElsewhere)
{
    InSite(40, [&] {
        zel::sim::FaultOptions drop;
        drop.DropAfterFrames = 6;
        lines["Line A"]->SetFaults(drop);
        zel::sim::FaultOptions slow;
        slow.LatencyMs = 2;
        lines["Line B"]->SetFaults(slow);
        lines["Line C"]->SetFaults(slow);
        UserTransmission transmission;
        transmission.SetStopAtError(true);
        auto by = ByClock(transmission.Send(Clocks({"A1", "A2", "B1", "C1"}), Users()));
        EXPECT_EQ(by["A1"].Outcome, ClockOutcome::Failed);
        EXPECT_FALSE(by["A1"].Detail.empty());
        EXPECT_LT(by["A1"].Count, 40);
        EXPECT_EQ(by["A2"].Outcome, ClockOutcome::NotReached);
        EXPECT_EQ(SimClock("A2").UserCount(), 0u);
        for (const char* clock : {"B1", "C1"}) {
            const auto& result = by[clock];
            if (result.Outcome == ClockOutcome::Done) {
                EXPECT_EQ(SimClock(clock).UserCount(), 40u) << clock;
            } else {
                EXPECT_EQ(result.Outcome, ClockOutcome::NotReached) << clock;
                EXPECT_EQ(SimClock(clock).UserCount(), 0u) << clock;
            }
        }
        const CommandReport report = transmission.Report();
        EXPECT_EQ(report.HowEnded(), CommandReport::Ending::Error);
        EXPECT_EQ(report.Clocks()[1].Text(), "not reached: the command stopped at an error");
    });
}

// Without the stop rule (zelctl's), an error is told for its clock and the others go on.
TEST_F(UserTransmissionTest, WithoutTheStopRuleTheOtherClocksGoOn)
{
    InSite(10, [&] {
        zel::sim::FaultOptions drop;
        drop.DropAfterFrames = 4;
        lines["Line A"]->SetFaults(drop);
        UserTransmission transmission;
        transmission.SetMaxChannels(1); // one line after another: B1 comes after the error
        auto by = ByClock(transmission.Send(Clocks({"A1", "B1"}), Users()));
        EXPECT_EQ(by["A1"].Outcome, ClockOutcome::Failed);
        EXPECT_EQ(by["B1"].Outcome, ClockOutcome::Done);
        EXPECT_EQ(SimClock("B1").UserCount(), 10u);
        EXPECT_EQ(transmission.Report().HowEnded(), CommandReport::Ending::Completed);
    });
}

// Cancel reaches every line before its next user; what was sent stays sent and is counted.
TEST_F(UserTransmissionTest, CancelStopsEveryLineBeforeItsNextUser)
{
    InSite(60, [&] {
        zel::sim::FaultOptions slow;
        slow.LatencyMs = 3;
        for (auto& [name, server] : lines)
            server->SetFaults(slow);
        UserTransmission transmission;
        std::set<std::int32_t> working;
        transmission.SetProgress([&](const UserTransmission::Step& step) {
            if (step.Text.rfind("Exporting ", 0) == 0 && step.Done >= 2) {
                working.insert(step.ChannelID);
                transmission.Cancel(); // as a click on Cancel would, from the calling thread
            }
        });
        auto results = transmission.Send(Clocks({"A1", "A2", "B1", "C1"}), Users());
        auto by = ByClock(results);
        EXPECT_EQ(by["A2"].Outcome, ClockOutcome::Cancelled);
        EXPECT_EQ(by["A2"].Count, 0);
        EXPECT_EQ(SimClock("A2").UserCount(), 0u);
        for (const char* clock : {"A1", "B1", "C1"}) {
            const auto& result = by[clock];
            EXPECT_NE(result.Outcome, ClockOutcome::Done) << clock << " ran to its end after Cancel";
            EXPECT_EQ(SimClock(clock).UserCount(), static_cast<std::size_t>(result.Count)) << clock;
            EXPECT_LT(result.Count, 60) << clock;
        }
        const CommandReport report = transmission.Report();
        EXPECT_EQ(report.HowEnded(), CommandReport::Ending::Cancelled);
        EXPECT_EQ(report.Clocks()[1].Text(), "cancelled before it was reached");
        if (by["A1"].Count > 0) {
            EXPECT_EQ(report.Clocks()[0].Text(), "cancelled after " + std::to_string(by["A1"].Count) + " users sent");
        }
    });
}

TEST_F(UserTransmissionTest, CancelWhileTheFirstLineConnectsReachesNoOtherClock)
{
    InSite(30, [&] {
        zel::sim::FaultOptions slow;
        slow.LatencyMs = 3;
        lines["Line A"]->SetFaults(slow);
        UserTransmission transmission;
        transmission.SetMaxChannels(1);
        transmission.SetProgress([&](const UserTransmission::Step& step) {
            if (step.Text == "Connecting")
                transmission.Cancel();
        });
        auto by = ByClock(transmission.Send(Clocks({"A1", "B1", "C1"}), Users()));
        // Cancel came while the first line connected: its clock stops before its next user, the
        // lines after it are never opened.
        EXPECT_EQ(by["A1"].Outcome, ClockOutcome::Cancelled);
        EXPECT_EQ(SimClock("A1").UserCount(), static_cast<std::size_t>(by["A1"].Count));
        for (const char* clock : {"B1", "C1"}) {
            EXPECT_EQ(by[clock].Outcome, ClockOutcome::Cancelled) << clock;
            EXPECT_EQ(SimClock(clock).UserCount(), 0u) << clock;
        }
        EXPECT_EQ(transmission.Report().HowEnded(), CommandReport::Ending::Cancelled);
    });
}

} // namespace
