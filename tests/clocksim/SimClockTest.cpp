#include "clocksim/SimClock.h"
#include "clocksim/ManualTimeSource.h"

#include "zel/link/Command.h"

#include <gtest/gtest.h>

using namespace zel::sim;
using zel::DateTime;
using zel::link::Command;
using zel::link::Status;

namespace {

ClockUser MakeUser(std::uint64_t number, std::uint8_t templateByte = 1)
{
    ClockUser u;
    u.Id = *UserIdFromText(std::to_string(number));
    u.Hand.fill(templateByte);
    u.AuthorityLevel = 2;
    return u;
}

Bytes Rec(const ClockUser& u)
{
    const auto r = u.ToRecord();
    return Bytes(r.begin(), r.end());
}

std::int32_t FormatOf(const DataLogRecord& r)
{
    return r[8] | (r[9] << 8);
}

class SimClockTest : public ::testing::Test {
protected:
    std::shared_ptr<ManualTimeSource> mTime = std::make_shared<ManualTimeSource>();
    SimClock mBase{3, ClockModel::Base, mTime};
    SimClock mVt9{4, ClockModel::Vt9, mTime};

    Reply Send(SimClock& c, Command cmd, Bytes payload = {}) { return c.Execute(zel::link::RequestCode(cmd), payload); }
};

} // namespace

TEST_F(SimClockTest, ReaderInfoCarriesModelCodeAndUserCount)
{
    for (int n = 1; n <= 300; ++n)
        ASSERT_TRUE(mBase.PutUser(MakeUser(n)));
    const Reply base = Send(mBase, Command::GetReaderInfo);
    ASSERT_EQ(base.Status, Status::Ok);
    ASSERT_EQ(base.Payload.size(), 104u);
    EXPECT_NE(base.Payload[0], 2);
    EXPECT_EQ(base.Payload[50] | (base.Payload[51] << 8), 300);
    EXPECT_EQ(Send(mVt9, Command::GetReaderInfo).Payload[0], 2);
}

TEST_F(SimClockTest, FullClockRefusesANewUserButTakesAReplacement)
{
    for (int n = 1; n <= 530; ++n)
        ASSERT_TRUE(mVt9.PutUser(MakeUser(n)));
    EXPECT_EQ(Send(mVt9, Command::PutUserRecord, Rec(MakeUser(531))).Status, Status::MemoryFull);
    EXPECT_EQ(Send(mVt9, Command::PutUserRecord, Rec(MakeUser(17, 9))).Status, Status::Ok);
    EXPECT_EQ(mVt9.FindUser(MakeUser(17).Id)->Hand[0], 9);
    EXPECT_EQ(mVt9.UserCount(), 530u);

    for (int n = 1; n <= 2560; ++n)
        ASSERT_TRUE(mBase.PutUser(MakeUser(n)));
    EXPECT_FALSE(mBase.PutUser(MakeUser(2561)));
    EXPECT_EQ(Send(mBase, Command::PutUserRecord, Rec(MakeUser(2561))).Status, Status::MemoryFull);
}

TEST_F(SimClockTest, UserRecordsRoundTripAndUnknownUsersAreNotFound)
{
    ClockUser u = MakeUser(42);
    u.RejectThreshold = 120;
    u.TimeZone = 3;
    ASSERT_EQ(Send(mBase, Command::PutExtUserRecord,
                   [&] {
                       const auto r = u.ToExtRecord();
                       return Bytes(r.begin(), r.end());
                   }())
                  .Status,
              Status::Ok);
    const Bytes id(u.Id.begin(), u.Id.end());
    EXPECT_EQ(Send(mBase, Command::GetUserRecord, id).Payload, Rec(u));
    EXPECT_EQ(Send(mBase, Command::GetExtUserRecord, id).Payload.size(), 92u);
    EXPECT_EQ(Send(mBase, Command::RemoveUserRecord, id).Status, Status::Ok);
    EXPECT_EQ(Send(mBase, Command::RemoveUserRecord, id).Status, Status::NotFound);
    EXPECT_EQ(Send(mBase, Command::GetUserRecord, id).Status, Status::NotFound);
    EXPECT_EQ(Send(mBase, Command::GetUserRecord, Bytes{0, 0, 0, 0, 0xAB}).Status, Status::DataError);
    Bytes bad = Rec(u);
    bad[0] = 0xFF;
    EXPECT_EQ(Send(mBase, Command::PutUserRecord, bad).Status, Status::DataError);
    EXPECT_EQ(mBase.UserCount(), 0u);
}

TEST_F(SimClockTest, BaseBanksHold256SixteenByteSlotsThen0xFF)
{
    for (int n = 1; n <= 300; ++n)
        mBase.PutUser(MakeUser(n));
    const Reply bank0 = Send(mBase, Command::GetDataBank, {0});
    const Reply bank1 = Send(mBase, Command::GetDataBank, {1});
    ASSERT_EQ(bank0.Payload.size(), 4096u);
    const auto first = MakeUser(1).ToBankRecord();
    EXPECT_TRUE(std::equal(first.begin(), first.end(), bank0.Payload.begin()));
    EXPECT_EQ(bank0.Payload[255 * 16 + 4], 0x56); // user 256
    EXPECT_EQ(bank1.Payload[43 * 16 + 4], 0x00);  // user 300 ...
    EXPECT_EQ(bank1.Payload[43 * 16 + 3], 0x03);
    EXPECT_TRUE(std::all_of(bank1.Payload.begin() + 44 * 16, bank1.Payload.end(), [](auto b) { return b == 0xFF; }));
    EXPECT_EQ(Send(mBase, Command::GetDataBank, {2}).Payload, Bytes(4096, 0xFF));
    EXPECT_EQ(Send(mBase, Command::GetDataBank, {10}).Status, Status::DataError);
}

TEST_F(SimClockTest, NewerModelBanksHold53SeventySevenByteSlots)
{
    for (int n = 1; n <= 55; ++n)
        mVt9.PutUser(MakeUser(n));
    const Bytes bank0 = Send(mVt9, Command::GetDataBank, {0}).Payload;
    const Bytes bank1 = Send(mVt9, Command::GetDataBank, {1}).Payload;
    const auto slot = MakeUser(53).ToBankRecord();
    EXPECT_TRUE(std::equal(slot.begin(), slot.end(), bank0.begin() + 52 * 77));
    EXPECT_TRUE(std::all_of(bank0.begin() + 16, bank0.begin() + 77, [](auto b) { return b == 0xFF; }));
    EXPECT_TRUE(std::all_of(bank0.begin() + 4081, bank0.end(), [](auto b) { return b == 0xFF; }));
    EXPECT_EQ(bank1[77 + 4], 0x55);
    EXPECT_EQ(bank1[2 * 77], 0xFF);
}

TEST_F(SimClockTest, WritingBanksReplacesTheUsersInOrder)
{
    mBase.PutUser(MakeUser(999));
    Bytes request(1 + 4096, 0xFF);
    auto put = [&](std::uint8_t bank, int from, int count) {
        std::fill(request.begin(), request.end(), 0xFF);
        request[0] = bank;
        for (int k = 0; k < count; ++k) {
            const auto slot = MakeUser(static_cast<std::uint64_t>(from + k)).ToBankRecord();
            std::copy(slot.begin(), slot.end(), request.begin() + 1 + 16 * k);
        }
        return Send(mBase, Command::PutDataBank, request).Status;
    };
    ASSERT_EQ(put(0, 1, 256), Status::Ok);
    EXPECT_EQ(mBase.UserCount(), 256u);
    EXPECT_FALSE(mBase.FindUser(MakeUser(999).Id));
    ASSERT_EQ(put(1, 257, 1), Status::Ok);
    ASSERT_EQ(put(1, 257, 1), Status::Ok); // sent again after a lost answer: no duplicate
    EXPECT_EQ(mBase.UserCount(), 257u);
    EXPECT_EQ(mBase.Users().back().Id, MakeUser(257).Id);
    EXPECT_EQ(mBase.FindUser(MakeUser(257).Id)->AuthorityLevel, 0);

    request[1 + 16] = 0xAB; // second slot has a broken ID: the bank is refused whole
    EXPECT_EQ(Send(mBase, Command::PutDataBank, request).Status, Status::DataError);
    EXPECT_EQ(mBase.UserCount(), 257u);
    request[0] = 10;
    EXPECT_EQ(Send(mBase, Command::PutDataBank, request).Status, Status::DataError);
}

TEST_F(SimClockTest, SetupRecordIsKeptWholeAndTimeFormatChecked)
{
    Bytes setup(144);
    for (std::size_t i = 0; i < setup.size(); ++i)
        setup[i] = static_cast<std::uint8_t>(i);
    setup[140] = 1;
    setup[141] = setup[142] = setup[143] = 0;
    ASSERT_EQ(Send(mBase, Command::PutSetupData, setup).Status, Status::Ok);
    EXPECT_EQ(Send(mBase, Command::GetSetupData).Payload, setup);
    setup[140] = 2;
    EXPECT_EQ(Send(mBase, Command::PutSetupData, setup).Status, Status::DataError);
    EXPECT_EQ(Send(mBase, Command::UpdateNvRam).Status, Status::Ok);
}

TEST_F(SimClockTest, TimeIsSetRunsOnAndIsLogged)
{
    ASSERT_EQ(Send(mBase, Command::PutTime, {9, 5, 14, 15, 3, 4}).Status, Status::Ok);
    EXPECT_EQ(mBase.Time(), DateTime(2004, 3, 15, 14, 5, 9));
    mTime->AdvanceMs(61'500);
    EXPECT_EQ(Send(mBase, Command::GetTime).Payload, (Bytes{10, 6, 14, 15, 3, 4}));
    EXPECT_EQ(Send(mBase, Command::PutTime, {0, 0, 0, 30, 2, 4}).Status, Status::DataError);
    EXPECT_EQ(Send(mBase, Command::PutTime, {60, 0, 0, 1, 1, 4}).Status, Status::DataError);
    const auto events = mBase.Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(FormatOf(events[0]), 24);
    EXPECT_EQ(events[0][0], 3); // reader ID
    EXPECT_EQ(Bytes(events[0].begin() + 1, events[0].begin() + 7), (Bytes{9, 5, 14, 15, 3, 4}));
}

TEST_F(SimClockTest, AClockRunsOffByItsOffsetAndDriftAndDriftsOnAfterBeingSet)
{
    const DateTime host = DateTime::FromTimeT(static_cast<std::time_t>(mTime->NowMs() / 1000));
    struct Case {
        std::int64_t Offset;
        int DriftPpm;
        std::int64_t AfterADay; // seconds ahead of the host after one day
    };
    for (const Case& c : {Case{0, 0, 0}, Case{90, 0, 90}, Case{-45, 0, -45}, Case{0, 1000, 86}, Case{0, -500, -44},
                          Case{30, 100, 38}}) {
        auto time = std::make_shared<ManualTimeSource>(mTime->NowMs());
        SimClock timed{5, ClockModel::Base, time};
        timed.SetTimeOptions({c.Offset, c.DriftPpm});
        EXPECT_EQ(timed.Time().TotalSeconds() - host.TotalSeconds(), c.Offset) << c.Offset << " " << c.DriftPpm;
        time->AdvanceMs(86'400'000);
        EXPECT_EQ(timed.Time().TotalSeconds() - host.AddDays(1).TotalSeconds(), c.AfterADay)
            << c.Offset << " " << c.DriftPpm;
        // Set right, it keeps its drift: after another day it is off by the drift alone.
        timed.SetTime(host.AddDays(1));
        time->AdvanceMs(86'400'000);
        EXPECT_EQ(timed.Time().TotalSeconds() - host.AddDays(2).TotalSeconds(), c.AfterADay - c.Offset)
            << c.Offset << " " << c.DriftPpm;
    }
}

TEST_F(SimClockTest, ChangesAreLoggedWithTheUserIdInBcd)
{
    Send(mBase, Command::PutUserRecord, Rec(MakeUser(1234567890)));
    const auto id = MakeUser(1234567890).Id;
    Send(mBase, Command::RemoveUserRecord, Bytes(id.begin(), id.end()));
    Send(mBase, Command::ClearUserDataBase);
    const auto events = mBase.Events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(FormatOf(events[0]), 1);
    EXPECT_EQ(FormatOf(events[1]), 8);
    EXPECT_EQ(FormatOf(events[2]), 41);
    EXPECT_EQ(Bytes(events[0].begin() + 12, events[0].begin() + 17), (Bytes{0x12, 0x34, 0x56, 0x78, 0x90}));

    // Reading: next from the oldest, previous back, empty at the end.
    EXPECT_EQ(Send(mBase, Command::GetDataLogElement, {0}).Payload[8], 1);
    EXPECT_EQ(Send(mBase, Command::GetDataLogElement, {0}).Payload[8], 8);
    EXPECT_EQ(Send(mBase, Command::GetDataLogElement, {0}).Payload[8], 41);
    EXPECT_EQ(Send(mBase, Command::GetDataLogElement, {0}).Payload, Bytes(28, 0));
    EXPECT_EQ(Send(mBase, Command::GetDataLogElement, {1}).Payload[8], 8);
    EXPECT_EQ(Send(mBase, Command::GetDataLogElement, {2}).Status, Status::DataError);
}

TEST_F(SimClockTest, PunchesAreLoggedForKnownUsersOnTheTimeSource)
{
    mBase.SetPunchEverySec(10, 7);
    mBase.Tick();
    mTime->AdvanceMs(35'000);
    mBase.Tick();
    EXPECT_TRUE(mBase.Events().empty()); // nobody to punch
    mBase.PutUser(MakeUser(5));
    mBase.PutUser(MakeUser(6));
    mTime->AdvanceMs(30'000);
    Send(mBase, Command::GetTime); // any command brings the log up to date
    const auto events = mBase.Events();
    ASSERT_EQ(events.size(), 3u);
    for (const auto& e : events) {
        EXPECT_EQ(FormatOf(e), 7);
        EXPECT_TRUE(e[16] == 5 || e[16] == 6);
    }
}

TEST_F(SimClockTest, MalformedRequestsGetProtocolStatuses)
{
    EXPECT_EQ(mBase.Execute(0x00, {}).Status, Status::UnknownCommand);
    EXPECT_EQ(mBase.Execute(0x7F, {}).Status, Status::UnknownCommand);
    EXPECT_EQ(mBase.Execute(0x81, {}).Status, Status::UnknownCommand);
    EXPECT_EQ(Send(mBase, Command::GetTime, {1}).Status, Status::WrongLength);
    EXPECT_EQ(Send(mBase, Command::PutUserRecord, Bytes(23)).Status, Status::WrongLength);
    EXPECT_EQ(Send(mBase, Command::PutDataBank, Bytes(4096)).Status, Status::WrongLength);
    EXPECT_TRUE(Send(mBase, Command::GetTime, {1}).Payload.empty());
}

TEST_F(SimClockTest, DisplayMessagesAreCheckedAndKept)
{
    Bytes everybody(44, 0x20);
    everybody[0] = everybody[1] = everybody[2] = everybody[3] = 0;
    everybody[4] = 20;
    std::fill(everybody.begin() + 5, everybody.begin() + 9, 0);
    EXPECT_EQ(Send(mBase, Command::PutDisplayMessage, everybody).Status, Status::Ok);
    EXPECT_EQ(mBase.LastDisplayMessage(), everybody);
    everybody[4] = 21;
    EXPECT_EQ(Send(mBase, Command::PutDisplayMessage, everybody).Status, Status::DataError);
    Bytes one = everybody;
    one[0] = one[1] = one[2] = one[3] = 0xFF;
    one[4] = 0;
    EXPECT_EQ(Send(mBase, Command::PutDisplayMessage, one).Status, Status::Ok);
    one[4] = 0xFF;
    EXPECT_EQ(Send(mBase, Command::PutDisplayMessage, one).Status, Status::DataError);
    EXPECT_EQ(mBase.DisplayMessageCount(), 2);
}

TEST_F(SimClockTest, EnrollmentThroughCommandsGivesThePersonsTemplate)
{
    EnrollmentOptions o;
    o.ReadTimeMs = 0;
    mBase.SetEnrollmentOptions(o);
    mBase.SetNextPerson(77);
    ASSERT_EQ(Send(mBase, Command::EnrollUser).Status, Status::Ok);
    int reads = 0;
    bool active = false;
    Bytes status;
    for (int i = 0; i < 100; ++i) {
        status = Send(mBase, Command::Status).Payload;
        if (status[40] || status[44])
            break;
        if (active && status[0] == 0)
            ++reads;
        active = status[0] != 0;
    }
    EXPECT_EQ(reads, 4);
    EXPECT_EQ(status[40], 1);
    const Bytes last = Send(mBase, Command::GetLastTemplate).Payload;
    const Template expected = EnrollmentSim::TemplateOf(77);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), last.begin() + 2));

    Bytes verify(4, 0);
    verify.insert(verify.end(), last.begin() + 2, last.begin() + 11);
    ASSERT_EQ(Send(mBase, Command::VerifyOnExternalData, verify).Status, Status::Ok);
    EXPECT_EQ(mBase.EnrollmentPhase(), EnrollmentSim::Phase::Verifying);
    EXPECT_EQ(Send(mBase, Command::Status).Payload[0], 1);
    EXPECT_EQ(Send(mBase, Command::Status).Payload[0], 0);
    EXPECT_EQ(Send(mBase, Command::Status).Payload[40], 1);
    EXPECT_EQ(Send(mBase, Command::GetLastTemplate).Payload, last);

    // The next enrollment brings the next person.
    Send(mBase, Command::EnrollUser);
    Send(mBase, Command::Abort);
    EXPECT_EQ(mBase.EnrollmentPhase(), EnrollmentSim::Phase::Idle);
    EXPECT_EQ(mBase.Snapshot().NextPerson, 79u);
}
