// Users sent to and removed from many clocks at once: three emulated lines that work side by side,
// a line that does not connect, a clock that does not answer, a modem channel, an error in the
// middle of one line's work and Cancel. Each test runs in a thread of its own, because the site
// database keeps one connection per thread.
#include <gtest/gtest.h>

#include "EmulatedSite.h"
#include "clocksim/ClockUser.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"
#include "zel/workflows/UserTransmission.h"

#include <algorithm>
#include <functional>
#include <map>
#include <set>

namespace {

using zel::sim::ClockModel;
using zel::workflows::ClockOutcome;
using zel::workflows::ClockResult;
using zel::workflows::CommandReport;
using zel::workflows::UserTransmission;

class UserTransmissionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        site.AddLine("Line A",
                     {{"A1", 1, ClockModel::Base}, {"A2", 2, ClockModel::Vt9}, {"Silent", 9, ClockModel::Base, false}});
        site.AddLine("Line B", {{"B1", 1}});
        site.AddLine("Line C", {{"C1", 1}});
        site.AddDeadLine("Closed", {{"Off", 1}});
        site.AddModemLine("Dial", {{"Modem", 1}});
    }

    // Runs `body` in a thread of its own with the site open and `users` users made: IDs 100...,
    // every third one a supervisor (level 2).
    void InSite(int users, const std::function<void()>& body)
    {
        site.InSite([&] {
            zel::test::EmulatedSite::AddEnrolledUsers(100, users, [](int id) { return (id - 100) % 3 == 0 ? 2 : 0; });
            body();
        });
    }

    static std::vector<std::shared_ptr<zel::data::ReaderDescription>> Clocks(const std::vector<std::string>& names)
    {
        return zel::test::EmulatedSite::Clocks(names);
    }

    static std::vector<std::shared_ptr<zel::data::UserDescription>> Users()
    {
        auto list = zel::data::DataSource().GetUserDescriptionList();
        return list->Items();
    }

    zel::sim::SimClock& SimClock(const std::string& clock) { return site.Emulated(clock); }

    static std::map<std::string, ClockResult> ByClock(const std::vector<ClockResult>& results)
    {
        std::map<std::string, ClockResult> by;
        for (const auto& result : results)
            by[result.Clock->Name()] = result;
        return by;
    }

    zel::test::EmulatedSite site{"user-transmission"};
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
        EXPECT_EQ(report.Clocks()[2].Text(), "channel not connected");
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
TEST_F(UserTransmissionTest, AnErrorOnOneLineEndsTheCommandWithNothingHalfDoneElsewhere)
{
    InSite(40, [&] {
        zel::sim::FaultOptions drop;
        drop.DropAfterFrames = 6;
        site.SetFaults("Line A", drop);
        zel::sim::FaultOptions slow;
        slow.LatencyMs = 2;
        site.SetFaults("Line B", slow);
        site.SetFaults("Line C", slow);
        UserTransmission transmission;
        transmission.SetStopAtError(true);
        auto by = ByClock(transmission.Send(Clocks({"A1", "A2", "B1", "C1"}), Users()));
        EXPECT_EQ(by["A1"].Outcome, ClockOutcome::Failed);
        EXPECT_FALSE(by["A1"].Detail.empty());
        // The line went down after the lookup, the selection and three users: the fourth user's
        // answer never came (it may or may not be on the clock: here it is not).
        const int sent = by["A1"].Count;
        EXPECT_EQ(sent, 3);
        EXPECT_EQ(SimClock("A1").UserCount(), static_cast<std::size_t>(sent));
        ASSERT_TRUE(by["A1"].Writes.has_value());
        EXPECT_EQ(by["A1"].Writes->Lacking.size(), 40u - sent);
        EXPECT_EQ(by["A1"].Writes->Uncertain, std::vector<std::string>{std::to_string(100 + sent)});
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
        EXPECT_EQ(report.Clocks()[0].Text(), "failed after 3 users sent: Channel Socket Error; 37 of the 40 users not "
                                             "confirmed on the clock, 1 of them uncertain (the answer to the last "
                                             "frame was lost)");
        EXPECT_EQ(report.Clocks()[1].Text(), "not reached: the command stopped at an error");
    });
}

// Without the stop rule (zelctl's), an error is told for its clock and the others go on.
TEST_F(UserTransmissionTest, WithoutTheStopRuleTheOtherClocksGoOn)
{
    InSite(10, [&] {
        zel::sim::FaultOptions drop;
        drop.DropAfterFrames = 4;
        site.SetFaults("Line A", drop);
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
        for (const char* line : {"Line A", "Line B", "Line C"})
            site.SetFaults(line, slow);
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
        if (by["A1"].Count > 0) { // a cancel leaves nothing uncertain
            EXPECT_EQ(report.Clocks()[0].Text(), "cancelled after " + std::to_string(by["A1"].Count) + " users sent; " +
                                                     std::to_string(60 - by["A1"].Count) +
                                                     " of the 60 users not confirmed on the clock");
        }
    });
}

TEST_F(UserTransmissionTest, CancelWhileTheFirstLineConnectsReachesNoOtherClock)
{
    InSite(30, [&] {
        zel::sim::FaultOptions slow;
        slow.LatencyMs = 3;
        site.SetFaults("Line A", slow);
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
