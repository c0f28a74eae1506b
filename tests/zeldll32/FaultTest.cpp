#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "ScriptedPeer.h"
#include "ZelTestSupport.h"
#include "zel/link/PseudoTerminal.h"

using namespace zel::link;
using zel::test::PeerReply;
using zel::test::ScopedEnv;
using zel::test::ScriptedPeer;
using zel::test::SocketLayer;

namespace {

const std::vector<std::uint8_t> kTime{9, 5, 14, 15, 3, 4};

// A TCP channel to a scripted clock; short time-outs unless the test asks otherwise.
struct FaultTest : ::testing::Test {
    void Connect(ScriptedPeer::Script script, const char* timeoutMs = "50")
    {
        ScopedEnv timeout("ZEL_TIMEOUT_MS", timeoutMs);
        peer = std::make_unique<ScriptedPeer>(std::move(script));
        h = zelInitWsock("127.0.0.1", peer->Port());
        ASSERT_GT(h, 0);
    }
    void TearDown() override
    {
        zelCloseWsock(h);
        peer.reset();
    }

    SocketLayer sockets;
    std::unique_ptr<ScriptedPeer> peer;
    std::int32_t h = 0;
    std::uint8_t status[ZEL_STATUS_RECORD_SIZE] = {};
    std::uint8_t time[ZEL_TIME_RECORD_SIZE] = {};
};

} // namespace

TEST_F(FaultTest, ReaderIdWithoutAClockTimesOut)
{
    Connect([](const Frame& r) { return r.ReaderId == 1 ? ScriptedPeer::ZeroAnswer(r) : PeerReply{}; });
    EXPECT_EQ(zelSetHandReader(h, 1, status), 0);
    EXPECT_EQ(zelSetHandReader(h, 9, status), 4);
    EXPECT_EQ(zelGetTime(h, time), 4) << "the selection holds for the following commands";
    EXPECT_EQ(zelSetHandReader(h, 1, status), 0);
    EXPECT_EQ(zelGetTime(h, time), 0);
}

TEST_F(FaultTest, CorruptedFrameGivesBadCrc)
{
    Connect([](const Frame& r) {
        auto reply = ScriptedPeer::Answer(r, kTime);
        reply.Bytes[7] ^= 0x20;
        return reply;
    });
    EXPECT_EQ(zelGetTime(h, time), 5);
}

TEST_F(FaultTest, OversizeAndShortAnswersAreParsingErrors)
{
    std::vector<std::uint8_t> size;
    Connect([&](const Frame& r) { return ScriptedPeer::Answer(r, size); });
    size.assign(7, 0);
    EXPECT_EQ(zelGetTime(h, time), 6);
    size.assign(5, 0);
    EXPECT_EQ(zelGetTime(h, time), 7);
    size.assign(6, 3);
    EXPECT_EQ(zelGetTime(h, time), 0);
    EXPECT_EQ(time[0], 3);
}

TEST_F(FaultTest, ClockStatusBecomesTheResultCode)
{
    Connect([](const Frame& r) {
        return ScriptedPeer::Answer(
            r, {}, r.Command == RequestCode(Command::RemoveUserRecord) ? Status::NotFound : Status::Busy);
    });
    std::uint8_t id[ZEL_USER_ID_RECORD_SIZE] = {};
    EXPECT_EQ(zelRemoveUserRecord(h, id), 1);
    EXPECT_EQ(zelClearUserDataBase(h), 2);
}

TEST_F(FaultTest, DroppedLinkGivesSocketErrorThenNoConnection)
{
    Connect([](const Frame& r) {
        if (r.Command == RequestCode(Command::GetTime)) {
            return PeerReply{{}, true};
        }
        return ScriptedPeer::ZeroAnswer(r);
    });
    EXPECT_EQ(zelSetHandReader(h, 1, status), 0);
    EXPECT_EQ(zelGetTime(h, time), 11);
    EXPECT_EQ(zelSetHandReader(h, 1, status), 3);
    EXPECT_EQ(zelCloseWsock(h), 0);
    EXPECT_EQ(zelGetTime(h, time), 8);
}

TEST_F(FaultTest, AbortFromAnotherThreadCancelsThePendingExchange)
{
    std::promise<void> arrived;
    Connect(
        [&](const Frame& r) {
            if (r.Command == RequestCode(Command::GetTime)) {
                arrived.set_value(); // and never answer
                return PeerReply{};
            }
            return ScriptedPeer::ZeroAnswer(r);
        },
        "60000");
    auto pending = std::async(std::launch::async, [&] { return zelGetTime(h, time); });
    arrived.get_future().wait();
    EXPECT_EQ(zelAbortCommand(h), 0);
    EXPECT_EQ(pending.get(), 12);
    const auto requests = peer->Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].Command, RequestCode(Command::Abort)) << "the clock is told to abort";
    EXPECT_EQ(zelSendStatusCRC(h, status), 0) << "the channel works on after the abort";
}

TEST_F(FaultTest, AbortBetweenPollsOnlyTellsTheClock)
{
    Connect([](const Frame& r) { return ScriptedPeer::ZeroAnswer(r); });
    EXPECT_EQ(zelEnrollUser(h, 0), 0);
    EXPECT_EQ(zelSendStatusCRC(h, status), 0);
    EXPECT_EQ(zelAbortCommand(h), 0);
    EXPECT_EQ(zelSendStatusCRC(h, status), 0);
    EXPECT_EQ(peer->Requests().at(2).Command, RequestCode(Command::Abort));
}

TEST_F(FaultTest, CloseFromAnotherThreadEndsThePendingExchange)
{
    std::promise<void> arrived;
    Connect(
        [&](const Frame&) {
            arrived.set_value();
            return PeerReply{};
        },
        "60000");
    auto pending = std::async(std::launch::async, [&] { return zelGetTime(h, time); });
    arrived.get_future().wait();
    EXPECT_EQ(zelCloseWsock(h), 0);
    EXPECT_EQ(pending.get(), 12);
    EXPECT_EQ(zelGetTime(h, time), 8);
}

TEST_F(FaultTest, StaleAnswersAreNotTakenForTheNextCommand)
{
    // The first answer comes twice; the second copy must not answer the next command.
    Connect([](const Frame& r) {
        auto reply = ScriptedPeer::Answer(r, kTime);
        if (r.Command == RequestCode(Command::GetTime)) {
            auto twice = reply.Bytes;
            twice.insert(twice.end(), reply.Bytes.begin(), reply.Bytes.end());
            return PeerReply{twice};
        }
        return ScriptedPeer::ZeroAnswer(r);
    });
    EXPECT_EQ(zelGetTime(h, time), 0);
    std::uint8_t setup[ZEL_SETUP_RECORD_SIZE];
    EXPECT_EQ(zelGetSetupData(h, setup), 0);
}

TEST_F(FaultTest, TheAnswerToACancelledExchangeNeverCountsForALaterOne)
{
    // GetTime is cancelled while the clock still works on it; its answer comes later, ahead of
    // the answers to the Abort and to the next GetTime (same clock, same command code).
    std::promise<void> arrived;
    std::vector<std::uint8_t> late;
    const std::vector<std::uint8_t> oldTime{1, 1, 1, 1, 1, 1};
    Connect(
        [&](const Frame& r) {
            if (r.Command == RequestCode(Command::GetTime) && late.empty()) {
                late = ScriptedPeer::Answer(r, oldTime).Bytes;
                arrived.set_value();
                return PeerReply{};
            }
            std::vector<std::uint8_t> bytes = late; // every later request sees it again first
            const auto own = r.Command == RequestCode(Command::GetTime) ? ScriptedPeer::Answer(r, kTime)
                                                                        : ScriptedPeer::ZeroAnswer(r);
            bytes.insert(bytes.end(), own.Bytes.begin(), own.Bytes.end());
            return PeerReply{bytes};
        },
        "60000");
    auto pending = std::async(std::launch::async, [&] { return zelGetTime(h, time); });
    arrived.get_future().wait();
    EXPECT_EQ(zelAbortCommand(h), 0);
    EXPECT_EQ(pending.get(), 12);
    EXPECT_EQ(zelGetTime(h, time), 0);
    EXPECT_EQ(std::vector<std::uint8_t>(time, time + ZEL_TIME_RECORD_SIZE), kTime) << "took the cancelled one's answer";
    const auto requests = peer->Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_NE(requests[0].Sequence, requests[2].Sequence);
}

TEST_F(FaultTest, EveryRequestOfAChannelCarriesTheNextNumber)
{
    Connect([](const Frame& r) { return ScriptedPeer::ZeroAnswer(r); });
    EXPECT_EQ(zelSetHandReader(h, 1, status), 0);
    EXPECT_EQ(zelGetTime(h, time), 0);
    EXPECT_EQ(zelSetHandReader(h, 2, status), 0);
    EXPECT_EQ(zelGetTime(h, time), 0);
    const auto requests = peer->Requests();
    ASSERT_EQ(requests.size(), 4u);
    for (std::size_t i = 1; i < requests.size(); ++i) {
        EXPECT_EQ(requests[i].Sequence, static_cast<std::uint8_t>(requests[i - 1].Sequence + 1)) << i;
    }
}

TEST(SerialSequence, TheNumbersRunOnWhenThePortIsReopened)
{
    auto pty = PseudoTerminal::Create();
    ASSERT_TRUE(pty);
    const std::string device = pty->SlavePath();
    ScriptedPeer peer(std::move(pty), [](const Frame& r) { return ScriptedPeer::ZeroAnswer(r); });
    ScopedEnv com8("ZEL_COM8", device);
    const std::int32_t h = zelInstallChannel(7);
    ASSERT_GT(h, 0);
    std::uint8_t time[ZEL_TIME_RECORD_SIZE] = {};
    ASSERT_EQ(zelOpenDirectChannel(h, 9600), 0);
    EXPECT_EQ(zelGetTime(h, time), 0);
    ASSERT_EQ(zelOpenDirectChannel(h, 19200), 0); // a late answer of the first session may still come
    EXPECT_EQ(zelGetTime(h, time), 0);
    EXPECT_EQ(zelCloseChannel(h), 0);
    const auto requests = peer.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].Sequence, static_cast<std::uint8_t>(requests[0].Sequence + 1));
}
