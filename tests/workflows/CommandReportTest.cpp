// The report of a command that works on several clocks: rows, outcome texts and the summary line.
#include "zel/workflows/CommandReport.h"

#include "zel/support/Channel.h"
#include "zel/support/ChannelFactory.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace zel::workflows {
namespace {

using Kind = ClockOutcome;
using Task = ClockTask;

TEST(CommandReportTest, PlannedClocksKeepTheirChosenOrderAndAreTakenOnce)
{
    CommandReport report("Export");
    EXPECT_EQ(report.Plan("Alpha", 1, Task::Send), 0u);
    EXPECT_EQ(report.Plan("Bravo", 2, Task::Send), 1u);
    EXPECT_EQ(report.Plan("Alpha", 1, Task::Send), 0u); // the same clock again
    EXPECT_EQ(report.Plan("Alpha", 1, Task::Read), 2u); // the same clock with another task
    ASSERT_EQ(report.Clocks().size(), 3u);
    EXPECT_EQ(report.Find(2, Task::Send), 1u);
    EXPECT_EQ(report.Find(2, Task::Read), CommandReport::npos);
    EXPECT_EQ(report.Clocks()[0].Outcome, Kind::Pending);
    EXPECT_EQ(report.HowEnded(), CommandReport::Ending::Running);
    EXPECT_TRUE(report.MixedTasks());
}

TEST(CommandReportTest, EachOutcomeHasItsText)
{
    CommandReport report("Export");
    for (int id = 1; id <= 8; ++id)
        report.Plan("Clock " + std::to_string(id), id, Task::Send);
    report.SetDone(0, 3);
    report.SetDone(1, 1);
    report.SetNotConnected(2);
    report.SetNotConnected(3, "Invalid IP Address or Format");
    report.SetNotAnswering(4);
    report.SetFailed(5, "Channel Communication Timeout", 2);
    report.SetFailed(6, "Channel Communication Timeout");
    report.End(CommandReport::Ending::Error);
    const auto& clocks = report.Clocks();
    EXPECT_EQ(clocks[0].Text(), "3 users sent");
    EXPECT_EQ(clocks[1].Text(), "1 user sent");
    EXPECT_EQ(clocks[2].Text(), "channel not connected");
    EXPECT_EQ(clocks[3].Text(), "channel not connected: Invalid IP Address or Format");
    EXPECT_EQ(clocks[4].Text(), "clock not answering");
    EXPECT_EQ(clocks[5].Text(), "failed after 2 users sent: Channel Communication Timeout");
    EXPECT_EQ(clocks[6].Text(), "failed: Channel Communication Timeout");
    EXPECT_EQ(clocks[7].Outcome, Kind::NotReached);
    EXPECT_EQ(clocks[7].Text(), "not reached: the command stopped at an error");
    EXPECT_EQ(clocks[5].Count, 2);
    EXPECT_EQ(clocks[5].Detail, "Channel Communication Timeout");
    EXPECT_FALSE(report.AllSucceeded());
    EXPECT_EQ(report.Summary(),
              "Export stopped at an error: 2 of 8 clocks done, 2 not connected, 1 not answering, 2 failed, 1 not "
              "reached.");
}

TEST(CommandReportTest, AChannelThatStayedClosedIsNamed)
{
    EXPECT_EQ(NotConnectedReason(*zel::support::ChannelFactory().CreateDirectChannel(2, 9600)),
              "The channel did not connect (COM2).");
    EXPECT_EQ(NotConnectedReason(zel::support::Channel()), "The channel did not connect.");
    // Ethernet channels ("... (address 127.0.0.1, port 1).") are tried end to end by zelctl's tests.
}

TEST(CommandReportTest, TheTaskNamesTheCount)
{
    ClockResult clock;
    clock.Outcome = Kind::Done;
    clock.Count = 2;
    clock.Work = Task::Remove;
    EXPECT_EQ(clock.Text(), "2 users removed");
    EXPECT_EQ(clock.TaskText(), "Remove");
    clock.Work = Task::Read;
    clock.Count = 0;
    EXPECT_EQ(clock.Text(), "0 users read");
    EXPECT_EQ(clock.TaskText(), "Read");
}

TEST(CommandReportTest, ACancelTurnsTheUnreachedClocksIntoCancelled)
{
    CommandReport report("Synchronize");
    report.Plan("Alpha", 1, Task::Read);
    report.Plan("Charlie", 3, Task::Read);
    report.Plan("Delta", 4, Task::Send);
    report.SetDone(0, 1);
    report.End(CommandReport::Ending::Cancelled);
    EXPECT_EQ(report.Clocks()[1].Outcome, Kind::Cancelled);
    EXPECT_EQ(report.Clocks()[1].Text(), "cancelled before it was reached");
    EXPECT_EQ(report.Clocks()[2].Outcome, Kind::Cancelled);
    EXPECT_EQ(report.CountOf(Kind::Cancelled), 2);
    EXPECT_EQ(report.Summary(), "Synchronize cancelled: 1 of 3 clocks done, 2 cancelled.");
}

TEST(CommandReportTest, EveryClockDoneGivesAShortConfirmation)
{
    CommandReport report("Export");
    report.Plan("Alpha", 1, Task::Send);
    report.Plan("Bravo", 2, Task::Send);
    report.SetDone(0, 2);
    report.SetDone(1, 2);
    report.End(CommandReport::Ending::Completed);
    EXPECT_TRUE(report.AllSucceeded());
    EXPECT_FALSE(report.MixedTasks());
    EXPECT_FALSE(report.AnyNotes());
    EXPECT_EQ(report.Summary(), "Export finished on all 2 clocks: 2 users sent to each.");

    // A clock done with a note still succeeded; the note is told with it.
    CommandReport one("Remove");
    one.Plan("Alpha", 1, Task::Remove);
    one.SetDone(0, 1, "not on this clock: 1004");
    one.End(CommandReport::Ending::Completed);
    EXPECT_TRUE(one.AllSucceeded());
    EXPECT_TRUE(one.AnyNotes());
    EXPECT_EQ(one.Clocks()[0].Text(), "1 user removed; not on this clock: 1004");
    EXPECT_EQ(one.Summary(), "Remove finished on the chosen clock: 1 user removed.");

    CommandReport sync("Synchronize");
    sync.Plan("Alpha", 1, Task::Read);
    sync.Plan("Bravo", 2, Task::Send);
    sync.SetDone(0, 4);
    sync.SetDone(1, 5);
    sync.End(CommandReport::Ending::Completed);
    EXPECT_EQ(sync.Summary(), "Synchronize finished on all 2 clocks.");
}

TEST(CommandReportTest, AClockWithTwoTasksIsCountedOnce)
{
    // Synchronize from Alpha and Bravo to Bravo and Ghost: three clocks, four tasks.
    CommandReport report("Synchronize");
    report.Plan("Alpha", 1, Task::Read);
    report.Plan("Bravo", 2, Task::Read);
    report.Plan("Bravo", 2, Task::Send);
    report.Plan("Ghost", 9, Task::Send);
    report.SetDone(0, 2);
    report.SetDone(1, 2);
    report.SetDone(2, 4);
    report.SetNotAnswering(3);
    report.End(CommandReport::Ending::Completed);
    EXPECT_EQ(report.DistinctClocks(), 3);
    EXPECT_EQ(report.DistinctClocksDone(), 2);
    EXPECT_EQ(report.Summary(), "Synchronize finished: 2 of 3 clocks done; of 4 tasks, 3 done, 1 not answering.");

    // A clock whose read went well and whose send failed is not done.
    CommandReport half("Synchronize");
    half.Plan("Alpha", 1, Task::Read);
    half.Plan("Alpha", 1, Task::Send);
    half.SetDone(0, 1);
    half.SetFailed(1, "Channel Communication Timeout");
    half.End(CommandReport::Ending::Error);
    EXPECT_EQ(half.Summary(), "Synchronize stopped at an error: 0 of 1 clock done; of 2 tasks, 1 done, 1 failed.");

    CommandReport all("Synchronize");
    for (std::int32_t id : {1, 2, 3, 4})
        all.Plan("Clock", id, Task::Read);
    for (std::int32_t id : {1, 2})
        all.Plan("Clock", id, Task::Send);
    for (std::size_t row = 0; row < all.Clocks().size(); ++row)
        all.SetDone(row, 1);
    all.End(CommandReport::Ending::Completed);
    EXPECT_EQ(all.Summary(), "Synchronize finished on all 4 clocks.");
}

TEST(CommandReportTest, AnErrorOfNoClockIsToldInTheSummary)
{
    CommandReport report("Synchronize");
    report.Plan("Alpha", 1, Task::Read);
    report.Plan("Bravo", 2, Task::Send);
    report.SetDone(0, 2);
    report.End(CommandReport::Ending::Error, "database is locked");
    EXPECT_FALSE(report.AllSucceeded());
    EXPECT_EQ(report.CommandError(), "database is locked");
    EXPECT_EQ(report.Summary(),
              "Synchronize stopped at an error: 1 of 2 clocks done, 1 not reached. The error: database is locked");
}

TEST(CommandReportTest, AFinishedCommandWithTroubleSaysSo)
{
    CommandReport report("Export");
    report.Plan("Alpha", 1, Task::Send);
    report.Plan("Ghost", 9, Task::Send);
    report.SetDone(0, 1);
    report.SetNotAnswering(1);
    report.End(CommandReport::Ending::Completed);
    EXPECT_FALSE(report.AllSucceeded());
    EXPECT_EQ(report.Summary(), "Export finished: 1 of 2 clocks done, 1 not answering.");
}

TEST(CommandReportTest, RowsOutOfRangeAreIgnored)
{
    CommandReport report("Export");
    report.Plan("Alpha", 1, Task::Send);
    report.SetDone(CommandReport::npos, 3);
    report.SetFailed(5, "x");
    EXPECT_EQ(report.Clocks()[0].Outcome, Kind::Pending);
}

TEST(CommandReportTest, ErrorTextIsTheDescription)
{
    EXPECT_EQ(ReportedErrorText(std::runtime_error("Channel Communication Timeout")), "Channel Communication Timeout");
    EXPECT_EQ(ReportedErrorText(std::runtime_error("")), "The command failed.");
}

} // namespace
} // namespace zel::workflows
