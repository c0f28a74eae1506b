#include <gtest/gtest.h>

#include "zel/link/Crc16.h"
#include "zel/link/Frame.h"

using namespace zel::link;

TEST(Frame, LayoutIsStartReaderCommandLengthPayloadCrc)
{
    const std::vector<std::uint8_t> payload{0x11, 0x22, 0x33};
    const auto frame = EncodeFrame(7, 0x05, payload);
    ASSERT_EQ(frame.size(), 3 + kFrameOverhead);
    EXPECT_EQ(frame[0], 0xA5);
    EXPECT_EQ(frame[1], 7);
    EXPECT_EQ(frame[2], 0x05);
    EXPECT_EQ(frame[3], 3);
    EXPECT_EQ(frame[4], 0);
    EXPECT_EQ(frame[5], 0x11);
    EXPECT_EQ(frame[7], 0x33);
    const auto crc = Crc16(std::span(frame).subspan(1, 7));
    EXPECT_EQ(frame[8], crc & 0xFF);
    EXPECT_EQ(frame[9], crc >> 8);
}

TEST(Frame, LargestPayloadsUseBothLengthBytes)
{
    const std::vector<std::uint8_t> bank(4097, 0xFF);
    const auto frame = EncodeRequest(1, Command::PutDataBank, bank);
    ASSERT_EQ(frame.size(), 4097 + 7);
    EXPECT_EQ(frame[3], 0x01);
    EXPECT_EQ(frame[4], 0x10);
}

TEST(Frame, RefusesOversizePayloadsAndShortBuffers)
{
    const std::vector<std::uint8_t> tooBig(kMaxPayload + 1, 0);
    EXPECT_TRUE(EncodeFrame(1, 1, tooBig).empty());
    std::vector<std::uint8_t> out(8);
    const std::vector<std::uint8_t> two{1, 2};
    EXPECT_EQ(EncodeFrame(1, 1, two, out), 0u);
    out.resize(9);
    EXPECT_EQ(EncodeFrame(1, 1, two, out), 9u);
}

TEST(Frame, ResponseCarriesStatusFirstAndTheResponseBit)
{
    const std::vector<std::uint8_t> time{1, 2, 3, 4, 5, 6};
    const auto frame = EncodeResponse(9, Command::GetTime, Status::Ok, time);
    ASSERT_EQ(frame.size(), 8 + time.size());
    EXPECT_EQ(frame[2], 0x80 | 0x0E);
    EXPECT_EQ(frame[3], 7);
    EXPECT_EQ(frame[5], 0);
    EXPECT_EQ(frame[6], 1);
    const auto refused = EncodeResponse(9, Command::GetUserRecord, Status::NotFound);
    EXPECT_EQ(refused.size(), 8u);
    EXPECT_EQ(refused[5], 0x02);
}

TEST(Frame, UserRecordSendCostsOneSmallExchange)
{
    const std::vector<std::uint8_t> user(24, 0);
    EXPECT_LE(EncodeRequest(1, Command::PutUserRecord, user).size() - user.size(), 8u);
    EXPECT_LE(EncodeResponse(1, Command::PutUserRecord, Status::Ok).size(), 8u);
}
