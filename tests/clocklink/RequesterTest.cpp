#include <gtest/gtest.h>

#include <sys/socket.h>

#include "ScriptedPeer.h"
#include "zel/link/FdTransport.h"
#include "zel/link/Requester.h"

using namespace zel::link;
using zel::test::PeerReply;
using zel::test::ScriptedPeer;
using namespace std::chrono_literals;

namespace {

// A connected pair of stream sockets: the client side for the Requester, the other for the peer.
struct Pair {
    std::unique_ptr<FdTransport> Client;
    std::unique_ptr<FdTransport> Server;
};

Pair MakePair()
{
    int fds[2];
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    return {std::make_unique<FdTransport>(fds[0]), std::make_unique<FdTransport>(fds[1])};
}

struct RequesterTest : ::testing::Test {
    std::int32_t Run(ScriptedPeer::Script script, Command command = Command::GetTime)
    {
        auto pair = MakePair();
        client = std::move(pair.Client);
        ScriptedPeer peer(std::move(pair.Server), std::move(script));
        Requester requester(*client);
        requester.SetBaseTimeout(100ms);
        std::vector<std::uint8_t> request(Describe(command).RequestSize, 0);
        response.assign(Describe(command).ResponseSize, 0xEE);
        const auto result = requester.Exchange(5, command, request, response);
        linkLost = requester.LinkLost();
        requests = peer.Requests();
        return result;
    }

    std::unique_ptr<FdTransport> client;
    std::vector<std::uint8_t> response;
    std::vector<Frame> requests;
    bool linkLost = false;
};

const std::vector<std::uint8_t> kTime{9, 5, 14, 15, 3, 4};

} // namespace

TEST_F(RequesterTest, CopiesTheAnswerOfTheAddressedClock)
{
    EXPECT_EQ(Run([](const Frame& r) { return ScriptedPeer::Answer(r, kTime); }), 0);
    EXPECT_EQ(response, kTime);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].ReaderId, 5);
    EXPECT_EQ(requests[0].Command, RequestCode(Command::GetTime));
}

TEST_F(RequesterTest, SkipsGarbageStaleAnswersAndOtherClocks)
{
    EXPECT_EQ(Run([](const Frame& r) {
                  std::vector<std::uint8_t> bytes{0x00, 0xA5, 0x13};
                  const auto other = EncodeResponse(6, Command::GetTime, Status::Ok, kTime);
                  const auto stale = EncodeResponse(5, Command::GetSetupData, Status::Ok);
                  bytes.insert(bytes.end(), other.begin(), other.end());
                  bytes.insert(bytes.end(), stale.begin(), stale.end());
                  auto good = ScriptedPeer::Answer(r, kTime);
                  bytes.insert(bytes.end(), good.Bytes.begin(), good.Bytes.end());
                  return PeerReply{bytes};
              }),
              0);
    EXPECT_EQ(response, kTime);
}

TEST_F(RequesterTest, StatusOfTheClockBecomesTheResultCode)
{
    EXPECT_EQ(Run([](const Frame& r) { return ScriptedPeer::Answer(r, {}, Status::NotFound); }), 1);
    EXPECT_EQ(Run([](const Frame& r) { return ScriptedPeer::Answer(r, {}, Status::Busy); }), 2);
    EXPECT_EQ(Run([](const Frame& r) { return ScriptedPeer::Answer(r, {}, Status::Aborted); }), 12);
}

TEST_F(RequesterTest, LengthOfTheAnswerIsChecked)
{
    const std::vector<std::uint8_t> seven(7, 1), five(5, 1);
    EXPECT_EQ(Run([&](const Frame& r) { return ScriptedPeer::Answer(r, seven); }), 6);
    EXPECT_EQ(Run([&](const Frame& r) { return ScriptedPeer::Answer(r, five); }), 7);
    EXPECT_EQ(Run([](const Frame& r) { return PeerReply{EncodeFrame(r.ReaderId, r.Command | 0x80, {})}; }), 7);
}

TEST_F(RequesterTest, CorruptedAnswerGivesBadCrc)
{
    EXPECT_EQ(Run([](const Frame& r) {
                  auto reply = ScriptedPeer::Answer(r, kTime);
                  reply.Bytes[8] ^= 0x01;
                  return reply;
              }),
              5);
}

TEST_F(RequesterTest, SilenceGivesTimeout)
{
    EXPECT_EQ(Run([](const Frame&) { return PeerReply{}; }), 4);
    EXPECT_FALSE(linkLost);
}

TEST_F(RequesterTest, HangUpGivesSocketErrorAndMarksTheLinkLost)
{
    EXPECT_EQ(Run([](const Frame&) { return PeerReply{{}, true}; }), 11);
    EXPECT_TRUE(linkLost);
}

TEST_F(RequesterTest, CancelWhileWaitingGivesCancelled)
{
    // The peer cancels the waiting client the moment the request arrives: no timing involved.
    FdTransport* waiting = nullptr;
    auto pair = MakePair();
    waiting = pair.Client.get();
    ScriptedPeer peer(std::move(pair.Server), [&](const Frame&) {
        waiting->Cancel();
        return PeerReply{};
    });
    Requester requester(*pair.Client);
    requester.SetBaseTimeout(10s);
    std::vector<std::uint8_t> time(6);
    EXPECT_EQ(requester.Exchange(1, Command::GetTime, {}, time), 12);
    // The cancel stays pending until it is reset.
    EXPECT_EQ(requester.Exchange(1, Command::GetTime, {}, time), 12);
    pair.Client->ResetCancel();
    pair.Client->Close();
    EXPECT_EQ(requester.Exchange(1, Command::GetTime, {}, time), 3);
}

TEST_F(RequesterTest, WrongSizedArgumentsAreRefusedBeforeSending)
{
    auto pair = MakePair();
    Requester requester(*pair.Client);
    std::vector<std::uint8_t> small(5), time(6), extra(3);
    EXPECT_EQ(requester.Exchange(1, Command::GetTime, {}, small), 10);
    EXPECT_EQ(requester.Exchange(1, Command::GetTime, extra, time), 1);
}

TEST_F(RequesterTest, FalseStartInNoiseDoesNotHideTheAnswer)
{
    // Noise that passes the header check (right clock, right response code) but fails the CRC,
    // followed at once by the real answer.
    EXPECT_EQ(Run([](const Frame& r) {
                  std::vector<std::uint8_t> bytes{0xA5, r.ReaderId, static_cast<std::uint8_t>(r.Command | 0x80), 2, 0};
                  auto good = ScriptedPeer::Answer(r, kTime);
                  bytes.insert(bytes.end(), good.Bytes.begin(), good.Bytes.end());
                  return PeerReply{bytes};
              }),
              0);
    EXPECT_EQ(response, kTime);
}
