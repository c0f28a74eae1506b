// A clock that answers after the library gave up: the late answer must never be taken for the
// next request, not even for the next request with the same command code to the same clock, and
// a request retried after a time-out gets its own answer. Through the vendor library's C
// interface against the in-process emulator (its late-answer fault, zelclockd --late-ms), over
// TCP and over the pseudo-terminal.
#include <chrono>

#include "SimFixture.h"
#include "zel/link/Command.h"
#include "zel/link/Timing.h"

using namespace zel::test;
using namespace std::chrono_literals;
namespace zl = zel::link;

namespace {

enum class Line { Tcp, Pty };

constexpr std::int32_t kSerialRate = 115200;

std::string LineName(const ::testing::TestParamInfo<Line>& param)
{
    return param.param == Line::Tcp ? "Tcp" : "Pty";
}

// The emulator's clocks reached over TCP or over its pseudo-terminal as COM6.
class LateAnswer : public SimFixture, public ::testing::WithParamInterface<Line> {
protected:
    bool WantPty() const override { return GetParam() == Line::Pty; }
    std::string TimeoutMs() const override { return std::to_string(BaseTimeout().count()); }
    std::int32_t Open() override
    {
        if (GetParam() == Line::Tcp) {
            return SimFixture::Open();
        }
        ScopedEnv com6("ZEL_COM6", server->PtyPath());
        const std::int32_t handle = zelInstallChannel(5);
        EXPECT_EQ(zelOpenDirectChannel(handle, kSerialRate), 0);
        return handle;
    }

    // ZEL_TIMEOUT_MS: room enough for the answer that follows right behind a late one.
    virtual std::chrono::milliseconds BaseTimeout() const { return 600ms; }

    // The library's time-out for one exchange of `command` on this line (docs/clock-protocol.md).
    std::chrono::milliseconds Timeout(zl::Command command) const
    {
        const auto& info = zl::Describe(command);
        const std::uint32_t rate = GetParam() == Line::Pty ? kSerialRate : 0;
        return zl::ExchangeTimeout(info.RequestSize, 1 + info.ResponseSize, rate, BaseTimeout());
    }

    // From now on the clock answers `command` 200 ms after the library gave up on it.
    void AnswerLate(zl::Command command)
    {
        zel::sim::FaultOptions faults;
        faults.Late = true;
        faults.LateMs = static_cast<int>((Timeout(command) + 200ms).count());
        server->SetFaults(faults);
    }
    // The next request is answered at once (right behind the late answer still on its way).
    void AnswerAtOnce() { server->SetFaults({}); }

    zel::sim::SimClock& Clock() { return server->Clock(kBaseReader); }

    void PutUser(const char* id, std::uint8_t seed)
    {
        const auto user = MakeUser(id, seed);
        ASSERT_TRUE(Clock().PutUser(*zel::sim::ClockUser::FromRecord(std::span(user).first(ZEL_USER_RECORD_SIZE))));
    }

    static std::array<std::uint8_t, ZEL_USER_ID_RECORD_SIZE> Id(const char* text)
    {
        std::array<std::uint8_t, ZEL_USER_ID_RECORD_SIZE> id{};
        EXPECT_EQ(zelTextToID(text, id.data()), 0);
        return id;
    }
};

} // namespace

TEST_P(LateAnswer, UserRecordOfAnotherUserIsNeverTaken)
{
    PutUser("42", 0x42);
    PutUser("43", 0x43);
    Select(kBaseReader);
    AnswerLate(zl::Command::GetUserRecord);
    std::array<std::uint8_t, ZEL_USER_RECORD_SIZE> record{};
    EXPECT_EQ(zelGetUserRecord(h, Id("42").data(), record.data()), 4);
    AnswerAtOnce();
    record.fill(0xEE);
    ASSERT_EQ(zelGetUserRecord(h, Id("43").data(), record.data()), 0);
    EXPECT_EQ(record[4], 0x43) << "user 42's record was taken for user 43";
    EXPECT_EQ(record[5], 0x43);
}

TEST_P(LateAnswer, DataBankOfAnotherBankIsNeverTaken)
{
    for (int k = 0; k < 300; ++k) { // bank 0 holds the first 256, bank 1 the rest
        PutUser(std::to_string(1000 + k).c_str(), static_cast<std::uint8_t>(k));
    }
    const auto expected = Clock().GetDataBank(1).Payload;
    ASSERT_EQ(expected.size(), std::size_t{ZEL_DATA_BANK_SIZE});
    Select(kBaseReader);
    AnswerLate(zl::Command::GetDataBank);
    std::vector<std::uint8_t> bank(ZEL_DATA_BANK_SIZE);
    EXPECT_EQ(zelGetDataBank(h, 0, bank.data()), 4);
    AnswerAtOnce();
    std::fill(bank.begin(), bank.end(), 0xEE);
    ASSERT_EQ(zelGetDataBank(h, 1, bank.data()), 0);
    EXPECT_EQ(bank, expected) << "bank 0 was taken for bank 1";
}

TEST_P(LateAnswer, DataLogElementIsNeverTakenForTheNextOne)
{
    const auto id = Id("7");
    Clock().LogEvent(1, &id);
    Clock().LogEvent(8, &id);
    Clock().LogEvent(24);
    const auto events = Clock().Events();
    ASSERT_EQ(events.size(), 3u);
    Select(kBaseReader);
    AnswerLate(zl::Command::GetDataLogElement);
    std::array<std::uint8_t, ZEL_DATA_LOG_RECORD_SIZE> event{};
    EXPECT_EQ(zelGetDataLogElement(h, event.data(), 0), 4); // the clock moved on to event 1 all the same
    AnswerAtOnce();
    event.fill(0xEE);
    ASSERT_EQ(zelGetDataLogElement(h, event.data(), 0), 0);
    EXPECT_EQ(event, events[1]) << "the late answer (event 1) was taken for the next element";
}

TEST_P(LateAnswer, SetupRecordIsNeverAnOutdatedOne)
{
    Select(kBaseReader);
    zel::sim::SetupRecord before = Clock().Setup();
    before[0] = 1;
    Clock().SetSetup(before);
    AnswerLate(zl::Command::GetSetupData);
    std::array<std::uint8_t, ZEL_SETUP_RECORD_SIZE> setup{};
    EXPECT_EQ(zelGetSetupData(h, setup.data()), 4);
    zel::sim::SetupRecord after = before;
    after[0] = 2; // changed at the clock meanwhile
    Clock().SetSetup(after);
    AnswerAtOnce();
    setup.fill(0xEE);
    ASSERT_EQ(zelGetSetupData(h, setup.data()), 0);
    EXPECT_EQ(setup[0], 2) << "the late answer with the old setup was taken";
    EXPECT_TRUE(std::equal(setup.begin(), setup.end(), after.begin()));
}

TEST_P(LateAnswer, ALateOkNeverConfirmsTheNextWrite)
{
    Select(kBaseReader);
    AnswerLate(zl::Command::PutTime);
    const std::uint8_t good[ZEL_TIME_RECORD_SIZE] = {0, 0, 12, 1, 6, 5};
    EXPECT_EQ(zelHereIsTime(h, good), 4);
    AnswerAtOnce();
    const std::uint8_t month13[ZEL_TIME_RECORD_SIZE] = {0, 0, 12, 1, 13, 5};
    EXPECT_EQ(zelHereIsTime(h, month13), 1) << "the late Ok of the first write confirmed a write the clock refused";
}

TEST_P(LateAnswer, ALateRefusalNeverFailsTheNextWrite)
{
    Select(kBaseReader);
    AnswerLate(zl::Command::PutUserRecord);
    auto broken = MakeUser("5", 1);
    broken[0] = 0xAB; // not a decimal ID: the clock refuses it
    EXPECT_EQ(zelHereIsUserRecord(h, broken.data()), 4);
    AnswerAtOnce();
    const auto user = MakeUser("6", 2);
    EXPECT_EQ(zelHereIsUserRecord(h, user.data()), 0);
    EXPECT_TRUE(Clock().FindUser(*zel::sim::UserIdFromText("6")));
}

TEST_P(LateAnswer, ARetryAfterATimeOutGetsItsOwnAnswer)
{
    PutUser("42", 0x10);
    Select(kBaseReader);
    AnswerLate(zl::Command::GetUserRecord);
    std::array<std::uint8_t, ZEL_USER_RECORD_SIZE> record{};
    EXPECT_EQ(zelGetUserRecord(h, Id("42").data(), record.data()), 4);
    PutUser("42", 0x20); // the late answer carries the old template; the retry must see the new one
    AnswerAtOnce();
    record.fill(0xEE);
    ASSERT_EQ(zelGetUserRecord(h, Id("42").data(), record.data()), 0);
    EXPECT_EQ(record[5], 0x20) << "the retry took the answer to the first try";
}

INSTANTIATE_TEST_SUITE_P(Lines, LateAnswer, ::testing::Values(Line::Tcp, Line::Pty), LineName);

namespace {

// The case as it was reported: zelclockd --late-ms 450 and ZEL_TIMEOUT_MS=300.
class ReportedCase : public LateAnswer {
protected:
    std::chrono::milliseconds BaseTimeout() const override { return 300ms; }
};

} // namespace

TEST_P(ReportedCase, GetUserRecord43RightAfterATimedOut42NeverGivesUser42)
{
    PutUser("42", 0x42);
    PutUser("43", 0x43);
    Select(kBaseReader);
    zel::sim::FaultOptions faults;
    faults.Late = true;
    faults.LateMs = 450;
    server->SetFaults(faults);
    for (int round = 1; round <= 5; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::array<std::uint8_t, ZEL_USER_RECORD_SIZE> record{};
        record.fill(0xEE);
        EXPECT_EQ(zelGetUserRecord(h, Id("42").data(), record.data()), 4);
        record.fill(0xEE);
        // Every answer comes 450 ms late, after the time-out: this one times out as well, and
        // above all it must not return user 42's record (it did in 3 of 5 rounds).
        EXPECT_EQ(zelGetUserRecord(h, Id("43").data(), record.data()), 4);
        EXPECT_NE(record[4], 0x42) << "user 42's record was returned for user 43";
    }
}

INSTANTIATE_TEST_SUITE_P(Lines, ReportedCase, ::testing::Values(Line::Tcp, Line::Pty), LineName);
