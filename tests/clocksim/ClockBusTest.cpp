#include "clocksim/ClockBus.h"
#include "clocksim/ManualTimeSource.h"

#include "zel/link/FrameDecoder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

using namespace zel::sim;
namespace zl = zel::link;

namespace {

zl::Frame Request(std::uint8_t reader, zl::Command cmd, Bytes payload = {}, std::uint8_t sequence = 0)
{
    return zl::Frame{reader, zl::RequestCode(cmd), sequence, std::move(payload)};
}

// Decodes an encoded response frame.
zl::Frame Decode(const Bytes& bytes)
{
    zl::FrameDecoder decoder;
    decoder.Feed(bytes);
    zl::Frame f;
    EXPECT_EQ(decoder.Next(f), zl::DecodeEvent::Frame);
    return f;
}

class ClockBusTest : public ::testing::Test {
protected:
    std::shared_ptr<ManualTimeSource> mTime = std::make_shared<ManualTimeSource>();
    ClockBus mBus{mTime};
};

} // namespace

TEST_F(ClockBusTest, FramesGoToTheClockWithTheirReaderId)
{
    mBus.AddClock(1, ClockModel::Base);
    mBus.AddClock(2, ClockModel::Vt9);
    const auto answer = mBus.Handle(Request(2, zl::Command::GetReaderInfo));
    ASSERT_TRUE(answer);
    const zl::Frame f = Decode(*answer);
    EXPECT_EQ(f.ReaderId, 2);
    EXPECT_EQ(f.Command, zl::ResponseCode(zl::Command::GetReaderInfo));
    ASSERT_EQ(f.Payload.size(), 1u + 104u);
    EXPECT_EQ(f.Payload[0], 0);
    EXPECT_EQ(f.Payload[1], 2); // model code of the newer model
    EXPECT_FALSE(mBus.Handle(Request(3, zl::Command::GetReaderInfo)));
}

TEST_F(ClockBusTest, EveryAnswerEchoesTheSequenceNumberOfItsRequest)
{
    mBus.AddClock(1, ClockModel::Base);
    for (int sequence : {0, 1, 77, 255}) {
        const auto number = static_cast<std::uint8_t>(sequence);
        EXPECT_EQ(Decode(*mBus.Handle(Request(1, zl::Command::GetTime, {}, number))).Sequence, number);
        EXPECT_EQ(Decode(*mBus.Handle(Request(1, zl::Command::GetDataBank, {12}, number))).Sequence, number)
            << "a refusal too";
        EXPECT_EQ(Decode(*mBus.Handle(zl::Frame{1, 0x55, number, {}})).Sequence, number) << "an unknown command too";
    }
}

TEST_F(ClockBusTest, RefusalsCarryTheStatusAlone)
{
    mBus.AddClock(1, ClockModel::Base);
    const zl::Frame f = Decode(*mBus.Handle(Request(1, zl::Command::GetDataBank, {12})));
    EXPECT_EQ(f.Payload, Bytes{static_cast<std::uint8_t>(zl::Status::DataError)});
    const zl::Frame g = Decode(*mBus.Handle(zl::Frame{1, 0x55, 0, {}}));
    EXPECT_EQ(g.Payload, Bytes{static_cast<std::uint8_t>(zl::Status::UnknownCommand)});
}

TEST_F(ClockBusTest, ResponsesAndStrangersAreNotAnswered)
{
    mBus.AddClock(1, ClockModel::Base);
    EXPECT_FALSE(mBus.Handle(zl::Frame{1, zl::ResponseCode(zl::Command::GetTime), 0, {0}}));
    EXPECT_FALSE(mBus.AcceptsHeader(1, 0x8E, 1));
    EXPECT_FALSE(mBus.AcceptsHeader(7, 0x0E, 0));
    EXPECT_TRUE(mBus.AcceptsHeader(1, 0x0E, 0));
    EXPECT_TRUE(mBus.AcceptsHeader(1, 0x0E, 5)); // answered WrongLength
    EXPECT_FALSE(mBus.AcceptsHeader(1, 0x0E, 4000));
}

TEST_F(ClockBusTest, NoByteSequenceBreaksTheBus)
{
    mBus.AddClock(0, ClockModel::Base);
    mBus.AddClock(1, ClockModel::Vt9);
    zl::FrameDecoder decoder(
        [this](std::uint8_t r, std::uint8_t c, std::uint8_t, std::uint16_t l) { return mBus.AcceptsHeader(r, c, l); });
    std::mt19937 random(1234);
    std::uniform_int_distribution<int> byte(0, 255);
    int answered = 0;
    for (int round = 0; round < 3000; ++round) {
        Bytes chunk(static_cast<std::size_t>(byte(random)) + 1);
        for (auto& b : chunk)
            b = static_cast<std::uint8_t>(byte(random));
        if (round % 3 == 0) {
            // A well-formed frame with random contents now and then.
            Bytes payload(chunk.begin() + 1, chunk.end());
            payload.resize(static_cast<std::size_t>(byte(random) % 32));
            chunk = zl::EncodeFrame(static_cast<std::uint8_t>(byte(random) % 2),
                                    static_cast<std::uint8_t>(byte(random) % 0x18),
                                    static_cast<std::uint8_t>(byte(random)), payload);
        }
        decoder.Feed(chunk);
        zl::Frame f;
        for (zl::DecodeEvent e; (e = decoder.Next(f)) != zl::DecodeEvent::NeedMore;)
            if (e == zl::DecodeEvent::Frame && mBus.Handle(f))
                ++answered;
    }
    EXPECT_GT(answered, 100);
}

TEST_F(ClockBusTest, StateFileIsWrittenAfterChangesOnly)
{
    const auto dir = std::filesystem::temp_directory_path() / ("clockbus-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "state").string();
    mBus.AddClock(1, ClockModel::Base);
    mBus.SetStateFile(path, false);
    mBus.SaveState();
    ASSERT_TRUE(std::filesystem::exists(path));
    std::filesystem::remove(path);
    mBus.Handle(Request(1, zl::Command::GetTime));
    mBus.Handle(Request(1, zl::Command::Status));
    EXPECT_FALSE(std::filesystem::exists(path));
    mBus.Handle(Request(1, zl::Command::PutTime, {0, 0, 12, 1, 1, 5}));
    EXPECT_TRUE(std::filesystem::exists(path));

    ClockBus restored(mTime);
    restored.SetStateFile(path, false);
    restored.LoadState();
    ASSERT_NE(restored.FindClock(1), nullptr);
    EXPECT_EQ(restored.FindClock(1)->Time(), zel::DateTime(2005, 1, 1, 12, 0, 0));
    std::filesystem::remove_all(dir);
}

TEST_F(ClockBusTest, LogLineNamesClockCommandAndResult)
{
    mBus.AddClock(4, ClockModel::Vt9);
    std::vector<std::string> lines;
    mBus.SetCommandLog([&](const std::string& l) { lines.push_back(l); });
    mBus.Handle(Request(4, zl::Command::RemoveUserRecord, {0, 0, 0, 0, 0x42}));
    mBus.Handle(Request(4, zl::Command::GetDataBank, {3}));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "clock 4 (vt9): RemoveUserRecord user 0000000042 -> NotFound");
    EXPECT_EQ(lines[1], "clock 4 (vt9): GetDataBank bank 3 -> Ok");
}
