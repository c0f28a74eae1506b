#include "clocksim/EnrollmentSim.h"

#include <gtest/gtest.h>

#include <string>

using namespace zel::sim;
using Phase = EnrollmentSim::Phase;

namespace {

EnrollmentOptions Instant(int reads = 4)
{
    EnrollmentOptions o;
    o.ReadsNeeded = reads;
    o.ReadTimeMs = 0;
    return o;
}

// Polls until the phase ends; returns the activity words seen, "C" or "T" at the end.
std::string RunPhase(EnrollmentSim& e, std::int64_t now = 0, int limit = 100)
{
    std::string seen;
    for (int i = 0; i < limit; ++i) {
        const auto s = e.Poll(now);
        if (s.Complete)
            return seen + "C";
        if (s.TimedOut)
            return seen + "T";
        seen += std::to_string(s.Activity);
    }
    return seen + "...";
}

} // namespace

TEST(EnrollmentSimTest, EachReadIsActivityOnThenOffAndThePhaseCompletes)
{
    EnrollmentSim e;
    e.Start(Phase::Enrolling, 5, Instant(4), 0);
    EXPECT_EQ(RunPhase(e), "10101010C");
    EXPECT_EQ(e.CurrentPhase(), Phase::Complete);
    EXPECT_EQ(e.ReadsDone(), 4);
}

TEST(EnrollmentSimTest, LampsAreLitWhileTheHandIsDown)
{
    EnrollmentSim e;
    e.Start(Phase::Enrolling, 5, Instant(1), 0);
    const auto down = e.Poll(0);
    EXPECT_EQ(down.Activity, 1);
    EXPECT_EQ(down.Leds, (std::array<std::int32_t, 4>{1, 1, 1, 1}));
    const auto up = e.Poll(0);
    EXPECT_EQ(up.Leds, (std::array<std::int32_t, 4>{0, 0, 0, 0}));
}

TEST(EnrollmentSimTest, TemplateDependsOnThePersonOnly)
{
    EXPECT_EQ(EnrollmentSim::TemplateOf(3), EnrollmentSim::TemplateOf(3));
    EXPECT_NE(EnrollmentSim::TemplateOf(3), EnrollmentSim::TemplateOf(4));
    EnrollmentSim e;
    e.Start(Phase::Enrolling, 3, Instant(2), 0);
    EXPECT_EQ(e.LastTemplate(), Template{});
    RunPhase(e);
    EXPECT_EQ(e.LastTemplate(), EnrollmentSim::TemplateOf(3));
    e.Start(Phase::Verifying, 3, Instant(2), 0);
    EXPECT_EQ(RunPhase(e), "10C"); // one read by default
    EXPECT_EQ(e.LastTemplate(), EnrollmentSim::TemplateOf(3));
}

TEST(EnrollmentSimTest, ReadsArePacedByTheTimeSource)
{
    EnrollmentOptions o = Instant(1);
    o.ReadTimeMs = 1000;
    EnrollmentSim e;
    e.Start(Phase::Enrolling, 1, o, 0);
    EXPECT_EQ(e.Poll(100).Activity, 0);
    EXPECT_EQ(e.Poll(499).Activity, 0);
    EXPECT_EQ(e.Poll(500).Activity, 1);
    EXPECT_EQ(e.Poll(600).Activity, 1); // polled often, still one step per half read
    EXPECT_EQ(e.Poll(1000).Activity, 0);
    EXPECT_TRUE(e.Poll(1500).Complete);
}

TEST(EnrollmentSimTest, TimeoutOptionEndsTheChosenPhaseTimedOut)
{
    EnrollmentOptions o = Instant(2);
    o.Timeout = TimeoutPhase::Verification;
    EnrollmentSim e;
    e.Start(Phase::Enrolling, 1, o, 0);
    EXPECT_EQ(RunPhase(e), "1010C");
    e.Start(Phase::Verifying, 1, o, 0);
    EXPECT_EQ(RunPhase(e), "10T");
    o.Timeout = TimeoutPhase::Enrollment;
    e.Start(Phase::Enrolling, 1, o, 0);
    EXPECT_EQ(RunPhase(e), "1010T");
}

TEST(EnrollmentSimTest, NobodyComesUntilTheIdleTimeOut)
{
    EnrollmentOptions o = Instant(4);
    o.NoPerson = true;
    o.IdleTimeoutMs = 10000;
    EnrollmentSim e;
    e.Start(Phase::Enrolling, 1, o, 0);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(e.Poll(9999).Activity, 0);
    EXPECT_TRUE(e.Poll(10000).TimedOut);
    EXPECT_EQ(e.LastTemplate(), Template{});
}

TEST(EnrollmentSimTest, IdleReaderReportsCompleteAndAbortReturnsToIdle)
{
    EnrollmentSim e;
    EXPECT_TRUE(e.Poll(0).Complete);
    e.Start(Phase::Enrolling, 1, Instant(), 0);
    e.Poll(0);
    e.Abort();
    EXPECT_EQ(e.CurrentPhase(), Phase::Idle);
    const auto s = e.Poll(0);
    EXPECT_TRUE(s.Complete);
    EXPECT_EQ(s.Activity, 0);
}

TEST(EnrollmentSimTest, StatusRecordLayout)
{
    EnrollmentSim::Status s;
    s.Activity = 1;
    s.Leds = {1, 0, 1, 0};
    s.TimedOut = true;
    const Bytes r = EnrollmentSim::ToRecord(s);
    ASSERT_EQ(r.size(), 96u);
    EXPECT_EQ(r[0], 1);
    EXPECT_EQ(r[4], 1);
    EXPECT_EQ(r[8], 0);
    EXPECT_EQ(r[12], 1);
    EXPECT_EQ(r[40], 0);
    EXPECT_EQ(r[44], 1);
}
