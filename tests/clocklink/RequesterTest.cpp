#include <gtest/gtest.h>

#include <future>
#include <set>
#include <sys/socket.h>
#include <thread>
#include <utility>

#include "ScriptedPeer.h"
#include "zel/link/FdTransport.h"
#include "zel/link/PseudoTerminal.h"
#include "zel/link/Requester.h"
#include "zel/link/SerialTransport.h"
#include "zel/link/TcpListener.h"
#include "zel/link/TcpTransport.h"

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
                  const auto other = EncodeResponse(6, Command::GetTime, r.Sequence, Status::Ok, kTime);
                  const auto stale = EncodeResponse(5, Command::GetSetupData, r.Sequence, Status::Ok);
                  const std::vector<std::uint8_t> earlierTime{1, 1, 1, 1, 1, 1};
                  const auto late = EncodeResponse(5, Command::GetTime, static_cast<std::uint8_t>(r.Sequence - 1),
                                                   Status::Ok, earlierTime);
                  bytes.insert(bytes.end(), other.begin(), other.end());
                  bytes.insert(bytes.end(), stale.begin(), stale.end());
                  bytes.insert(bytes.end(), late.begin(), late.end());
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
    EXPECT_EQ(Run([](const Frame& r) { return PeerReply{EncodeFrame(r.ReaderId, r.Command | 0x80, r.Sequence, {})}; }),
              7);
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
    // Noise that passes the header check (right clock, response code and sequence number) but
    // fails the CRC, followed at once by the real answer.
    EXPECT_EQ(Run([](const Frame& r) {
                  const auto code = static_cast<std::uint8_t>(r.Command | 0x80);
                  std::vector<std::uint8_t> bytes{0xA5, r.ReaderId, code, r.Sequence, 2, 0};
                  auto good = ScriptedPeer::Answer(r, kTime);
                  bytes.insert(bytes.end(), good.Bytes.begin(), good.Bytes.end());
                  return PeerReply{bytes};
              }),
              0);
    EXPECT_EQ(response, kTime);
}

// --- Sequence numbers: a late answer is never taken for another request -------------------------

namespace {

// Forwards to a real link but claims a fast line, so that even a data bank times out in a few
// tens of milliseconds (TCP otherwise counts as 9600 bit/s, 8.6 s for a data bank).
class FastLine : public Transport {
public:
    explicit FastLine(std::unique_ptr<Transport> inner) : mInner(std::move(inner)) {}
    IoResult Read(std::span<std::uint8_t> buffer, Deadline deadline) override { return mInner->Read(buffer, deadline); }
    IoResult Write(std::span<const std::uint8_t> bytes, Deadline deadline) override
    {
        return mInner->Write(bytes, deadline);
    }
    void DiscardInput() override { mInner->DiscardInput(); }
    void Cancel() noexcept override { mInner->Cancel(); }
    void ResetCancel() noexcept override { mInner->ResetCancel(); }
    bool IsCancelled() const noexcept override { return mInner->IsCancelled(); }
    void Close() noexcept override { mInner->Close(); }
    bool IsOpen() const noexcept override { return mInner->IsOpen(); }
    std::uint32_t BitRate() const noexcept override { return 4'000'000; }

private:
    std::unique_ptr<Transport> mInner;
};

enum class LinkKind { SocketPair, Tcp, Pty };

std::string Name(LinkKind kind)
{
    switch (kind) {
    case LinkKind::SocketPair:
        return "SocketPair";
    case LinkKind::Tcp:
        return "Tcp";
    case LinkKind::Pty:
        break;
    }
    return "Pty";
}

// Both ends of a link of the given kind: the client side for the Requester (a fast line unless
// `realRate`), the other for the peer.
struct Link {
    std::unique_ptr<Transport> Client;
    std::unique_ptr<Transport> Server;
};

Link MakeLink(LinkKind kind, bool realRate = false)
{
    Link link;
    switch (kind) {
    case LinkKind::SocketPair: {
        auto pair = MakePair();
        link.Client = std::move(pair.Client);
        link.Server = std::move(pair.Server);
        break;
    }
    case LinkKind::Tcp: {
        TcpListener listener("127.0.0.1", 0);
        link.Client = TcpTransport::Connect("127.0.0.1", listener.Port(), Clock::now() + 5s);
        link.Server = listener.Accept(Clock::now() + 5s);
        break;
    }
    case LinkKind::Pty: {
        auto pty = PseudoTerminal::Create(115200);
        if (pty) {
            link.Client = SerialTransport::Open(pty->SlavePath(), 115200);
            link.Server = std::move(pty);
        }
        break;
    }
    }
    EXPECT_TRUE(link.Client && link.Server) << Name(kind);
    if (link.Client && !realRate) {
        link.Client = std::make_unique<FastLine>(std::move(link.Client));
    }
    return link;
}

// What each kind of command answers: reads a record filled with one byte value; writes nothing.
struct Kind {
    Command Code;
    const char* Label;
};

const Kind kKinds[] = {
    {Command::GetUserRecord, "UserRecord"},  {Command::GetExtUserRecord, "ExtUserRecord"},
    {Command::GetDataBank, "DataBank"},      {Command::GetDataLogElement, "DataLogElement"},
    {Command::GetSetupData, "SetupRecord"},  {Command::PutUserRecord, "WriteUserRecord"},
    {Command::PutDataBank, "WriteDataBank"}, {Command::PutTime, "WriteTime"},
};

struct SequenceTest : ::testing::TestWithParam<std::tuple<LinkKind, Kind>> {
    void SetUp() override
    {
        link = MakeLink(std::get<0>(GetParam()));
        ASSERT_TRUE(link.Client && link.Server);
        command = std::get<1>(GetParam()).Code;
        requester = std::make_unique<Requester>(*link.Client);
    }

    bool IsWrite() const { return Describe(command).ResponseSize == 0; }

    // The n-th answer (1, 2, ...) of the peer to `request`: a read gets data filled with n; of
    // writes, the first is confirmed and every later one refused (DataError), so a late Ok
    // taken for a later write would show as success.
    static std::vector<std::uint8_t> AnswerNumber(const Frame& request, std::uint8_t n)
    {
        const auto* info = FindCommand(request.Command);
        if (info->ResponseSize == 0) {
            return EncodeResponseTo(request, n == 1 ? Status::Ok : Status::DataError);
        }
        const std::vector<std::uint8_t> data(info->ResponseSize, n);
        return EncodeResponseTo(request, Status::Ok, data);
    }

    // One exchange of the parameter's command; `fill` goes into the request. An exchange that is
    // to time out waits briefly; one that is to be answered is given plenty of time.
    std::int32_t Exchange(std::uint8_t fill, bool answered = true)
    {
        requester->SetBaseTimeout(answered ? 5000ms : 50ms);
        const std::vector<std::uint8_t> request(Describe(command).RequestSize, fill);
        response.assign(Describe(command).ResponseSize, 0xEE);
        return requester->Exchange(5, command, request, response);
    }

    Link link;
    Command command = Command::Status;
    std::unique_ptr<Requester> requester;
    std::vector<std::uint8_t> response;
};

std::string SequenceTestName(const ::testing::TestParamInfo<SequenceTest::ParamType>& info)
{
    return Name(std::get<0>(info.param)) + "_" + std::get<1>(info.param).Label;
}

} // namespace

// The peer answers every request one request late: the answer to request n goes out just ahead
// of the answer to request n + 1 (same clock, same command code). Each exchange must take its own.
TEST_P(SequenceTest, ALateAnswerIsNeverTakenForTheNextRequestWithTheSameCode)
{
    std::vector<std::uint8_t> held;
    ScriptedPeer peer(std::move(link.Server), [&](const Frame& r) {
        const auto n = static_cast<std::uint8_t>(peer.RequestCount());
        std::vector<std::uint8_t> bytes = std::exchange(held, AnswerNumber(r, n));
        if (n >= 2 && n <= 3) {
            // The late answer to the previous request, then (from the second on) this one's.
            const auto own = AnswerNumber(r, n);
            bytes.insert(bytes.end(), own.begin(), own.end());
        }
        return PeerReply{bytes};
    });
    // 1: the clock keeps it back: time-out.
    EXPECT_EQ(Exchange(1, false), 4);
    // 2: the late answer to 1 arrives first and is skipped; the own answer counts.
    if (IsWrite()) {
        EXPECT_EQ(Exchange(2), 1) << "a late Ok confirmed a write the clock refused";
    } else {
        EXPECT_EQ(Exchange(2), 0);
        EXPECT_EQ(response, std::vector<std::uint8_t>(response.size(), 2)) << "took the answer to request 1";
    }
    // 3: a retry of request 2 after all: its own answer again, not 2's second copy.
    const auto before = peer.RequestCount();
    if (IsWrite()) {
        EXPECT_EQ(Exchange(2), 1);
    } else {
        EXPECT_EQ(Exchange(2), 0);
        EXPECT_EQ(response, std::vector<std::uint8_t>(response.size(), 3));
    }
    EXPECT_EQ(peer.RequestCount(), before + 1);
    const auto requests = peer.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[1].Sequence, static_cast<std::uint8_t>(requests[0].Sequence + 1));
    EXPECT_EQ(requests[2].Sequence, static_cast<std::uint8_t>(requests[1].Sequence + 1));
}

// Only late answers and answers numbered for no request arrive: nothing is taken.
TEST_P(SequenceTest, OnlyLateAnswersGiveATimeOut)
{
    ScriptedPeer peer(std::move(link.Server), [&](const Frame& r) {
        std::vector<std::uint8_t> bytes;
        for (int offset : {-3, -2, -1, 1, 2, 128}) {
            Frame other = r;
            other.Sequence = static_cast<std::uint8_t>(r.Sequence + offset);
            const auto answer = AnswerNumber(other, 1);
            bytes.insert(bytes.end(), answer.begin(), answer.end());
        }
        return PeerReply{bytes};
    });
    for (std::uint8_t round = 1; round <= 3; ++round) {
        EXPECT_EQ(Exchange(round, false), 4) << "round " << int(round);
    }
}

// A request retried after a time-out carries a new number, and the answer to the first try,
// arriving during the retry, does not count for it.
TEST_P(SequenceTest, ARetryAfterATimeOutGetsItsOwnAnswer)
{
    std::vector<Frame> seen;
    ScriptedPeer peer(std::move(link.Server), [&](const Frame& r) {
        seen.push_back(r);
        if (seen.size() == 1) {
            return PeerReply{}; // the first try goes unanswered for now
        }
        std::vector<std::uint8_t> bytes = AnswerNumber(seen[0], 1); // late answer to the first try
        const auto own = AnswerNumber(r, 2);
        bytes.insert(bytes.end(), own.begin(), own.end());
        return PeerReply{bytes};
    });
    EXPECT_EQ(Exchange(7, false), 4);
    if (IsWrite()) {
        EXPECT_EQ(Exchange(7), 1) << "the retry took the first try's Ok";
    } else {
        EXPECT_EQ(Exchange(7), 0);
        EXPECT_EQ(response, std::vector<std::uint8_t>(response.size(), 2)) << "the retry took the first try's answer";
    }
    const auto requests = peer.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].Payload, requests[1].Payload);
    EXPECT_NE(requests[0].Sequence, requests[1].Sequence);
}

INSTANTIATE_TEST_SUITE_P(Links, SequenceTest,
                         ::testing::Combine(::testing::Values(LinkKind::SocketPair, LinkKind::Tcp, LinkKind::Pty),
                                            ::testing::ValuesIn(kKinds)),
                         SequenceTestName);

TEST(RequesterSequence, NumbersRunOnByOneAndWrapAround)
{
    auto pair = MakePair();
    ScriptedPeer peer(std::move(pair.Server), [](const Frame& r) { return ScriptedPeer::Answer(r, kTime); });
    Requester requester(*pair.Client, 254);
    EXPECT_EQ(requester.NextSequence(), 254);
    std::vector<std::uint8_t> time(6);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(requester.Exchange(1, Command::GetTime, {}, time), 0);
    }
    EXPECT_EQ(requester.NextSequence(), 1);
    const auto requests = peer.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].Sequence, 254);
    EXPECT_EQ(requests[1].Sequence, 255);
    EXPECT_EQ(requests[2].Sequence, 0);
    requester.SetNextSequence(40);
    EXPECT_EQ(requester.Exchange(1, Command::GetTime, {}, time), 0);
    EXPECT_EQ(peer.Requests().back().Sequence, 40);
}

TEST(RequesterSequence, NewLinksStartAtVaryingNumbers)
{
    // Random: 20 draws that are all the same would happen once in 256^19 runs.
    std::set<std::uint8_t> starts;
    for (int i = 0; i < 20; ++i) {
        starts.insert(Requester::InitialSequence());
    }
    EXPECT_GT(starts.size(), 1u);
}

// --- A peer that floods the line -----------------------------------------------------------------

namespace {

struct FloodTest : ::testing::TestWithParam<LinkKind> {};

// Writes without pause until told to stop: valid answers from the addressed clock to the command
// asked, numbered for every request but the one the host sends, mixed with noise.
void Flood(Transport& peer, std::uint8_t avoid, const std::atomic<bool>& stop, std::atomic<std::uint64_t>& sent)
{
    std::vector<std::uint8_t> bytes;
    for (int s = 0; s < 256; ++s) {
        if (s != avoid) {
            const auto answer = EncodeResponse(5, Command::GetTime, static_cast<std::uint8_t>(s), Status::Ok, kTime);
            bytes.insert(bytes.end(), answer.begin(), answer.end());
            bytes.insert(bytes.end(), {0x00, 0xA5, 0x13, 0x37}); // noise
        }
    }
    while (!stop.load()) {
        const auto written = peer.Write(bytes, Clock::now() + 20ms);
        sent += written.Count;
        if (written.Status != IoStatus::Ok && written.Status != IoStatus::TimedOut) {
            return;
        }
    }
}

} // namespace

TEST_P(FloodTest, AFloodingPeerCannotHoldAnExchangePastItsTimeOut)
{
    Link link = MakeLink(GetParam(), true);
    ASSERT_TRUE(link.Client && link.Server);
    constexpr std::uint8_t kFirst = 77;
    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> sent{0};
    std::thread flooder([&] { Flood(*link.Server, kFirst, stop, sent); });
    while (sent.load() == 0) {
        std::this_thread::sleep_for(1ms);
    }
    std::this_thread::sleep_for(50ms); // the line is full before the exchange begins
    const auto sentBefore = sent.load();

    Requester requester(*link.Client, kFirst);
    requester.SetBaseTimeout(100ms);
    const auto limit = ExchangeTimeout(0, 7, link.Client->BitRate(), 100ms) + 1s;
    auto exchange = std::async(std::launch::async, [&] {
        std::vector<std::uint8_t> time(6);
        const auto start = Clock::now();
        const std::int32_t result = requester.Exchange(5, Command::GetTime, {}, time);
        return std::make_pair(result, Clock::now() - start);
    });
    const bool ended = exchange.wait_for(limit) == std::future_status::ready;
    const auto sentDuring = sent.load() - sentBefore;
    stop.store(true); // so that a hanging exchange ends and the test can report it
    const auto [result, took] = exchange.get();
    flooder.join();
    EXPECT_TRUE(ended) << "the exchange was still running " << limit.count() << " ms into the flood";
    EXPECT_EQ(result, 4);
    EXPECT_LT(took, limit);
    EXPECT_GT(sentDuring, 10'000u) << "the peer did flood";
}

TEST_P(FloodTest, DiscardingInputEndsWhileThePeerKeepsSending)
{
    Link link = MakeLink(GetParam(), true);
    ASSERT_TRUE(link.Client && link.Server);
    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> sent{0};
    std::thread flooder([&] { Flood(*link.Server, 0, stop, sent); });
    while (sent.load() == 0) {
        std::this_thread::sleep_for(1ms);
    }
    auto discard = std::async(std::launch::async, [&] {
        for (int i = 0; i < 100; ++i) {
            link.Client->DiscardInput();
        }
    });
    const bool ended = discard.wait_for(5s) == std::future_status::ready;
    stop.store(true);
    discard.get();
    flooder.join();
    EXPECT_TRUE(ended) << "DiscardInput kept reading while the peer kept sending";
}

INSTANTIATE_TEST_SUITE_P(Links, FloodTest, ::testing::Values(LinkKind::SocketPair, LinkKind::Tcp, LinkKind::Pty),
                         [](const ::testing::TestParamInfo<LinkKind>& param) { return Name(param.param); });
