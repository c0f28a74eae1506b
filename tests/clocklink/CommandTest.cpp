#include <gtest/gtest.h>

#include <set>

#include "zel/link/Command.h"
#include "zel/link/Status.h"
#include "zeldll32.h"

using namespace zel::link;

TEST(Command, EveryCodeIsDescribedOnceAndFoundByItsCode)
{
    std::set<std::uint8_t> codes;
    for (const CommandInfo& info : Commands()) {
        const auto code = RequestCode(info.Code);
        EXPECT_TRUE(codes.insert(code).second);
        EXPECT_EQ(FindCommand(code), &info);
        EXPECT_EQ(&Describe(info.Code), &info);
        EXPECT_FALSE(IsResponseCode(code));
        EXPECT_TRUE(IsResponseCode(ResponseCode(info.Code)));
        EXPECT_EQ(FindCommand(ResponseCode(info.Code)), nullptr);
    }
    EXPECT_EQ(FindCommand(0), nullptr);
    EXPECT_EQ(FindCommand(0x7F), nullptr);
    EXPECT_EQ(FindCommand(static_cast<std::uint8_t>(Commands().size() + 1)), nullptr);
}

TEST(Command, PayloadSizesAreTheVendorRecordSizes)
{
    EXPECT_EQ(Describe(Command::Status).ResponseSize, ZEL_STATUS_RECORD_SIZE);
    EXPECT_EQ(Describe(Command::GetReaderInfo).ResponseSize, ZEL_READER_INFO_RECORD_SIZE);
    EXPECT_EQ(Describe(Command::GetUserRecord).RequestSize, ZEL_USER_ID_RECORD_SIZE);
    EXPECT_EQ(Describe(Command::GetUserRecord).ResponseSize, ZEL_USER_RECORD_SIZE);
    EXPECT_EQ(Describe(Command::GetExtUserRecord).ResponseSize, ZEL_EXT_USER_RECORD_SIZE);
    EXPECT_EQ(Describe(Command::PutUserRecord).RequestSize, ZEL_USER_RECORD_SIZE);
    EXPECT_EQ(Describe(Command::PutExtUserRecord).RequestSize, ZEL_EXT_USER_RECORD_SIZE);
    EXPECT_EQ(Describe(Command::GetDataBank).ResponseSize, ZEL_DATA_BANK_SIZE);
    EXPECT_EQ(Describe(Command::PutDataBank).RequestSize, 1 + ZEL_DATA_BANK_SIZE);
    EXPECT_EQ(Describe(Command::GetSetupData).ResponseSize, ZEL_SETUP_RECORD_SIZE);
    EXPECT_EQ(Describe(Command::PutTime).RequestSize, ZEL_TIME_RECORD_SIZE);
    EXPECT_EQ(Describe(Command::GetDataLogElement).ResponseSize, ZEL_DATA_LOG_RECORD_SIZE);
    EXPECT_EQ(Describe(Command::PutDisplayMessage).RequestSize, ZEL_DISPLAY_MESSAGE_RECORD_SIZE);
    EXPECT_EQ(Describe(Command::PutFkeyData).RequestSize, ZEL_FKEY_DATA_SIZE);
    EXPECT_EQ(Describe(Command::GetLastTemplate).ResponseSize, ZEL_LAST_TEMPLATE_RECORD_SIZE);
    EXPECT_EQ(Describe(Command::VerifyOnExternalData).RequestSize, 4 + ZEL_TEMPLATE_SIZE);
}

TEST(Status, EveryStatusByteMapsToAResultCodeFrom0To12)
{
    for (int status = 0; status < 256; ++status) {
        const auto result = ResultFromStatus(static_cast<std::uint8_t>(status));
        EXPECT_GE(result, 0);
        EXPECT_LE(result, 12);
        EXPECT_EQ(result == 0, status == 0) << status;
    }
    EXPECT_EQ(ResultFromStatus(static_cast<std::uint8_t>(Status::NotFound)), 1);
    EXPECT_EQ(ResultFromStatus(static_cast<std::uint8_t>(Status::MemoryFull)), 1);
    EXPECT_EQ(ResultFromStatus(static_cast<std::uint8_t>(Status::UnknownCommand)), 2);
    EXPECT_EQ(ResultFromStatus(static_cast<std::uint8_t>(Status::Aborted)), 12);
    EXPECT_EQ(ResultFromStatus(static_cast<std::uint8_t>(Status::BadCrc)), 5);
    EXPECT_EQ(ResultFromStatus(0xEE), 2);
}

TEST(Status, ResultNamesCoverTheRange)
{
    EXPECT_STREQ(ResultName(4), "time-out");
    EXPECT_STREQ(ResultName(12), "I/O cancelled");
    EXPECT_STREQ(ResultName(13), "unknown");
    EXPECT_STREQ(ResultName(-1), "unknown");
}
