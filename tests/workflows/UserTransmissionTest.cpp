// Users sent to and removed from many clocks at once: three emulated lines that work side by side,
// a line that does not connect, a clock that does not answer, a modem channel, an error in the
// middle of one line's work and Cancel. Each test runs in a thread of its own, because the site
// database keeps one connection per thread.
#include <gtest/gtest.h>

#include "EmulatedSite.h"
#include "clocksim/ClockUser.h"
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/DirChnlDescription.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"
#include "zel/support/Channel.h"
#include "zel/support/ChannelFactory.h"
#include "zel/support/ExtendedUser.h"
#include "zel/workflows/SiteChannels.h"
#include "zel/workflows/UserTransfer.h"
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
        // The same line as "Line A", its address written another way.
        site.AddOtherName("Line A again", "Line A", "127.000.000.001", {{"A3", 3, ClockModel::Base}});
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
        EXPECT_EQ(report.Clocks()[2].Text(),
                  "channel not connected: The channel did not connect (address 127.0.0.1, port 1).");
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

// Clocks whose channel descriptions name one line are served through one channel, one after
// another, and shown on one line of the running window.
TEST_F(UserTransmissionTest, DescriptionsOfOneLineShareOneChannel)
{
    InSite(4, [&] {
        std::map<std::int32_t, int> made;
        UserTransmission transmission([&made](std::int32_t channelID) {
            ++made[channelID];
            return zel::workflows::CreateChannelForDescription(channelID);
        });
        std::set<std::int32_t> shown;
        transmission.SetProgress([&](const UserTransmission::Step& step) { shown.insert(step.ChannelID); });
        auto by = ByClock(transmission.Send(Clocks({"A1", "B1", "A3", "A2"}), Users()));
        for (const char* clock : {"A1", "A2", "A3", "B1"}) {
            EXPECT_EQ(by[clock].Outcome, ClockOutcome::Done) << clock << ": " << by[clock].Detail;
            EXPECT_EQ(SimClock(clock).UserCount(), 4u) << clock;
        }
        const auto channels = zel::data::DataSource().GetChannelDescriptionList();
        const std::int32_t lineA = channels->Item("Line A")->DatabaseID();
        const std::int32_t lineB = channels->Item("Line B")->DatabaseID();
        EXPECT_EQ(made, (std::map<std::int32_t, int>{{lineA, 1}, {lineB, 1}}));
        EXPECT_EQ(shown, (std::set<std::int32_t>{lineA, lineB}));
    });
}

// Two descriptions of one serial port: the line is opened once for both clocks; a line another
// channel holds is told as such.
TEST_F(UserTransmissionTest, DescriptionsOfOneSerialPortShareOneLine)
{
    zel::sim::ServerOptions options;
    options.Tcp = false;
    options.Pty = true;
    zel::sim::Server serial(options);
    serial.AddClock(1, zel::sim::ClockModel::Base);
    serial.AddClock(2, zel::sim::ClockModel::Vt9);
    serial.Start();
    ::setenv("ZEL_COM7", serial.PtyPath().c_str(), 1);
    InSite(3, [&] {
        auto channels = zel::data::DataSource().GetChannelDescriptionList();
        for (const char* name : {"Serial", "Serial again"}) {
            auto port =
                std::dynamic_pointer_cast<zel::data::DirChnlDescription>(channels->Add(zel::data::DirectChannel, name));
            port->SetComPort(7);
            port->SetBitRate(115200);
        }
        channels->Save();
        auto clocks = zel::data::DataSource().GetReaderDescriptionList();
        clocks->Add(1, "S1", channels->Item("Serial"));
        clocks->Add(2, "S2", channels->Item("Serial again"));
        clocks->Save();

        UserTransmission transmission;
        auto by = ByClock(transmission.Send(Clocks({"S1", "S2"}), Users()));
        for (const char* clock : {"S1", "S2"})
            EXPECT_EQ(by[clock].Outcome, ClockOutcome::Done) << clock << ": " << by[clock].Detail;
        EXPECT_EQ(serial.Clock(1).UserCount(), 3u);
        EXPECT_EQ(serial.Clock(2).UserCount(), 3u);

        auto holder = zel::support::ChannelFactory().CreateDirectChannel(7, 115200);
        holder->Connect();
        ASSERT_TRUE(holder->IsConnected());
        by = ByClock(transmission.Remove(Clocks({"S1"}), {"100"}));
        EXPECT_EQ(by["S1"].Outcome, ClockOutcome::NotConnected);
        const std::string inUse = "The channel did not connect: COM7 (" + serial.PtyPath() + "): the serial port " +
                                  serial.PtyPath() + " is in use by another channel or program.";
        EXPECT_EQ(by["S1"].Detail, inUse);
        EXPECT_EQ(transmission.Report().Clocks()[0].Text(), "channel not connected: " + inUse);
        holder->Disconnect();
        EXPECT_EQ(serial.Clock(1).UserCount(), 3u);
    });
    ::unsetenv("ZEL_COM7");
}

// A user a clock does not hold is already removed from it: that clock is done, says which users
// it did not hold, and the command goes on to the next clocks.
TEST_F(UserTransmissionTest, AUserAClockDoesNotHoldIsToldAndTheRemovalGoesOn)
{
    InSite(3, [&] {
        UserTransmission transmission;
        transmission.SetStopAtError(true); // the page's rule
        transmission.SetMaxChannels(1);
        transmission.Send(Clocks({"A1", "B1", "C1"}), Users()); // 100, 101, 102
        transmission.Remove(Clocks({"B1"}), {"101"});

        auto by = ByClock(transmission.Remove(Clocks({"B1", "A1", "C1"}), {"100", "101"}));
        EXPECT_EQ(by["B1"].Outcome, ClockOutcome::Done);
        EXPECT_EQ(by["B1"].Count, 1);
        EXPECT_EQ(by["B1"].Detail, "not on this clock: 101");
        for (const char* clock : {"A1", "C1"}) {
            EXPECT_EQ(by[clock].Outcome, ClockOutcome::Done) << clock;
            EXPECT_EQ(by[clock].Count, 2) << clock;
            EXPECT_EQ(SimClock(clock).UserCount(), 1u) << clock;
        }
        EXPECT_EQ(SimClock("B1").UserCount(), 1u);
        const CommandReport report = transmission.Report();
        EXPECT_EQ(report.HowEnded(), CommandReport::Ending::Completed);
        EXPECT_EQ(report.Clocks()[0].Text(), "1 user removed; not on this clock: 101");
        EXPECT_EQ(report.Clocks()[1].Text(), "2 users removed");

        // A real error still ends the clock's work; what was done before it is told with it.
        transmission.Send(Clocks({"B1"}), Users());
        transmission.Remove(Clocks({"B1"}), {"100"});
        zel::sim::FaultOptions drop;
        drop.DropAfterFrames = 4; // the selection, the clock's count, the selection, user 100
        site.SetFaults("Line B", drop);
        by = ByClock(transmission.Remove(Clocks({"B1"}), {"100", "101", "102"}));
        site.SetFaults("Line B", {});
        EXPECT_EQ(by["B1"].Outcome, ClockOutcome::Failed);
        EXPECT_EQ(by["B1"].Count, 0);
        EXPECT_EQ(by["B1"].Detail, "Channel Socket Error; not on this clock: 100");
        EXPECT_EQ(transmission.Report().Clocks()[0].Text(), "failed: Channel Socket Error; not on this clock: 100");
    });
}

} // namespace
