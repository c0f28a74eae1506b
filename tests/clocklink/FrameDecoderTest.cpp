#include <gtest/gtest.h>

#include <random>

#include "zel/link/Crc16.h"
#include "zel/link/FrameDecoder.h"

using namespace zel::link;

namespace {

std::vector<Frame> DecodeAll(FrameDecoder& decoder, std::size_t* badCrc = nullptr)
{
    std::vector<Frame> frames;
    Frame frame;
    for (;;) {
        const auto event = decoder.Next(frame);
        if (event == DecodeEvent::NeedMore) {
            return frames;
        }
        if (event == DecodeEvent::Frame) {
            frames.push_back(frame);
        } else if (badCrc != nullptr) {
            ++*badCrc;
        }
    }
}

void Append(std::vector<std::uint8_t>& to, const std::vector<std::uint8_t>& bytes)
{
    to.insert(to.end(), bytes.begin(), bytes.end());
}

const std::vector<std::uint8_t> kPayload{0xA5, 0x00, 0xA5, 0x10, 0x00};

} // namespace

TEST(FrameDecoder, DecodesAFrameFedByteByByte)
{
    const auto bytes = EncodeFrame(3, 0x83, 0x5A, kPayload);
    FrameDecoder decoder;
    std::vector<Frame> frames;
    for (std::uint8_t b : bytes) {
        decoder.Feed(std::span(&b, 1));
        auto some = DecodeAll(decoder);
        frames.insert(frames.end(), some.begin(), some.end());
    }
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], (Frame{3, 0x83, 0x5A, kPayload}));
    EXPECT_EQ(decoder.Buffered(), 0u);
    EXPECT_EQ(decoder.DiscardedBytes(), 0u);
}

TEST(FrameDecoder, SkipsGarbageBeforeAndBetweenFrames)
{
    std::vector<std::uint8_t> stream{0x00, 0x13, 0xFF};
    Append(stream, EncodeFrame(1, 0x81, 0, kPayload));
    Append(stream, {0x42, 0x42});
    Append(stream, EncodeFrame(2, 0x82, 0, {}));
    FrameDecoder decoder;
    decoder.Feed(stream);
    const auto frames = DecodeAll(decoder);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].ReaderId, 1);
    EXPECT_EQ(frames[1].ReaderId, 2);
    EXPECT_EQ(decoder.DiscardedBytes(), 5u);
}

TEST(FrameDecoder, FindsARealFrameBehindAFalseStartByte)
{
    // Garbage that looks like a header with a length of 4, swallowing part of the real frame.
    std::vector<std::uint8_t> stream{0xA5, 0x01, 0x81, 0x00, 0x04, 0x00};
    Append(stream, EncodeFrame(1, 0x81, 0, kPayload));
    FrameDecoder decoder;
    decoder.Feed(stream);
    std::size_t badCrc = 0;
    const auto frames = DecodeAll(decoder, &badCrc);
    EXPECT_EQ(badCrc, 1u);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].Payload, kPayload);
}

TEST(FrameDecoder, ReportsACorruptedFrameOnceAndGoesOn)
{
    const std::vector<std::uint8_t> plain{1, 2, 3, 4, 5};
    auto bad = EncodeFrame(1, 0x81, 0, plain);
    bad[6] ^= 0x40;
    std::vector<std::uint8_t> stream = bad;
    Append(stream, EncodeFrame(1, 0x82, 0, {}));
    FrameDecoder decoder;
    decoder.Feed(stream);
    std::size_t badCrc = 0;
    const auto frames = DecodeAll(decoder, &badCrc);
    EXPECT_EQ(badCrc, 1u);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].Command, 0x82);
    EXPECT_EQ(decoder.BadCrcCount(), 1u);
}

TEST(FrameDecoder, ALengthAboveTheMaximumIsGarbageNotAWait)
{
    std::vector<std::uint8_t> stream{0xA5, 0x01, 0x81, 0x00, 0xFF, 0xFF};
    Append(stream, EncodeFrame(1, 0x81, 0, {}));
    FrameDecoder decoder;
    decoder.Feed(stream);
    EXPECT_EQ(DecodeAll(decoder).size(), 1u);
}

TEST(FrameDecoder, HeaderFilterSkipsFramesForOthers)
{
    std::vector<std::uint8_t> stream = EncodeFrame(2, 0x81, 0, kPayload);
    Append(stream, EncodeFrame(1, 0x82, 0, kPayload));
    Append(stream, EncodeFrame(1, 0x81, 0, kPayload));
    FrameDecoder decoder(
        [](std::uint8_t id, std::uint8_t code, std::uint8_t, std::uint16_t) { return id == 1 && code == 0x81; });
    decoder.Feed(stream);
    const auto frames = DecodeAll(decoder);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].ReaderId, 1);
    EXPECT_EQ(frames[0].Command, 0x81);
}

TEST(FrameDecoder, HeaderFilterSeesTheSequenceNumber)
{
    // Three answers of the same clock to the same command: only the one numbered 8 passes.
    std::vector<std::uint8_t> stream = EncodeFrame(1, 0x81, 7, kPayload);
    Append(stream, EncodeFrame(1, 0x81, 8, {}));
    Append(stream, EncodeFrame(1, 0x81, 9, kPayload));
    FrameDecoder decoder(
        [](std::uint8_t, std::uint8_t, std::uint8_t sequence, std::uint16_t) { return sequence == 8; });
    decoder.Feed(stream);
    const auto frames = DecodeAll(decoder);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], (Frame{1, 0x81, 8, {}}));
}

TEST(FrameDecoder, ResetDropsAHalfFrame)
{
    const auto bytes = EncodeFrame(1, 0x81, 0, kPayload);
    FrameDecoder decoder;
    decoder.Feed(std::span(bytes).first(8));
    decoder.Reset();
    decoder.Feed(bytes);
    const auto frames = DecodeAll(decoder);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].Payload, kPayload);
}

TEST(FrameDecoder, LargestFrameSplitInOddChunks)
{
    std::vector<std::uint8_t> bank(4097);
    for (std::size_t i = 0; i < bank.size(); ++i) {
        bank[i] = static_cast<std::uint8_t>(i * 7);
    }
    const auto bytes = EncodeFrame(200, 0x89, 0x77, bank);
    FrameDecoder decoder;
    std::vector<Frame> frames;
    for (std::size_t at = 0; at < bytes.size(); at += 333) {
        decoder.Feed(std::span(bytes).subspan(at, std::min<std::size_t>(333, bytes.size() - at)));
        auto some = DecodeAll(decoder);
        frames.insert(frames.end(), some.begin(), some.end());
    }
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].Payload, bank);
}

// 100,000 random and mutated byte sequences: nothing crashes, hangs or reads outside the input
// (the sanitizer build checks the last), every frame handed out carries a correct CRC, and the
// buffer never holds more than one frame plus the last feed.
TEST(FrameDecoder, SurvivesRandomAndMutatedInput)
{
    std::mt19937 random(20240607u);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<std::vector<std::uint8_t>> seeds;
    for (std::size_t size : {0u, 1u, 24u, 96u, 4097u}) {
        std::vector<std::uint8_t> payload(size);
        for (auto& b : payload) {
            b = static_cast<std::uint8_t>(byte(random));
        }
        seeds.push_back(EncodeFrame(static_cast<std::uint8_t>(size), 0x80 | (size % 0x17),
                                    static_cast<std::uint8_t>(size * 3), payload));
    }
    FrameDecoder decoder;
    FrameDecoder filtered([](std::uint8_t id, std::uint8_t, std::uint8_t, std::uint16_t) { return id % 2 == 0; });
    std::uint64_t frames = 0;
    for (int round = 0; round < 100'000; ++round) {
        std::vector<std::uint8_t> input;
        if (round % 2 == 0) {
            const std::size_t size = static_cast<std::size_t>(random() % 64);
            for (std::size_t i = 0; i < size; ++i) {
                input.push_back(static_cast<std::uint8_t>(random() % 8 == 0 ? 0xA5 : byte(random)));
            }
        } else {
            input = seeds[random() % seeds.size()];
            const int mutations = static_cast<int>(random() % 4);
            for (int m = 0; m < mutations && !input.empty(); ++m) {
                const std::size_t at = random() % input.size();
                switch (random() % 3) {
                case 0:
                    input[at] = static_cast<std::uint8_t>(byte(random));
                    break;
                case 1:
                    input.erase(input.begin() + static_cast<std::ptrdiff_t>(at));
                    break;
                default:
                    input.insert(input.begin() + static_cast<std::ptrdiff_t>(at),
                                 static_cast<std::uint8_t>(byte(random)));
                    break;
                }
            }
            if (random() % 5 == 0) {
                input.resize(input.size() / 2);
            }
        }
        for (FrameDecoder* d : {&decoder, &filtered}) {
            d->Feed(input);
            Frame frame;
            DecodeEvent event;
            int steps = 0;
            while ((event = d->Next(frame)) != DecodeEvent::NeedMore) {
                ASSERT_LT(++steps, 100'000) << "decoder does not make progress";
                if (event == DecodeEvent::Frame) {
                    ++frames;
                    const auto again = EncodeFrame(frame);
                    ASSERT_FALSE(again.empty());
                }
            }
            ASSERT_LE(d->Buffered(), kMaxFrameSize + input.size());
        }
        if (round % 1000 == 999) {
            decoder.Reset();
        }
    }
    EXPECT_GT(frames, 10'000u);
}
