#include <gtest/gtest.h>

#include "zel/link/Crc16.h"
#include "zel/link/Frame.h"

using namespace zel::link;

TEST(Frame, LayoutIsStartReaderCommandSequenceLengthPayloadCrc)
{
    const std::vector<std::uint8_t> payload{0x11, 0x22, 0x33};
    const auto frame = EncodeFrame(7, 0x05, 0xC3, payload);
    ASSERT_EQ(frame.size(), 3 + kFrameOverhead);
    EXPECT_EQ(kFrameOverhead, 8u);
    EXPECT_EQ(frame[0], 0xA5);
    EXPECT_EQ(frame[1], 7);
    EXPECT_EQ(frame[2], 0x05);
    EXPECT_EQ(frame[3], 0xC3);
    EXPECT_EQ(frame[4], 3);
    EXPECT_EQ(frame[5], 0);
    EXPECT_EQ(frame[6], 0x11);
    EXPECT_EQ(frame[8], 0x33);
    const auto crc = Crc16(std::span(frame).subspan(1, 8));
    EXPECT_EQ(frame[9], crc & 0xFF);
    EXPECT_EQ(frame[10], crc >> 8);
}

TEST(Frame, TheCrcCoversTheSequenceNumber)
{
    const std::vector<std::uint8_t> payload{0x11, 0x22, 0x33};
    const auto one = EncodeFrame(7, 0x05, 1, payload);
    const auto two = EncodeFrame(7, 0x05, 2, payload);
    EXPECT_NE(std::vector(one.end() - 2, one.end()), std::vector(two.end() - 2, two.end()));
}

TEST(Frame, LargestPayloadsUseBothLengthBytes)
{
    const std::vector<std::uint8_t> bank(4097, 0xFF);
    const auto frame = EncodeRequest(1, Command::PutDataBank, 9, bank);
    ASSERT_EQ(frame.size(), 4097 + 8);
    EXPECT_EQ(frame[3], 9);
    EXPECT_EQ(frame[4], 0x01);
    EXPECT_EQ(frame[5], 0x10);
}

TEST(Frame, RefusesOversizePayloadsAndShortBuffers)
{
    const std::vector<std::uint8_t> tooBig(kMaxPayload + 1, 0);
    EXPECT_TRUE(EncodeFrame(1, 1, 0, tooBig).empty());
    std::vector<std::uint8_t> out(9);
    const std::vector<std::uint8_t> two{1, 2};
    EXPECT_EQ(EncodeFrame(1, 1, 0, two, out), 0u);
    out.resize(10);
    EXPECT_EQ(EncodeFrame(1, 1, 0, two, out), 10u);
}

TEST(Frame, ResponseCarriesStatusFirstAndTheResponseBit)
{
    const std::vector<std::uint8_t> time{1, 2, 3, 4, 5, 6};
    const auto frame = EncodeResponse(9, Command::GetTime, 0x42, Status::Ok, time);
    ASSERT_EQ(frame.size(), 9 + time.size());
    EXPECT_EQ(frame[2], 0x80 | 0x0E);
    EXPECT_EQ(frame[3], 0x42);
    EXPECT_EQ(frame[4], 7);
    EXPECT_EQ(frame[6], 0);
    EXPECT_EQ(frame[7], 1);
    const auto refused = EncodeResponse(9, Command::GetUserRecord, 0x42, Status::NotFound);
    EXPECT_EQ(refused.size(), 9u);
    EXPECT_EQ(refused[6], 0x02);
}

TEST(Frame, ResponseToARequestEchoesReaderCodeAndSequence)
{
    const Frame request{4, 0x55, 200, {}};
    const auto answer = EncodeResponseTo(request, Status::UnknownCommand);
    const std::vector<std::uint8_t> expected = EncodeFrame(4, 0xD5, 200, std::vector<std::uint8_t>{0x04});
    EXPECT_EQ(answer, expected);
    const Frame get{4, RequestCode(Command::GetTime), 17, {}};
    const std::vector<std::uint8_t> time{1, 2, 3, 4, 5, 6};
    EXPECT_EQ(EncodeResponseTo(get, Status::Ok, time), EncodeResponse(4, Command::GetTime, 17, Status::Ok, time));
    EXPECT_EQ(EncodeFrame(get), EncodeRequest(4, Command::GetTime, 17, {}));
}

TEST(Frame, UserRecordSendCostsOneSmallExchange)
{
    const std::vector<std::uint8_t> user(24, 0);
    EXPECT_EQ(EncodeRequest(1, Command::PutUserRecord, 0, user).size() - user.size(), 8u);
    EXPECT_EQ(EncodeResponse(1, Command::PutUserRecord, 0, Status::Ok).size(), 9u);
}
