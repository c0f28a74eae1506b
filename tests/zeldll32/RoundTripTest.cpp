#include <future>

#include "SimFixture.h"

using namespace zel::test;

namespace {

class RoundTrip : public SimFixture {};

// Fills banks for `count` users in the layout of the model (16-byte or 77-byte slots).
std::vector<std::array<std::uint8_t, ZEL_DATA_BANK_SIZE>> MakeBanks(int count, bool newer)
{
    const int slot = newer ? 77 : 16;
    const int perBank = newer ? 53 : 256;
    std::vector<std::array<std::uint8_t, ZEL_DATA_BANK_SIZE>> banks((count + perBank - 1) / perBank);
    for (auto& bank : banks) {
        bank.fill(0xFF);
    }
    for (int k = 0; k < count; ++k) {
        std::uint8_t* s = banks[k / perBank].data() + (k % perBank) * slot;
        EXPECT_EQ(zelTextToID(std::to_string(1000 + k).c_str(), s), 0);
        std::memset(s + 5, k & 0x7F, ZEL_TEMPLATE_SIZE);
        s[14] = s[15] = 0;
    }
    return banks;
}

} // namespace

TEST_F(RoundTrip, ReaderInfoTellsTheModelAndTheUserCount)
{
    std::uint8_t info[ZEL_READER_INFO_RECORD_SIZE];
    Select(kBaseReader);
    ASSERT_EQ(zelGetReaderInfo(h, info), 0);
    EXPECT_NE(info[0], 2);
    EXPECT_EQ(info[50] | (info[51] << 8), 0);
    Select(kNewerReader);
    const auto user = MakeUser("5", 1);
    ASSERT_EQ(zelHereIsExtUserRecord(h, user.data()), 0);
    ASSERT_EQ(zelGetReaderInfo(h, info), 0);
    EXPECT_EQ(info[0], 2);
    EXPECT_EQ(info[50] | (info[51] << 8), 1);
}

TEST_F(RoundTrip, ReaderIdWithoutAClockTimesOut)
{
    std::uint8_t status[ZEL_STATUS_RECORD_SIZE] = {};
    EXPECT_EQ(zelSetHandReader(h, 77, status), 4);
    EXPECT_EQ(zelSetHandReader(h, kBaseReader, status), 0);
}

TEST_F(RoundTrip, TimeIsSetAndReadBack)
{
    Select(kBaseReader);
    const std::uint8_t set[ZEL_TIME_RECORD_SIZE] = {9, 5, 14, 15, 3, 4};
    ASSERT_EQ(zelHereIsTime(h, set), 0);
    std::uint8_t got[ZEL_TIME_RECORD_SIZE] = {};
    ASSERT_EQ(zelGetTime(h, got), 0);
    EXPECT_GE(got[0], 9); // the clock runs on
    EXPECT_EQ(std::vector<std::uint8_t>(got + 1, got + 6), std::vector<std::uint8_t>(set + 1, set + 6));
}

TEST_F(RoundTrip, SetupRecordIsCarriedWholeAndCommitted)
{
    Select(kNewerReader);
    std::uint8_t setup[ZEL_SETUP_RECORD_SIZE];
    ASSERT_EQ(zelGetSetupData(h, setup), 0);
    for (int i = 0; i < ZEL_SETUP_RECORD_SIZE; ++i) {
        setup[i] = static_cast<std::uint8_t>(i * 3);
    }
    std::memset(setup + 140, 0, 4); // time display format: 24-hour (the clock checks this field)
    ASSERT_EQ(zelHereIsSetupData(h, setup), 0);
    ASSERT_EQ(zelUpdateNVRam(h), 0);
    std::uint8_t back[ZEL_SETUP_RECORD_SIZE];
    ASSERT_EQ(zelGetSetupData(h, back), 0);
    EXPECT_EQ(0, std::memcmp(setup, back, sizeof setup));
}

TEST_F(RoundTrip, UserRecordOfTheBaseModel)
{
    Select(kBaseReader);
    const auto user = MakeUser("42", 1);
    ASSERT_EQ(zelHereIsUserRecord(h, user.data()), 0);
    std::uint8_t back[ZEL_USER_RECORD_SIZE];
    ASSERT_EQ(zelGetUserRecord(h, user.data(), back), 0);
    EXPECT_EQ(0, std::memcmp(user.data(), back, ZEL_USER_RECORD_SIZE));
    char text[ZEL_ID_TEXT_SIZE];
    zelIDToText(back, text);
    EXPECT_STREQ(text, "0000000042");
    ASSERT_EQ(zelRemoveUserRecord(h, user.data()), 0);
    EXPECT_EQ(zelGetUserRecord(h, user.data(), back), 1);
    EXPECT_EQ(zelRemoveUserRecord(h, user.data()), 1);
}

TEST_F(RoundTrip, ExtendedUserRecordOfTheNewerModel)
{
    Select(kNewerReader);
    const auto user = MakeUser("007", 9);
    ASSERT_EQ(zelHereIsExtUserRecord(h, user.data()), 0);
    std::uint8_t back[ZEL_EXT_USER_RECORD_SIZE];
    std::memset(back, 0xEE, sizeof back);
    ASSERT_EQ(zelGetExtUserRecord(h, user.data(), back), 0);
    EXPECT_EQ(0, std::memcmp(user.data(), back, ZEL_USER_RECORD_SIZE));
    for (int i = ZEL_USER_RECORD_SIZE; i < ZEL_EXT_USER_RECORD_SIZE; ++i) {
        EXPECT_EQ(back[i], 0) << i;
    }
    char text[ZEL_ID_TEXT_SIZE];
    zelIDToText(back, text);
    EXPECT_STREQ(text, "0000000007");
    EXPECT_EQ(server->Clock(kNewerReader).UserCount(), 1u);
    EXPECT_EQ(server->Clock(kBaseReader).UserCount(), 0u) << "one channel, two clocks, told apart by ID";
}

TEST_F(RoundTrip, DataBanksOfTheBaseModelHold2560Users)
{
    Select(kBaseReader);
    const auto banks = MakeBanks(2560, false);
    ASSERT_EQ(banks.size(), 10u);
    for (int b = 0; b < 10; ++b) {
        ASSERT_EQ(zelSetDataBank(h, b, banks[b].data()), 0) << b;
    }
    EXPECT_EQ(server->Clock(kBaseReader).UserCount(), 2560u);
    std::array<std::uint8_t, ZEL_DATA_BANK_SIZE> back{};
    for (int b = 0; b < 10; ++b) {
        ASSERT_EQ(zelGetDataBank(h, b, back.data()), 0);
        EXPECT_EQ(back, banks[b]) << b;
    }
    const auto more = MakeUser("99999", 1);
    EXPECT_EQ(zelHereIsUserRecord(h, more.data()), 1) << "the clock is full";
    ASSERT_EQ(zelClearUserDataBase(h), 0);
    ASSERT_EQ(zelGetDataBank(h, 0, back.data()), 0);
    EXPECT_EQ(back[0], 0xFF);
}

TEST_F(RoundTrip, DataBanksOfTheNewerModelHold53UsersEach)
{
    Select(kNewerReader);
    const auto banks = MakeBanks(55, true);
    ASSERT_EQ(banks.size(), 2u);
    ASSERT_EQ(zelSetDataBank(h, 0, banks[0].data()), 0);
    ASSERT_EQ(zelSetDataBank(h, 1, banks[1].data()), 0);
    EXPECT_EQ(server->Clock(kNewerReader).UserCount(), 55u);
    std::array<std::uint8_t, ZEL_DATA_BANK_SIZE> back{};
    ASSERT_EQ(zelGetDataBank(h, 1, back.data()), 0);
    EXPECT_EQ(0, std::memcmp(back.data(), banks[1].data(), 2 * 16));
    EXPECT_EQ(back[2 * 77], 0xFF);
}

TEST_F(RoundTrip, DisplayMessageAndMenuProgramReachTheClock)
{
    Select(kBaseReader);
    std::uint8_t message[ZEL_DISPLAY_MESSAGE_RECORD_SIZE] = {};
    message[4] = 20;
    std::memset(message + 9, ' ', 32);
    std::memcpy(message + 9, "Hello", 5);
    ASSERT_EQ(zelHereIsDisplayMessage(h, message), 0);
    const auto last = server->Clock(kBaseReader).LastDisplayMessage();
    EXPECT_EQ(last, std::vector<std::uint8_t>(message, message + sizeof message));

    std::array<std::uint8_t, ZEL_FKEY_DATA_SIZE> menu{};
    for (std::size_t i = 0; i < menu.size(); ++i) {
        menu[i] = static_cast<std::uint8_t>(i % 251);
    }
    ASSERT_EQ(zelHereIsFkeyData(h, menu.data()), 0);
    EXPECT_EQ(server->Clock(kBaseReader).MenuProgram(), menu);
}

TEST_F(RoundTrip, EventLogIsReadForwardAndBack)
{
    Select(kBaseReader);
    const auto user = MakeUser("42", 1);
    ASSERT_EQ(zelHereIsUserRecord(h, user.data()), 0);
    ASSERT_EQ(zelRemoveUserRecord(h, user.data()), 0);
    std::uint8_t log[ZEL_DATA_LOG_RECORD_SIZE];
    std::vector<std::uint32_t> kinds;
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(zelGetDataLogElement(h, log, 0), 0);
        if (Word(log + 8) == 0) {
            break;
        }
        EXPECT_EQ(log[0], kBaseReader);
        kinds.push_back(Word(log + 8));
    }
    ASSERT_GE(kinds.size(), 2u);
    EXPECT_EQ(kinds.back(), 8u) << "user removed is the latest event";
    ASSERT_EQ(zelGetDataLogElement(h, log, -1), 0);
    EXPECT_EQ(Word(log + 8), kinds[kinds.size() - 2]) << "one step back from the latest";
}

// Many events after one selection (ReadDataLog), by serial number and from the cursor, with the
// log's state; the ring wraps at 1000 events.
TEST_F(RoundTrip, EventLogIsReadManyAtOnce)
{
    auto& clock = server->Clock(kBaseReader);
    for (int i = 0; i < 1100; ++i) {
        clock.LogEvent(24); // time set: the serial numbers 1..1100, 101..1100 held
    }
    Select(kBaseReader);
    std::array<std::uint32_t, ZEL_DATA_LOG_STATE_SIZE / 4> state{};
    std::vector<std::uint8_t> records(ZEL_DATA_LOG_READ_MAX * ZEL_DATA_LOG_RECORD_SIZE);
    struct Case {
        const char* Name;
        std::int32_t Mode;
        std::uint32_t After;
        std::int32_t Max;
        std::uint32_t FirstRead, Count, Cursor; // what the answer tells
    };
    const Case cases[] = {
        {"state only, cursor stays", ZEL_LOG_NEXT, 0, 0, 0, 0, 100},
        {"from the oldest held", ZEL_LOG_AFTER_SERIAL, 0, 64, 101, 64, 164},
        {"after an overwritten one: from the oldest", ZEL_LOG_AFTER_SERIAL, 50, 10, 101, 10, 110},
        {"after a serial held", ZEL_LOG_AFTER_SERIAL, 500, 64, 501, 64, 564},
        {"on from the cursor", ZEL_LOG_NEXT, 0, 5, 565, 5, 569},
        {"back from the cursor", ZEL_LOG_PREVIOUS, 0, 3, 568, 3, 566},
        {"near the newest: only what there is", ZEL_LOG_AFTER_SERIAL, 1090, 64, 1091, 10, 1100},
        {"after the newest: nothing", ZEL_LOG_AFTER_SERIAL, 1100, 64, 0, 0, 1100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ASSERT_EQ(zelReadDataLog(h, c.Mode, c.After, c.Max, state.data(), records.data()), 0);
        EXPECT_EQ(state[0], 101u) << "first serial held";
        EXPECT_EQ(state[1], 1101u) << "next serial";
        EXPECT_EQ(state[2], c.Cursor);
        EXPECT_EQ(state[3], 1000u) << "capacity";
        EXPECT_EQ(state[4], c.FirstRead);
        EXPECT_EQ(state[5], c.Count);
        for (std::uint32_t i = 0; i < c.Count; ++i) {
            EXPECT_EQ(Word(records.data() + i * ZEL_DATA_LOG_RECORD_SIZE + 8), 24u);
        }
    }
    // Refused by the library before anything is sent.
    EXPECT_EQ(zelReadDataLog(h, ZEL_LOG_NEXT, 0, ZEL_DATA_LOG_READ_MAX + 1, state.data(), records.data()), 1);
    EXPECT_EQ(zelReadDataLog(h, 3, 0, 1, state.data(), records.data()), 1);
    EXPECT_EQ(zelReadDataLog(h, ZEL_LOG_NEXT, 0, 1, nullptr, records.data()), 10);
    EXPECT_EQ(zelReadDataLog(h, ZEL_LOG_NEXT, 0, 1, state.data(), nullptr), 10);
    EXPECT_EQ(zelReadDataLog(h + 100, ZEL_LOG_NEXT, 0, 1, state.data(), records.data()), 8);
}

TEST_F(RoundTrip, IndependentChannelsWorkFromDifferentThreads)
{
    auto worker = [this](std::int32_t readerId) {
        const std::int32_t own = zelInitWsock("127.0.0.1", server->Port());
        std::uint8_t status[ZEL_STATUS_RECORD_SIZE];
        int failures = zelSetHandReader(own, readerId, status) != 0;
        std::uint8_t time[ZEL_TIME_RECORD_SIZE];
        for (int i = 0; i < 200; ++i) {
            failures += zelGetTime(own, time) != 0;
        }
        zelCloseWsock(own);
        return failures;
    };
    auto a = std::async(std::launch::async, worker, kBaseReader);
    auto b = std::async(std::launch::async, worker, kNewerReader);
    EXPECT_EQ(a.get(), 0);
    EXPECT_EQ(b.get(), 0);
}

TEST_F(RoundTrip, OneChannelSharedByThreadsSerialisesTheExchanges)
{
    Select(kBaseReader);
    auto worker = [this] {
        int failures = 0;
        std::uint8_t time[ZEL_TIME_RECORD_SIZE];
        for (int i = 0; i < 200; ++i) {
            failures += zelGetTime(h, time) != 0;
        }
        return failures;
    };
    auto a = std::async(std::launch::async, worker);
    auto b = std::async(std::launch::async, worker);
    EXPECT_EQ(a.get(), 0);
    EXPECT_EQ(b.get(), 0);
}

TEST_F(RoundTrip, DroppedLinkGivesSocketErrorThenNoConnection)
{
    Select(kBaseReader);
    zel::sim::FaultOptions faults;
    faults.DropAfterFrames = 2; // the selection's status poll was the first
    server->SetFaults(faults);
    std::uint8_t time[ZEL_TIME_RECORD_SIZE];
    EXPECT_EQ(zelGetTime(h, time), 0);
    EXPECT_EQ(zelGetTime(h, time), 11);
    EXPECT_EQ(zelGetTime(h, time), 3);
}

TEST_F(RoundTrip, CorruptedAnswerGivesBadCrc)
{
    Select(kBaseReader);
    zel::sim::FaultOptions faults;
    faults.CorruptEvery = 1;
    server->SetFaults(faults);
    std::uint8_t setup[ZEL_SETUP_RECORD_SIZE];
    const int result = zelGetSetupData(h, setup);
    // A flipped payload or CRC byte gives 5; a flipped header byte hides the answer (4).
    EXPECT_TRUE(result == 5 || result == 4) << result;
    server->SetFaults({});
    EXPECT_EQ(zelGetSetupData(h, setup), 0);
}
