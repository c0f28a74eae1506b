#include "MachineZone.h"
#include "ReaderFixture.h"

#include "zel/Error.h"
#include "zel/support/DayLightSavingsDates.h"
#include "zel/support/MessagePump.h"
#include "zel/support/Reader.h"
#include "zel/support/TimeZoneTable.h"
#include "zel/support/User.h"
#include "zel/support/ZelErrors.h"

#include <algorithm>

using namespace zel::support;
using zel::test::FakeVendor;
using Names = std::vector<std::string>;

namespace {

class ReaderTest : public zel::test::ReaderFixture {
protected:
    void SetUp() override { MakeReader(1); }
};

std::shared_ptr<User> MakeUser(const std::string& id)
{
    auto user = std::make_shared<User>();
    user->SetID(id);
    user->SetTemplate({9, 8, 7, 6, 5, 4, 3, 2, 1});
    return user;
}

} // namespace

TEST_F(ReaderTest, UserListOfAnEmptyClockIsEmpty)
{
    Fake.Banks[0].fill(0xFF);
    auto list = Rdr->GetUserList();
    ASSERT_TRUE(list);
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(Fake.CallNames(), (Names{"zelSetHandReader", "zelGetReaderInfo", "zelGetDataBank"}));
    EXPECT_EQ(Fake.Calls[0].Args[1], 5);
}

TEST_F(ReaderTest, UserListReadsAcrossBanksAndStopsAtTheFirstEmptySlot)
{
    Fake.Banks[0] = Bank(256, 1);
    Fake.Banks[1] = Bank(44, 257);
    auto list = Rdr->GetUserList();
    EXPECT_EQ(list->Count(), 300);
    EXPECT_EQ(Fake.CountOf("zelGetDataBank"), 2);
    auto user = list->Item("300");
    EXPECT_EQ(user->ID(), "300");
    EXPECT_EQ(user->Template(), (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(user->AuthorityLevel(), UserAuthorityLevel::None);
    EXPECT_EQ(user->RejectThreshold(), 0);
    EXPECT_EQ(user->TimeZone(), 0);
    EXPECT_EQ(list->KeyAt(1), "1");
}

TEST_F(ReaderTest, UserListReadsOnlyTheBanksTheUserCountFills)
{
    MakeReader(1, 5, 256); // one full bank: the next one is not read for its end mark
    Fake.Banks[0] = Bank(256, 1);
    Fake.Banks[1] = Bank(5, 257); // not reached
    EXPECT_EQ(Rdr->GetUserList()->Count(), 256);
    EXPECT_EQ(Fake.CountOf("zelGetDataBank"), 1);

    MakeReader(1, 5, 0); // an empty clock: the selection and the count only
    EXPECT_EQ(Rdr->GetUserList()->Count(), 0);
    EXPECT_EQ(Fake.CallNames(), (Names{"zelSetHandReader", "zelGetReaderInfo"}));
}

TEST_F(ReaderTest, UserListWithoutAReadableCountReadsUpToTheFirstEmptySlot)
{
    // The clock was empty when the reader was made (users read through the count are
    // UserBatchTest's); a count that cannot be read: every bank up to the first empty slot.
    MakeReader(1, 5, 0);
    Fake.Banks[1] = Bank(1, 300);
    Fake.Banks[0] = Bank(256, 1);
    Fake.QueueResult("zelGetReaderInfo", 4);
    EXPECT_EQ(Rdr->GetUserList()->Count(), 257);
}

TEST_F(ReaderTest, SendUsersAndRemoveUsersSelectTheClockOnce)
{
    VisitorList users{MakeUser("1"), MakeUser("2"), MakeUser("3")};
    EXPECT_EQ(Rdr->SendUsers(users), 3u);
    EXPECT_EQ(Fake.CountOf("zelSetHandReader"), 1);
    EXPECT_EQ(Fake.CountOf("zelHereIsUserRecord"), 3);
    EXPECT_EQ(Fake.CallNames().front(), "zelSetHandReader");
    Fake.ClearCalls();
    RemoveList gone{MakeUser("1"), MakeUser("3")};
    RemoveResult removed;
    Rdr->RemoveUsers(gone, removed);
    EXPECT_EQ(removed.Removed, 2u);
    EXPECT_EQ(Fake.CountOf("zelSetHandReader"), 1);
    EXPECT_EQ(Fake.CountOf("zelRemoveUserRecord"), 2);
    EXPECT_EQ(Fake.CallNames().front(), "zelSetHandReader");
}

TEST_F(ReaderTest, RemoveUsersGoesOnPastUsersTheClockDoesNotHold)
{
    // Result 1 for a well-formed ID can only be "no user with that ID": the user is gone already.
    Fake.QueueResult("zelRemoveUserRecord", 0);
    Fake.QueueResult("zelRemoveUserRecord", 1);
    RemoveResult result;
    Rdr->RemoveUsers({MakeUser("1"), MakeUser("2"), MakeUser("3")}, result);
    EXPECT_EQ(result.Removed, 2u);
    EXPECT_EQ(result.NotOnClock, std::vector<std::size_t>{1});
    EXPECT_EQ(result.Done(), 3u);
    EXPECT_EQ(Fake.CountOf("zelRemoveUserRecord"), 3);

    // Any other failure ends the removal; the result still tells what was done before it.
    Fake.ClearCalls();
    Fake.QueueResult("zelRemoveUserRecord", 1);
    Fake.QueueResult("zelRemoveUserRecord", 0);
    Fake.QueueResult("zelRemoveUserRecord", 4);
    try {
        Rdr->RemoveUsers({MakeUser("1"), MakeUser("2"), MakeUser("3"), MakeUser("4")}, result);
        FAIL();
    } catch (const zel::Error& e) {
        EXPECT_EQ(e.Number(), static_cast<long>(ZelErrors::ComTimeout));
    }
    EXPECT_EQ(result.Removed, 1u);
    EXPECT_EQ(result.NotOnClock, std::vector<std::size_t>{0});
    EXPECT_EQ(Fake.CountOf("zelRemoveUserRecord"), 3);

    // An ID that is not 1 to 10 digits is refused before anything is sent, so a result 1 is
    // never taken for a user that is not there.
    Fake.ClearCalls();
    try {
        Rdr->RemoveUsers({MakeUser("12a")}, result);
        FAIL();
    } catch (const zel::Error& e) {
        EXPECT_EQ(e.Number(), 5);
        EXPECT_EQ(e.Source(), "ZelClock");
    }
    EXPECT_TRUE(Fake.Calls.empty());
}

TEST_F(ReaderTest, UserListStopsAfterBankNine)
{
    for (int bank = 0; bank < 12; ++bank)
        Fake.Banks[bank] = Bank(256, 1 + bank * 256);
    auto list = Rdr->GetUserList();
    EXPECT_EQ(list->Count(), 2560);
    auto banks = Fake.CallsTo("zelGetDataBank");
    ASSERT_EQ(banks.size(), 10u);
    EXPECT_EQ(banks.back().Args[1], 9);
}

TEST_F(ReaderTest, UserListReturnsWhatWasReadWhenABankFails)
{
    Fake.Banks[0] = Bank(256, 1);
    Fake.QueueResult("zelGetDataBank", 0);
    Fake.QueueResult("zelGetDataBank", 4);
    std::shared_ptr<UserList> list;
    EXPECT_NO_THROW(list = Rdr->GetUserList());
    EXPECT_EQ(list->Count(), 256);
}

TEST_F(ReaderTest, UserListStopsAtARepeatedID)
{
    auto bank = Bank(3, 10);
    auto repeated = FakeVendor::IdRecord("10");
    std::copy(repeated.begin(), repeated.end(), bank.begin() + 16);
    Fake.Banks[0] = bank;
    EXPECT_EQ(Rdr->GetUserList()->Count(), 1);
}

TEST_F(ReaderTest, SendUserListSplitsBanksAt256)
{
    VisitorList users;
    for (int i = 1; i <= 256; ++i)
        users.push_back(MakeUser(std::to_string(i)));
    Rdr->SendUserList(users);
    EXPECT_EQ(Fake.CommandNames(), (Names{"zelSetHandReader", "zelSetDataBank"}));

    users.push_back(MakeUser("4000000000"));
    Fake.ClearCalls();
    Rdr->SendUserList(users);
    auto banks = Fake.CallsTo("zelSetDataBank");
    ASSERT_EQ(banks.size(), 2u);
    EXPECT_EQ(banks[0].Args[1], 0);
    EXPECT_EQ(banks[1].Args[1], 1);
    const auto& second = banks[1].Data;
    auto id = FakeVendor::IdRecord("4000000000");
    EXPECT_TRUE(std::equal(id.begin(), id.end(), second.begin()));
    EXPECT_EQ(second[5], 9);
    EXPECT_EQ(second[14], 0);
    EXPECT_EQ(second[15], 0);
    EXPECT_TRUE(std::all_of(second.begin() + 16, second.end(), [](auto b) { return b == 0xFF; }));
    // The last slot of the first bank is the 256th user.
    auto last = FakeVendor::IdRecord("256");
    EXPECT_TRUE(std::equal(last.begin(), last.end(), banks[0].Data.begin() + 4080));
}

TEST_F(ReaderTest, SendUserListRefusesAnEmptyListBeforeSendingAnything)
{
    try {
        Rdr->SendUserList({});
        FAIL();
    } catch (const zel::Error& e) {
        EXPECT_EQ(e.Number(), 5);
        EXPECT_EQ(e.Source(), "ZelClock");
    }
    EXPECT_THROW(Rdr->SendUserList({MakeUser("1"), nullptr}), zel::Error);
    EXPECT_TRUE(Fake.Calls.empty());
}

TEST_F(ReaderTest, SendUserListStopsAtTheFirstRefusedBank)
{
    VisitorList users;
    for (int i = 1; i <= 600; ++i)
        users.push_back(MakeUser(std::to_string(i)));
    Fake.QueueResult("zelSetDataBank", 0);
    Fake.QueueResult("zelSetDataBank", 1);
    EXPECT_THROW(Rdr->SendUserList(users), zel::Error);
    EXPECT_EQ(Fake.CountOf("zelSetDataBank"), 2);
}

TEST_F(ReaderTest, ATimeZoneTableInAUserListSendsNothing)
{
    Rdr->SendUserList({std::make_shared<TimeZoneTable>()});
    auto bank = Fake.CallsTo("zelSetDataBank")[0].Data;
    EXPECT_TRUE(std::all_of(bank.begin(), bank.end(), [](auto b) { return b == 0xFF; }));
    Fake.ClearCalls();
    Rdr->SendUser(std::make_shared<TimeZoneTable>());
    EXPECT_EQ(Fake.CallNames(), Names{"zelSetHandReader"});
}

TEST_F(ReaderTest, SettingsAreReadOnce)
{
    Fake.Setup[140] = 1;
    Fake.Setup[117] = 0x02;
    EXPECT_EQ(Rdr->TimeDisplayFormat(), TimeDisplayFormatEnum::Hour12);
    EXPECT_EQ(Fake.CallNames(), (Names{"zelSetHandReader", "zelGetSetupData"}));
    EXPECT_EQ(Rdr->TimeDisplayFormat(), TimeDisplayFormatEnum::Hour12);
    EXPECT_FALSE(Rdr->TimeAndAttendanceEnabled());
    EXPECT_TRUE(Rdr->DepartmentTrackingEnabled());
    EXPECT_EQ(Fake.Calls.size(), 2u);
}

TEST_F(ReaderTest, SaveSettingsSendsTheChangedCacheAndKeepsOtherBytes)
{
    for (std::size_t i = 0; i < Fake.Setup.size(); ++i)
        Fake.Setup[i] = static_cast<std::uint8_t>(i);
    Rdr->SetTimeDisplayFormat(TimeDisplayFormatEnum::Hour24);
    Rdr->SetTimeAndAttendanceEnabled(true);
    Rdr->SetDepartmentTrackingEnabled(false);
    Rdr->ClearDayLightSavings();
    Fake.ClearCalls();
    Rdr->SaveSettings();
    EXPECT_EQ(Fake.CallNames(), (Names{"zelSetHandReader", "zelHereIsSetupData", "zelUpdateNVRam"}));
    auto sent = Fake.CallsTo("zelHereIsSetupData")[0].Data;
    ASSERT_EQ(sent.size(), 144u);
    EXPECT_EQ(sent[117], (117 | 0x01) & ~0x02);
    for (std::size_t i = 126; i < 138; ++i)
        EXPECT_EQ(sent[i], 0) << i;
    EXPECT_EQ(sent[140], 0);
    EXPECT_EQ(sent[143], 0);
    EXPECT_EQ(sent[116], 116);
    EXPECT_EQ(sent[125], 125);
    EXPECT_EQ(sent[138], 138);
}

TEST_F(ReaderTest, SaveSettingsBeforeAnyReadLoadsTheSettingsFirst)
{
    Fake.Setup[3] = 42;
    Rdr->SaveSettings();
    EXPECT_EQ(Fake.CallNames(), (Names{"zelSetHandReader", "zelGetSetupData", "zelSetHandReader", "zelHereIsSetupData",
                                       "zelUpdateNVRam"}));
    EXPECT_EQ(Fake.CallsTo("zelHereIsSetupData")[0].Data[3], 42);
}

// The clock's two daylight-saving records (bytes 126 to 137 of its settings): second, minute,
// hour, day and month of the start, then of the end; year byte 0.
static std::vector<std::uint8_t> DstRecords(const zel::DateTime& start, const zel::DateTime& end)
{
    std::vector<std::uint8_t> records;
    for (const zel::DateTime& at : {start, end})
        records.insert(records.end(), {0, std::uint8_t(at.Minute()), std::uint8_t(at.Hour()), std::uint8_t(at.Day()),
                                       std::uint8_t(at.Month()), 0});
    return records;
}

TEST_F(ReaderTest, DayLightSavingsAreThisYearsChangesOfTheClocksZone)
{
    struct Case {
        const char* Zone;
        bool Changes;
        const char* Machine; // nullptr: the clock keeps the machine's zone (Zone)
    };
    // Berlin's changes differ in hour, day and month; the zones themselves are DayLightSavingsDatesTest's.
    for (const Case& zone :
         {Case{"Europe/Berlin", true, nullptr}, Case{"Asia/Tokyo", false, nullptr},
          Case{"America/Chicago", true, "Pacific/Auckland"}, Case{"Asia/Tokyo", false, "Europe/Berlin"}}) {
        SCOPED_TRACE(std::string(zone.Zone) + " on a machine in " + (zone.Machine ? zone.Machine : zone.Zone));
        zel::test::MachineZone machine(zone.Machine ? zone.Machine : zone.Zone);
        const std::string own = zone.Machine ? zone.Zone : "";
        MakeReader(1);
        Fake.Setup.fill(0x55); // whatever the clock held
        const auto expected = DayLightSavingsDates::ThisYear(zone.Zone);
        const auto sent = zone.Machine ? Rdr->SetDayLightSavingsIn(own) : Rdr->SetDayLightSavings();
        EXPECT_EQ(sent.HasDayLightSavings(), zone.Changes);
        EXPECT_EQ(sent.ZoneName(), zone.Zone);
        EXPECT_EQ(Rdr->DayLightSavingsEnabledIn(own), zone.Changes);
        Rdr->SaveSettings();
        const auto& setup = Fake.CallsTo("zelHereIsSetupData")[0].Data;
        const std::vector<std::uint8_t> records(setup.begin() + 126, setup.begin() + 138);
        if (!zone.Changes) {
            EXPECT_EQ(records, std::vector<std::uint8_t>(12, 0)); // cleared
            continue;
        }
        ASSERT_EQ(sent.Start(), expected.Start());
        ASSERT_EQ(sent.End(), expected.End());
        EXPECT_EQ(records, DstRecords(expected.Start(), expected.End()));
        EXPECT_THROW(Rdr->SetDayLightSavingsIn("Mars/Olympus_Mons"), zel::Error);
        EXPECT_TRUE(Rdr->DayLightSavingsEnabledIn(own)); // the unknown zone changed nothing
        Rdr->SetDayLightSavingsEnabled(false);
        EXPECT_FALSE(Rdr->DayLightSavingsEnabledIn(own));
    }
}

TEST_F(ReaderTest, DayLightSavingsEnabledOnlyForTheDatesItWouldSend)
{
    zel::test::MachineZone machine("America/New_York");
    const auto dates = DayLightSavingsDates::ThisYear();
    ASSERT_TRUE(dates.HasDayLightSavings());
    auto put = [this](const zel::DateTime& start, const zel::DateTime& end) {
        const auto records = DstRecords(start, end);
        std::copy(records.begin(), records.end(), Fake.Setup.begin() + 126);
    };
    put(dates.Start(), dates.End());
    MakeReader(1);
    EXPECT_TRUE(Rdr->DayLightSavingsEnabled());

    // The rule given up in 2007: first Sunday of April to last Sunday of October.
    const int year = dates.Year();
    put(zel::DateTime(year, 4, 1 + (7 - zel::DateTime(year, 4, 1).DayOfWeek()) % 7, 2),
        zel::DateTime(year, 10, 31 - zel::DateTime(year, 10, 31).DayOfWeek(), 2));
    MakeReader(1);
    EXPECT_FALSE(Rdr->DayLightSavingsEnabled());
}

TEST_F(ReaderTest, ClockTimeUsesTwoDigitYears)
{
    Fake.Time = {9, 5, 14, 15, 3, 4};
    EXPECT_EQ(Rdr->GetTime(), zel::DateTime(2004, 3, 15, 14, 5, 9));
    Fake.Time = {0, 0, 0, 1, 1, 29};
    EXPECT_EQ(Rdr->GetTime().Year(), 2029);
    Fake.Time = {0, 0, 0, 1, 1, 30};
    EXPECT_EQ(Rdr->GetTime().Year(), 1930);
    Fake.Time = {0, 0, 0, 1, 1, 99};
    EXPECT_EQ(Rdr->GetTime().Year(), 1999);
    Fake.ClearCalls();
    Rdr->SetTime(zel::DateTime(2004, 3, 15, 14, 5, 9));
    EXPECT_EQ(Fake.CallNames(), (Names{"zelSetHandReader", "zelHereIsTime"}));
    EXPECT_EQ(Fake.CallsTo("zelHereIsTime")[0].Data, (std::vector<std::uint8_t>{9, 5, 14, 15, 3, 4}));
}

TEST_F(ReaderTest, SetTimeRefusesYearsTheClockWouldReadBackWrongly)
{
    for (int year : {1929, 2030}) {
        try {
            Rdr->SetTime(zel::DateTime(year, 1, 1));
            FAIL() << year;
        } catch (const zel::Error& e) {
            EXPECT_EQ(e.Number(), 5);
            EXPECT_EQ(e.Source(), "ZelClock");
        }
    }
    EXPECT_TRUE(Fake.Calls.empty());
    Rdr->SetTime(zel::DateTime(1930, 1, 1));
    Rdr->SetTime(zel::DateTime(2029, 12, 31, 23, 59, 59));
    EXPECT_EQ(Fake.CallsTo("zelHereIsTime")[1].Data, (std::vector<std::uint8_t>{59, 59, 23, 31, 12, 29}));
}

TEST_F(ReaderTest, ClockTimeThatIsNoDateRaisesInsteadOfInventingOne)
{
    Fake.Time = {0, 0, 0, 0, 0, 0};
    EXPECT_THROW(Rdr->GetTime(), zel::Error);
}

TEST_F(ReaderTest, SendAndRemoveUserSelectTheClockFirst)
{
    auto user = MakeUser("42");
    Rdr->SendUser(user);
    Rdr->RemoveUser(user);
    Rdr->RemoveAllUsers();
    EXPECT_EQ(Fake.CommandNames(), (Names{"zelSetHandReader", "zelHereIsUserRecord", "zelSetHandReader",
                                          "zelRemoveUserRecord", "zelSetHandReader", "zelClearUserDataBase"}));
    auto id = FakeVendor::IdRecord("42");
    EXPECT_EQ(Fake.CallsTo("zelRemoveUserRecord")[0].Data, std::vector<std::uint8_t>(id.begin(), id.end()));
}

TEST_F(ReaderTest, RemoveUserOfAnUnknownIDRaisesTheConversionFailure)
{
    auto user = MakeUser("12a");
    try {
        Rdr->RemoveUser(user);
        FAIL();
    } catch (const zel::Error& e) {
        EXPECT_EQ(e.Number(), static_cast<long>(ZelErrors::DataError));
    }
    EXPECT_EQ(Fake.CountOf("zelRemoveUserRecord"), 0);
}

TEST_F(ReaderTest, GetUserReadsTheBaseRecord)
{
    UserRecord record{};
    auto id = FakeVendor::IdRecord("42");
    std::copy(id.begin(), id.end(), record.begin());
    record[16] = 3;
    record[20] = 120;
    record[22] = 3;
    Fake.Users["0000000042"] = record;
    auto user = Rdr->GetUser("42");
    EXPECT_EQ(user->ID(), "42");
    EXPECT_EQ(user->AuthorityLevel(), UserAuthorityLevel::Management);
    EXPECT_EQ(user->RejectThreshold(), 120);
    EXPECT_EQ(Fake.CommandNames(), (Names{"zelSetHandReader", "zelGetUserRecord"}));
    Fake.ClearCalls();
    EXPECT_THROW(Rdr->GetUser("7"), zel::Error);
}

TEST_F(ReaderTest, DataLogListStopsAtTheFirstEmptyElementAndSelectsOnce)
{
    Fake.DataLog = {FakeVendor::LogRecord(5, 1), FakeVendor::LogRecord(5, 7)};
    auto list = Rdr->GetDataLogElementList();
    ASSERT_EQ(list->size(), 2u);
    EXPECT_EQ((*list)[1]->FormatType(), FormatTypeEnum::ZEL_DLF_IDENTITY_VERIFIED);
    EXPECT_EQ(Fake.CallNames(),
              (Names{"zelSetHandReader", "zelGetDataLogElement", "zelGetDataLogElement", "zelGetDataLogElement"}));
    Fake.ClearCalls();
    EXPECT_TRUE(Rdr->GetDataLogElementList()->empty());
    EXPECT_EQ(Fake.CountOf("zelGetDataLogElement"), 1);
}

TEST_F(ReaderTest, DataLogListHasAnUpperBound)
{
    int reads = 0;
    Fake.OnCall = [&](const FakeVendor::Call& call) {
        if (call.Name == "zelGetDataLogElement") {
            ++reads;
            Fake.DataLog.push_back(FakeVendor::LogRecord(5, 7));
        }
    };
    auto list = Rdr->GetDataLogElementList();
    EXPECT_EQ(static_cast<int>(list->size()), IReader::kMaxDataLogElements);
    EXPECT_EQ(reads, IReader::kMaxDataLogElements);
}

TEST_F(ReaderTest, SingleLogReadsPassTheDirectionAndReturnEmptyElements)
{
    auto next = Rdr->GetNextDataLogElement();
    auto previous = Rdr->GetPreviousDataLogElement();
    EXPECT_TRUE(next->IsEmpty());
    EXPECT_TRUE(previous->IsEmpty());
    auto reads = Fake.CallsTo("zelGetDataLogElement");
    EXPECT_EQ(reads[0].Args[1], 0);
    EXPECT_EQ(reads[1].Args[1], -1);
}

TEST_F(ReaderTest, DisplayMessageChecksBeforeTheClockIsAddressed)
{
    EXPECT_THROW(Rdr->DisplayMessage(std::string(33, 'x')), zel::Error);
    EXPECT_THROW(Rdr->DisplayMessage("hi", true, "12a"), zel::Error);
    EXPECT_TRUE(Fake.Calls.empty());
    Rdr->DisplayMessage("hello");
    EXPECT_EQ(Fake.CallNames(), (Names{"zelSetHandReader", "zelHereIsDisplayMessage"}));
}

TEST_F(ReaderTest, EnrollmentThatTimesOutSendsNothing)
{
    Fake.Statuses = {FakeVendor::Status(0), FakeVendor::Status(0, false, true)};
    SetPollSleep([](std::chrono::microseconds) {});
    EXPECT_EQ(Rdr->EnrollUser("42", UserAuthorityLevel::Enrollment), nullptr);
    SetPollSleep(nullptr);
    EXPECT_EQ(Fake.CountOf("zelHereIsUserRecord"), 0);
    EXPECT_EQ(Fake.CountOf("zelVerifyOnExternalData"), 0);
}

TEST_F(ReaderTest, SuccessfulEnrollmentSendsTheNewUser)
{
    Fake.LastTemplate = {0, 0, 11, 12, 13, 14, 15, 16, 17, 18, 19, 0};
    SetPollSleep([](std::chrono::microseconds) {});
    auto user = Rdr->EnrollUser("0042", UserAuthorityLevel::Security);
    SetPollSleep(nullptr);
    ASSERT_TRUE(user);
    EXPECT_TRUE(std::dynamic_pointer_cast<User>(user));
    EXPECT_EQ(user->ID(), "42");
    EXPECT_EQ(user->AuthorityLevel(), UserAuthorityLevel::Security);
    EXPECT_EQ(user->Template(), (std::vector<std::uint8_t>{11, 12, 13, 14, 15, 16, 17, 18, 19}));
    EXPECT_EQ(Fake.CommandNames(), (Names{"zelSetHandReader", "zelEnrollUser", "zelSendStatusCRC", "zelGetLastTemplate",
                                          "zelVerifyOnExternalData", "zelSendStatusCRC", "zelGetLastTemplate",
                                          "zelSetHandReader", "zelHereIsUserRecord"}));
    auto sent = Fake.CallsTo("zelHereIsUserRecord")[0].Data;
    EXPECT_EQ(sent.size(), 24u);
    EXPECT_EQ(sent[16], 5);
    EXPECT_EQ(sent[5], 11);
}

// Several clocks share a channel: every command of a reader addresses its own clock, whichever
// clock another reader of the channel addressed last (before the command, or from a callback or
// an event that runs while it works).
class OwnClockTest : public zel::test::ReaderFixture, public ::testing::WithParamInterface<std::uint8_t> {};

TEST_P(OwnClockTest, EveryCommandReachesTheReadersOwnClock)
{
    MakeReader(GetParam(), 5, 3);
    Fake.ReaderInfos[6] = FakeVendor::Info(GetParam(), 0);
    auto other = Chan->GetReader(6);
    ASSERT_TRUE(other);
    Fake.Banks[0] = Bank(3, 1, GetParam() == 2 ? 77 : 16);
    const auto id = FakeVendor::IdRecord("1");
    std::copy(id.begin(), id.end(), Fake.Users["0000000001"].begin());
    std::copy(id.begin(), id.end(), Fake.ExtUsers["0000000001"].begin());
    SetPollSleep([](std::chrono::microseconds) {});
    bool otherAtWork = false;
    const auto useOtherClock = [&] {
        otherAtWork = true;
        other->GetTime();
        otherAtWork = false;
    };
    auto old = SetMessagePump(useOtherClock); // an event handled meanwhile uses the other clock
    const auto useOther = [&](std::size_t) {  // so does a step callback
        useOtherClock();
        return true;
    };
    struct Command {
        const char* Name;
        std::function<void(IReader&)> Run;
    };
    const std::vector<Command> commands{
        {"SendUser", [](IReader& r) { r.SendUser(MakeUser("1")); }},
        {"GetUser", [](IReader& r) { r.GetUser("1"); }},
        {"RemoveUser", [](IReader& r) { r.RemoveUser(MakeUser("1")); }},
        {"EnrollUser", [](IReader& r) { r.EnrollUser("1", UserAuthorityLevel::None); }},
        {"SendUsers",
         [&](IReader& r) {
             r.SendUsers({MakeUser("1"), MakeUser("2")}, useOther);
         }},
        {"RemoveUsers",
         [&](IReader& r) {
             RemoveResult result;
             r.RemoveUsers({MakeUser("1"), MakeUser("2")}, result, useOther);
         }},
        {"GetUserList", [](IReader& r) { r.GetUserList(); }},
        {"SendUserList", [](IReader& r) { r.SendUserList({MakeUser("1")}); }},
        {"RemoveAllUsers", [](IReader& r) { r.RemoveAllUsers(); }},
        {"DisplayMessage", [](IReader& r) { r.DisplayMessage("hello"); }},
        {"GetTime", [](IReader& r) { r.GetTime(); }},
        {"SetTime", [](IReader& r) { r.SetTime(zel::DateTime(2004, 1, 1)); }},
        {"TimeDisplayFormat", [](IReader& r) { r.TimeDisplayFormat(); }},
        {"SaveSettings", [](IReader& r) { r.SaveSettings(); }},
        {"GetNextDataLogElement", [](IReader& r) { r.GetNextDataLogElement(); }},
        {"GetPreviousDataLogElement", [](IReader& r) { r.GetPreviousDataLogElement(); }},
        {"GetDataLogElementList", [](IReader& r) { r.GetDataLogElementList(); }},
        {"SendFunctionKeyData",
         [](IReader& r) {
             r.SendFunctionKeyData({1, 2, 3});
         }},
    };
    for (const Command& command : commands) {
        other->GetTime(); // the other clock is the one selected now
        Names astray;
        Fake.OnCall = [&](const FakeVendor::Call& call) {
            if (!otherAtWork && call.Name != "zelSetHandReader" && call.Name != "zelTextToID" &&
                call.Name != "zelIDToText" && Fake.SelectedReader != 5)
                astray.push_back(call.Name);
        };
        EXPECT_NO_THROW(command.Run(*Rdr)) << command.Name;
        Fake.OnCall = nullptr;
        EXPECT_TRUE(astray.empty()) << command.Name << " sent " << astray.size()
                                    << " commands to another clock, the first " << (astray.empty() ? "" : astray[0]);
    }
    SetMessagePump(old);
    SetPollSleep(nullptr);
}

INSTANTIATE_TEST_SUITE_P(BothModels, OwnClockTest, ::testing::Values(std::uint8_t{1}, std::uint8_t{2}),
                         [](const auto& param) { return param.param == 2 ? "Newer" : "Base"; });
