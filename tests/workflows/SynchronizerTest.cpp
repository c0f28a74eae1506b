// Synchronize with "Clear Destination Clocks" interrupted by a dropped line: the destination clock
// keeps every user who stays, its row in the report tells what was done and what it lacks, and
// the same synchronization run again finishes the work and says so.
#include <gtest/gtest.h>

#include "EmulatedSite.h"
#include "clocksim/ClockUser.h"
#include "zel/data/ReaderDescription.h"
#include "zel/workflows/Synchronizer.h"

#include <set>

namespace {

using namespace zel::workflows;
using zel::sim::ClockModel;
using zel::test::EmulatedSite;

class SynchronizerTest : public ::testing::Test {
protected:
    // "Clock 1-1" on Line 1 (the source, holding `users` users from 1000 on) and "Clock 2-1" of
    // `model` on Line 2 (the destination).
    void MakeClocks(int users, ClockModel model)
    {
        site.AddLine("Line 1", {{"Clock 1-1", 1}});
        site.AddLine("Line 2", {{"Clock 2-1", 1, model}});
        for (int i = 0; i < users; ++i)
            site.Emulated("Clock 1-1").PutUser(EmulatedSite::MakeClockUser(1000 + i));
    }

    // Synchronize with clear from Clock 1-1 to Clock 2-1; the report's row of Clock 2-1.
    ClockResult Synchronize(CommandReport* whole = nullptr)
    {
        ClockResult row;
        site.InSite([&] {
            Synchronizer::ReaderCollection source("Test"), destination("Test");
            for (const auto& clock : EmulatedSite::Clocks({"Clock 1-1"}))
                source.Add(clock, clock->Name());
            for (const auto& clock : EmulatedSite::Clocks({"Clock 2-1"}))
                destination.Add(clock, clock->Name());
            Synchronizer sync;
            try {
                sync.Execute(source, destination, true);
            } catch (const std::exception&) {
                // told in the report
            }
            row = sync.Report().Clocks().back();
            if (whole)
                *whole = sync.Report();
        });
        return row;
    }

    EmulatedSite site{"synchronizer"};
};

// The case that locked 344 people out: 600 users on both clocks, the destination's line drops
// after 6 frames. Nothing is cleared; the clock still holds all 600, and the report says so.
TEST_F(SynchronizerTest, ALineThatDropsEarlyLeavesEveryoneOnTheClock)
{
    MakeClocks(600, ClockModel::Base);
    for (int i = 0; i < 600; ++i)
        site.Emulated("Clock 2-1").PutUser(EmulatedSite::MakeClockUser(1000 + i));
    zel::sim::FaultOptions drop;
    drop.DropAfterFrames = 6;
    site.SetFaults("Line 2", drop);

    ClockResult row = Synchronize();
    EXPECT_EQ(row.Outcome, ClockOutcome::Failed);
    EXPECT_EQ(row.Text(), "failed: Channel Socket Error; nothing was written");
    EXPECT_EQ(site.Emulated("Clock 2-1").UserCount(), 600u);

    site.SetFaults("Line 2", {});
    row = Synchronize();
    EXPECT_EQ(row.Outcome, ClockOutcome::Done);
    EXPECT_EQ(row.Text(), "0 users sent (600 already held)");
    EXPECT_EQ(site.Emulated("Clock 2-1").UserCount(), 600u);
}

// The destination holds 50 of the 60 enrolled users and 5 others. Wherever the line drops, the 50
// stay; the row tells what was removed and written, and what the clock lacks; a second run
// finishes.
TEST_F(SynchronizerTest, AnInterruptedClearingSynchronizationIsToldAndFinishedByTheNextRun)
{
    MakeClocks(60, ClockModel::Vt9);
    auto& destination = site.Emulated("Clock 2-1");
    std::set<std::string> stayers;
    for (int i = 0; i < 50; ++i) {
        destination.PutUser(EmulatedSite::MakeClockUser(1000 + i));
        stayers.insert(std::to_string(1000 + i));
    }
    for (int i = 0; i < 5; ++i)
        destination.PutUser(EmulatedSite::MakeClockUser(5000 + i));
    const auto before = destination.Snapshot();

    // Frames on Line 2: the reader lookup (2), selection and user count (2), two banks read, five
    // removals, then ten users one by one.
    struct Case {
        int Drop;
        const char* Text;
        const char* Again; // the next run
    };
    const Case cases[] = {
        {8,
         "failed (50 already held, 2 removed, 1 removal uncertain): Channel Socket Error; the clock lacks 10 of the 60 "
         "users",
         "10 users sent (50 already held, 3 removed)"},
        {13,
         "failed after 2 users sent (50 already held, 5 removed): Channel Socket Error; the clock lacks 8 of the 60 "
         "users, 1 of them uncertain (the answer to the last frame was lost)",
         "8 users sent (52 already held)"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE("line dropped after frame " + std::to_string(test.Drop));
        destination.Restore(before);
        zel::sim::FaultOptions drop;
        drop.DropAfterFrames = test.Drop;
        site.SetFaults("Line 2", drop);
        ClockResult row = Synchronize();
        EXPECT_EQ(row.Outcome, ClockOutcome::Failed);
        EXPECT_EQ(row.Text(), test.Text);
        const auto held = EmulatedSite::HeldIDs(destination);
        for (const auto& id : stayers)
            EXPECT_TRUE(held.count(id)) << id;
        ASSERT_TRUE(row.Writes.has_value());
        EXPECT_EQ(held.size(), 55u - row.Writes->Removed + row.Writes->Written());

        site.SetFaults("Line 2", {});
        CommandReport report;
        row = Synchronize(&report);
        EXPECT_EQ(row.Outcome, ClockOutcome::Done);
        EXPECT_EQ(row.Text(), test.Again);
        EXPECT_TRUE(report.AllSucceeded());
        EXPECT_EQ(EmulatedSite::HeldIDs(destination).size(), 60u);
        EXPECT_FALSE(EmulatedSite::HeldIDs(destination).count("5000"));
    }
}

} // namespace
