#include "SimFixture.h"

using namespace zel::test;

namespace {

// The same emulator reached over its pseudo-terminal as serial port COM5.
class Serial : public SimFixture {
protected:
    bool WantPty() const override { return true; }
    std::int32_t Open() override
    {
        ScopedEnv com5("ZEL_COM5", server->PtyPath());
        const std::int32_t handle = zelInstallChannel(4);
        EXPECT_EQ(zelOpenDirectChannel(handle, 115200), 0);
        return handle;
    }
};

} // namespace

TEST_F(Serial, SelectInfoTimeAndUsersOverTheLine)
{
    for (std::int32_t reader : {kBaseReader, kNewerReader}) {
        Select(reader);
        std::uint8_t info[ZEL_READER_INFO_RECORD_SIZE];
        ASSERT_EQ(zelGetReaderInfo(h, info), 0);
        EXPECT_EQ(info[0] == 2, reader == kNewerReader);
        const std::uint8_t set[ZEL_TIME_RECORD_SIZE] = {0, 30, 8, 1, 12, 24};
        ASSERT_EQ(zelHereIsTime(h, set), 0);
        std::uint8_t got[ZEL_TIME_RECORD_SIZE];
        ASSERT_EQ(zelGetTime(h, got), 0);
        EXPECT_EQ(got[3], 1);
        const auto user = MakeUser("1234567890", 0xF0);
        std::uint8_t back[ZEL_EXT_USER_RECORD_SIZE];
        if (reader == kNewerReader) {
            ASSERT_EQ(zelHereIsExtUserRecord(h, user.data()), 0);
            ASSERT_EQ(zelGetExtUserRecord(h, user.data(), back), 0);
        } else {
            ASSERT_EQ(zelHereIsUserRecord(h, user.data()), 0);
            ASSERT_EQ(zelGetUserRecord(h, user.data(), back), 0);
        }
        EXPECT_EQ(0, std::memcmp(user.data(), back, ZEL_USER_RECORD_SIZE));
    }
}

TEST_F(Serial, DataBankAndMenuProgramCrossTheLineWhole)
{
    Select(kBaseReader);
    std::array<std::uint8_t, ZEL_DATA_BANK_SIZE> bank{};
    bank.fill(0xFF);
    for (int k = 0; k < 256; ++k) {
        std::uint8_t* s = bank.data() + 16 * k;
        zelTextToID(std::to_string(k + 1).c_str(), s);
        std::memset(s + 5, k, ZEL_TEMPLATE_SIZE); // every byte value, 0x11 and 0x13 included
        s[14] = s[15] = 0;
    }
    ASSERT_EQ(zelSetDataBank(h, 0, bank.data()), 0);
    std::array<std::uint8_t, ZEL_DATA_BANK_SIZE> back{};
    ASSERT_EQ(zelGetDataBank(h, 0, back.data()), 0);
    EXPECT_EQ(back, bank);
    ASSERT_EQ(zelHereIsFkeyData(h, bank.data()), 0);
    EXPECT_EQ(server->Clock(kBaseReader).MenuProgram(), bank);
}

TEST_F(Serial, EnrollmentAndAbortOverTheLine)
{
    Select(kNewerReader);
    ASSERT_EQ(zelEnrollUser(h, 0), 0);
    std::uint8_t status[ZEL_STATUS_RECORD_SIZE];
    ASSERT_EQ(zelSendStatusCRC(h, status), 0);
    EXPECT_EQ(zelAbortCommand(h), 0);
    std::uint8_t status2[ZEL_STATUS_RECORD_SIZE];
    EXPECT_EQ(zelSetHandReader(h, 99, status2), 4) << "no clock 99 on this line";
}

TEST_F(Serial, ASecondChannelOnTheSameLineDoesNotOpenUntilTheFirstCloses)
{
    // Two channels named after the same port, as two channel descriptions of one COM port give.
    ScopedEnv com5("ZEL_COM5", server->PtyPath());
    const std::int32_t second = zelInstallChannel(4);
    ASSERT_NE(second, 0);
    EXPECT_EQ(zelOpenDirectChannel(second, 115200), 3) << "the line is held by the fixture's channel";
    Select(kBaseReader); // the first channel is untouched
    ASSERT_EQ(zelCloseChannel(h), 0);
    EXPECT_EQ(zelOpenDirectChannel(second, 115200), 0);
    std::uint8_t status[ZEL_STATUS_RECORD_SIZE];
    EXPECT_EQ(zelSetHandReader(second, kBaseReader, status), 0);
    zelCloseChannel(second);
    h = 0;
}
