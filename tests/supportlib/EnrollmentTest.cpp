#include "ReaderFixture.h"

#include "zel/Error.h"
#include "zel/support/Enrollment.h"
#include "zel/support/MessagePump.h"
#include "zel/support/ZelErrors.h"

#include <algorithm>

using namespace zel::support;
using zel::test::FakeVendor;
using Names = std::vector<std::string>;

namespace {

// Records the callbacks, and the vendor calls in between, as one sequence of names.
class Recorder : public IEnrollmentStatus {
public:
    void Update(EnrollmentStatusType& status) override
    {
        Log.push_back("Update");
        Updates.push_back(status);
    }
    void BeginEnrollment() override { Log.push_back("BeginEnrollment"); }
    void EndEnrollment() override { Log.push_back("EndEnrollment"); }
    void Aborted() override { Log.push_back("Aborted"); }
    void Timeout() override { Log.push_back("Timeout"); }

    Names Log;
    std::vector<EnrollmentStatusType> Updates;
};

class EnrollmentTest : public zel::test::ReaderFixture {
protected:
    void SetUp() override
    {
        MakeReader(1);
        mOldSleep = SetPollSleep([this](std::chrono::microseconds d) { Pauses.push_back(d); });
        mOldPump = SetMessagePump([this] {
            ++Pumps;
            if (OnPump)
                OnPump(Pumps);
        });
        Fake.OnCall = [this](const FakeVendor::Call& call) {
            if (call.Name != "zelTextToID" && call.Name != "zelIDToText" && call.Name != "zelSendStatusCRC")
                Status->Log.push_back(call.Name);
        };
    }
    void TearDown() override
    {
        Fake.OnCall = nullptr;
        SetPollSleep(mOldSleep);
        SetMessagePump(mOldPump);
    }

    std::shared_ptr<Recorder> Status = std::make_shared<Recorder>();
    std::vector<std::chrono::microseconds> Pauses;
    int Pumps = 0;
    std::function<void(int)> OnPump;

private:
    PollSleepHook mOldSleep;
    MessagePumpHook mOldPump;
};

} // namespace

TEST_F(EnrollmentTest, ReadsAreCountedWhenActivityEnds)
{
    for (int activity : {0, 1, 1, 0, 1, 0})
        Fake.Statuses.push_back(FakeVendor::Status(activity, false, false, activity, 2, 3, 4));
    Fake.Statuses.push_back(FakeVendor::Status(0, true));
    Fake.Statuses.push_back(FakeVendor::Status(0, true));
    ASSERT_TRUE(Rdr->EnrollUser("1", UserAuthorityLevel::None, Status));
    ASSERT_GE(Status->Updates.size(), 6u);
    std::vector<int> counts;
    for (std::size_t i = 0; i < 6; ++i)
        counts.push_back(Status->Updates[i].ReadCount);
    EXPECT_EQ(counts, (std::vector<int>{0, 0, 0, 1, 1, 2}));
    EXPECT_EQ(Status->Updates[1], (EnrollmentStatusType{0, 1, 2, 3, 4}));
}

TEST_F(EnrollmentTest, FullRunCallsInOrderAndPumpsOncePerPoll)
{
    Fake.Statuses = {FakeVendor::Status(1), FakeVendor::Status(0, true), FakeVendor::Status(1),
                     FakeVendor::Status(0, true)};
    Fake.LastTemplate = {0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0};
    ASSERT_TRUE(Rdr->EnrollUser("1", UserAuthorityLevel::None, Status));
    EXPECT_EQ(Status->Log, (Names{"zelSetHandReader", "BeginEnrollment", "zelEnrollUser", "Update", "Update",
                                  "zelGetLastTemplate", "zelVerifyOnExternalData", "Update", "Update",
                                  "zelGetLastTemplate", "EndEnrollment", "zelSetHandReader", "zelHereIsUserRecord"}));
    auto verify = Fake.CallsTo("zelVerifyOnExternalData")[0];
    EXPECT_EQ(verify.Args[1], 0);
    EXPECT_EQ(verify.Data, (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(Fake.CallsTo("zelEnrollUser")[0].Args[1], 0);
    EXPECT_EQ(Pumps, 4);
    // A library that answers at once is not polled back to back.
    ASSERT_EQ(Pauses.size(), 2u);
    for (auto pause : Pauses) {
        EXPECT_GT(pause.count(), 0);
        EXPECT_LE(pause, Enrollment::kMinPollInterval);
    }
}

TEST_F(EnrollmentTest, AbortInTheEnrollmentPhase)
{
    Fake.Statuses = {FakeVendor::Status(1), FakeVendor::Status(1), FakeVendor::Status(1)};
    OnPump = [this](int pump) {
        if (pump == 2)
            Rdr->AbortEnrollment();
    };
    EXPECT_EQ(Rdr->EnrollUser("1", UserAuthorityLevel::None, Status), nullptr);
    EXPECT_EQ(Status->Log, (Names{"zelSetHandReader", "BeginEnrollment", "zelEnrollUser", "Update", "Update",
                                  "zelSetHandReader", "zelAbortCommand", "zelHereIsDisplayMessage", "Aborted"}));
    auto record = Fake.CallsTo("zelHereIsDisplayMessage")[0].Data;
    EXPECT_EQ(std::vector<std::uint8_t>(record.begin(), record.begin() + 5),
              (std::vector<std::uint8_t>{0, 0, 0, 0, 6}));
    EXPECT_EQ(std::string(record.begin() + 9, record.begin() + 41), "   Enrollment       Aborted     ");
    EXPECT_EQ(Fake.CountOf("zelHereIsUserRecord"), 0);
}

TEST_F(EnrollmentTest, AbortInTheVerificationPhaseCallsAbortedFirst)
{
    Fake.Statuses = {FakeVendor::Status(0, true), FakeVendor::Status(1), FakeVendor::Status(1)};
    OnPump = [this](int pump) {
        if (pump == 2)
            Rdr->AbortEnrollment();
    };
    EXPECT_EQ(Rdr->EnrollUser("1", UserAuthorityLevel::None, Status), nullptr);
    EXPECT_EQ(Status->Log, (Names{"zelSetHandReader", "BeginEnrollment", "zelEnrollUser", "Update",
                                  "zelGetLastTemplate", "zelVerifyOnExternalData", "Update", "zelSetHandReader",
                                  "Aborted", "zelAbortCommand", "zelHereIsDisplayMessage"}));
}

TEST_F(EnrollmentTest, TimeoutInTheEnrollmentPhaseSkipsVerification)
{
    Fake.Statuses = {FakeVendor::Status(1), FakeVendor::Status(0, false, true)};
    EXPECT_EQ(Rdr->EnrollUser("1", UserAuthorityLevel::None, Status), nullptr);
    EXPECT_EQ(Status->Log, (Names{"zelSetHandReader", "BeginEnrollment", "zelEnrollUser", "Update", "Update", "Timeout",
                                  "EndEnrollment"}));
}

TEST_F(EnrollmentTest, TimeoutInTheVerificationPhase)
{
    Fake.Statuses = {FakeVendor::Status(0, true), FakeVendor::Status(0, false, true)};
    EXPECT_EQ(Rdr->EnrollUser("1", UserAuthorityLevel::None, Status), nullptr);
    EXPECT_EQ(Status->Log,
              (Names{"zelSetHandReader", "BeginEnrollment", "zelEnrollUser", "Update", "zelGetLastTemplate",
                     "zelVerifyOnExternalData", "Update", "Timeout", "EndEnrollment"}));
    EXPECT_EQ(Fake.CountOf("zelGetLastTemplate"), 1);
}

TEST_F(EnrollmentTest, WithoutACallbackTheRunIsTheSame)
{
    Fake.Statuses = {FakeVendor::Status(1), FakeVendor::Status(0, true), FakeVendor::Status(0, true)};
    auto user = Rdr->EnrollUser("1", UserAuthorityLevel::None, nullptr);
    EXPECT_TRUE(user);
    EXPECT_EQ(Status->Log, (Names{"zelSetHandReader", "zelEnrollUser", "zelGetLastTemplate", "zelVerifyOnExternalData",
                                  "zelGetLastTemplate", "zelSetHandReader", "zelHereIsUserRecord"}));
    Status->Log.clear();
    Fake.Statuses = {FakeVendor::Status(1), FakeVendor::Status(1)};
    OnPump = [this](int pump) {
        if (pump == 5)
            Rdr->AbortEnrollment();
    };
    EXPECT_EQ(Rdr->EnrollUser("1", UserAuthorityLevel::None, nullptr), nullptr);
    EXPECT_EQ(Status->Log.back(), "zelHereIsDisplayMessage");
}

TEST_F(EnrollmentTest, VendorFailureRaisesWithoutEndEnrollment)
{
    Fake.Statuses = {FakeVendor::Status(1)};
    Fake.QueueResult("zelSendStatusCRC", 0);
    Fake.QueueResult("zelSendStatusCRC", 4);
    try {
        Rdr->EnrollUser("1", UserAuthorityLevel::None, Status);
        FAIL();
    } catch (const zel::Error& e) {
        EXPECT_EQ(e.Number(), static_cast<long>(ZelErrors::ComTimeout));
    }
    EXPECT_EQ(std::count(Status->Log.begin(), Status->Log.end(), "EndEnrollment"), 0);
    // Nothing is left under enrollment: an abort now addresses no clock.
    Fake.ClearCalls();
    Rdr->AbortEnrollment();
    EXPECT_TRUE(Fake.Calls.empty());
}

TEST_F(EnrollmentTest, AbortWithoutEnrollmentDoesNothing)
{
    Rdr->AbortEnrollment();
    EXPECT_TRUE(Fake.Calls.empty());
}

TEST_F(EnrollmentTest, TheReaderMayBeDroppedDuringTheEnrollment)
{
    Fake.Statuses = {FakeVendor::Status(1), FakeVendor::Status(0, true), FakeVendor::Status(0, true)};
    OnPump = [this](int pump) {
        if (pump == 1) {
            Rdr.reset();
            Chan.reset();
        }
    };
    auto reader = Rdr;
    auto raw = reader.get();
    reader.reset();
    EXPECT_TRUE(raw->EnrollUser("1", UserAuthorityLevel::None, Status));
    EXPECT_EQ(Fake.CountOf("zelCloseChannel"), 1);
}
