#include "SimFixture.h"

using namespace zel::test;

namespace {

class Enrollment : public SimFixture {
protected:
    // Polls until complete or timed out; returns the hand reads counted on the way.
    int PollToEnd(bool& complete)
    {
        std::uint8_t status[ZEL_STATUS_RECORD_SIZE];
        bool active = false;
        int reads = 0;
        for (int polls = 0; polls < 1000; ++polls) {
            EXPECT_EQ(zelSendStatusCRC(h, status), 0);
            const bool now = Word(status) != 0;
            reads += active && !now;
            active = now;
            if (Word(status + 40) != 0 || Word(status + 44) != 0) {
                complete = Word(status + 40) != 0;
                return reads;
            }
        }
        ADD_FAILURE() << "the enrollment never ended";
        return reads;
    }
};

} // namespace

TEST_F(Enrollment, EnrollThenVerifyGivesTheTemplate)
{
    for (std::int32_t reader : {kBaseReader, kNewerReader}) {
        Select(reader);
        ASSERT_EQ(zelEnrollUser(h, 0), 0) << "returns at once";
        bool complete = false;
        EXPECT_EQ(PollToEnd(complete), 4);
        ASSERT_TRUE(complete);
        std::uint8_t last[ZEL_LAST_TEMPLATE_RECORD_SIZE];
        ASSERT_EQ(zelGetLastTemplate(h, last), 0);
        std::int32_t zero = 0;
        ASSERT_EQ(zelVerifyOnExternalData(h, &zero, last + 2), 0);
        EXPECT_EQ(PollToEnd(complete), 1);
        EXPECT_TRUE(complete);
        std::uint8_t verified[ZEL_LAST_TEMPLATE_RECORD_SIZE];
        ASSERT_EQ(zelGetLastTemplate(h, verified), 0);
        EXPECT_EQ(0, std::memcmp(last + 2, verified + 2, ZEL_TEMPLATE_SIZE));
    }
}

TEST_F(Enrollment, TimeOutOfTheClockIsReportedInTheStatus)
{
    zel::sim::EnrollmentOptions options;
    options.ReadTimeMs = 0;
    options.Timeout = zel::sim::TimeoutPhase::Enrollment;
    server->SetEnrollmentOptions(options);
    Select(kBaseReader);
    ASSERT_EQ(zelEnrollUser(h, 0), 0);
    bool complete = true;
    PollToEnd(complete);
    EXPECT_FALSE(complete);
}

TEST_F(Enrollment, AbortBetweenPollsStopsTheClock)
{
    Select(kBaseReader);
    ASSERT_EQ(zelEnrollUser(h, 0), 0);
    std::uint8_t status[ZEL_STATUS_RECORD_SIZE];
    ASSERT_EQ(zelSendStatusCRC(h, status), 0);
    EXPECT_EQ(zelAbortCommand(h), 0);
    EXPECT_NE(server->Clock(kBaseReader).EnrollmentPhase(), zel::sim::EnrollmentSim::Phase::Enrolling);
    EXPECT_EQ(zelSendStatusCRC(h, status), 0) << "the channel stays usable";
}
