#include "clocksim/Server.h"
#include "clocksim/ManualTimeSource.h"

#include "zel/link/FrameDecoder.h"
#include "zel/link/Requester.h"
#include "zel/link/SerialTransport.h"
#include "zel/link/TcpTransport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace zel::sim;
namespace zl = zel::link;
using namespace std::chrono_literals;

namespace {

// One client link to the emulator.
struct Client {
    std::unique_ptr<zl::Transport> Transport;
    std::unique_ptr<zl::Requester> Requester;

    static Client Tcp(const Server& server)
    {
        Client c;
        c.Transport = zl::TcpTransport::Connect("127.0.0.1", server.Port(), zl::Clock::now() + 5s);
        EXPECT_TRUE(c.Transport);
        c.Requester = std::make_unique<zl::Requester>(*c.Transport);
        return c;
    }

    static Client Serial(const std::string& device)
    {
        Client c;
        c.Transport = zl::SerialTransport::Open(device, 9600);
        EXPECT_TRUE(c.Transport) << device;
        c.Requester = std::make_unique<zl::Requester>(*c.Transport);
        return c;
    }

    std::int32_t Call(std::uint8_t reader, zl::Command cmd, Bytes request, Bytes* response = nullptr)
    {
        Bytes out(zl::Describe(cmd).ResponseSize);
        const std::int32_t code = Requester->Exchange(reader, cmd, request, out);
        if (response)
            *response = out;
        return code;
    }
};

ServerOptions Fast()
{
    ServerOptions o;
    o.Enrollment.ReadTimeMs = 0;
    return o;
}

Bytes UserRecord(const char* id)
{
    ClockUser u;
    u.Id = *UserIdFromText(id);
    u.Hand.fill(0x11);
    const auto r = u.ToRecord();
    return Bytes(r.begin(), r.end());
}

class ServerTest : public ::testing::Test {
protected:
    // A started server with one base clock, reader 1, under these faults.
    std::unique_ptr<Server> StartWith(const FaultOptions& faults)
    {
        ServerOptions o = Fast();
        o.Faults = faults;
        auto server = std::make_unique<Server>(o);
        server->AddClock(1);
        server->Start();
        return server;
    }

    void SetUp() override
    {
        mDir =
            std::filesystem::temp_directory_path() / ("clocksim-server-" + std::to_string(::getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(mDir);
    }
    void TearDown() override { std::filesystem::remove_all(mDir); }
    std::filesystem::path mDir;
};

} // namespace

TEST_F(ServerTest, ServesSeveralClocksOnAnEphemeralPort)
{
    Server server(Fast());
    server.AddClock(1, ClockModel::Base);
    server.AddClock(2, ClockModel::Vt9);
    server.Start();
    ASSERT_NE(server.Port(), 0);
    Client a = Client::Tcp(server);
    Client b = Client::Tcp(server); // a second link at the same time
    Bytes info;
    ASSERT_EQ(a.Call(2, zl::Command::GetReaderInfo, {}, &info), 0);
    EXPECT_EQ(info[0], 2);
    ASSERT_EQ(b.Call(1, zl::Command::PutUserRecord, UserRecord("42")), 0);
    EXPECT_EQ(server.Clock(1).UserCount(), 1u);
    EXPECT_EQ(a.Call(1, zl::Command::PutUserRecord, UserRecord("43")), 0);
    EXPECT_EQ(server.Clock(1).UserCount(), 2u);
    EXPECT_EQ(a.Call(1, zl::Command::RemoveUserRecord, {0, 0, 0, 0, 0x44}), 1); // NotFound -> data error
    EXPECT_EQ(server.FramesAnswered(), 4u);
    EXPECT_THROW(server.Clock(9), std::out_of_range);
    server.Stop();
    EXPECT_FALSE(server.IsRunning());
    server.Stop();
}

TEST_F(ServerTest, StateSurvivesARestart)
{
    ServerOptions o = Fast();
    o.StateFile = (mDir / "clocks.state").string();
    o.SyncStateFile = false;
    {
        Server server(o);
        server.AddClock(5, ClockModel::Vt9);
        server.Start();
        Client c = Client::Tcp(server);
        ASSERT_EQ(c.Call(5, zl::Command::PutUserRecord, UserRecord("1234")), 0);
        ASSERT_EQ(c.Call(5, zl::Command::PutTime, {0, 30, 8, 1, 6, 4}), 0);
    }
    Server again(o);
    again.Start();
    ASSERT_NE(again.FindClock(5), nullptr);
    EXPECT_EQ(again.Clock(5).Model(), ClockModel::Vt9);
    Client c = Client::Tcp(again);
    Bytes record;
    ASSERT_EQ(c.Call(5, zl::Command::GetUserRecord, {0, 0, 0, 0x12, 0x34}, &record), 0);
    EXPECT_EQ(record, UserRecord("1234"));
    Bytes event;
    ASSERT_EQ(c.Call(5, zl::Command::GetDataLogElement, {zl::kLogNext}, &event), 0);
    EXPECT_EQ(event[8], 1); // user enrolled, then time set
    ASSERT_EQ(c.Call(5, zl::Command::GetDataLogElement, {zl::kLogNext}, &event), 0);
    EXPECT_EQ(event[8], 24);
}

TEST_F(ServerTest, BurstsOfChangesAllReachTheStateFile)
{
    ServerOptions o = Fast();
    o.StateFile = (mDir / "burst.state").string();
    {
        Server server(o);
        server.AddClock(1);
        server.Start();
        Client c = Client::Tcp(server);
        for (int n = 1; n <= 300; ++n)
            ASSERT_EQ(c.Call(1, zl::Command::PutUserRecord, UserRecord(std::to_string(n).c_str())), 0);
        server.SaveState();
        ServerOptions readOnly;
        readOnly.Tcp = false;
        readOnly.StateFile = o.StateFile;
        Server reader(readOnly);
        reader.Start(); // reads the file as it is now, while the first server still runs
        EXPECT_EQ(reader.Clock(1).UserCount(), 300u);
        reader.Stop();
    }
}

TEST_F(ServerTest, EnrollmentRunsOnStatusPolls)
{
    Server server(Fast());
    server.AddClock(1, ClockModel::Base);
    server.Start();
    Client c = Client::Tcp(server);
    ASSERT_EQ(c.Call(1, zl::Command::EnrollUser, {}), 0);
    int reads = 0;
    bool active = false;
    Bytes status;
    for (int polls = 0; polls < 50; ++polls) {
        ASSERT_EQ(c.Call(1, zl::Command::Status, {}, &status), 0);
        if (status[40] || status[44])
            break;
        if (active && status[0] == 0)
            ++reads;
        active = status[0] != 0;
    }
    EXPECT_EQ(status[40], 1);
    EXPECT_EQ(reads, 4);
}

TEST_F(ServerTest, DropsTheLinkAfterNFrames)
{
    FaultOptions f;
    f.DropAfterFrames = 2;
    auto server = StartWith(f);
    Client c = Client::Tcp(*server);
    EXPECT_EQ(c.Call(1, zl::Command::GetTime, {}), 0);
    EXPECT_EQ(c.Call(1, zl::Command::GetTime, {}), 0);
    EXPECT_NE(c.Call(1, zl::Command::GetTime, {}), 0);
    EXPECT_TRUE(c.Requester->LinkLost());
    EXPECT_EQ(server->LinksDropped(), 1u);
    Client again = Client::Tcp(*server);
    EXPECT_EQ(again.Call(1, zl::Command::GetTime, {}), 0);
}

TEST_F(ServerTest, CorruptsEveryNthAnswer)
{
    FaultOptions f;
    f.CorruptEvery = 3;
    auto server = StartWith(f);
    Client c = Client::Tcp(*server);
    std::vector<std::int32_t> codes;
    for (int i = 0; i < 6; ++i)
        codes.push_back(c.Call(1, zl::Command::GetTime, {}));
    EXPECT_EQ(codes, (std::vector<std::int32_t>{0, 0, 5, 0, 0, 5}));
}

TEST_F(ServerTest, LateAnswersTimeOutAndAreSkippedAfterwards)
{
    FaultOptions f;
    f.Late = true;
    f.LateMs = 300;
    auto server = StartWith(f);
    Client c = Client::Tcp(*server);
    c.Requester->SetBaseTimeout(30ms);
    EXPECT_EQ(c.Call(1, zl::Command::GetTime, {}), 4);
    server->SetFaults({});
    c.Requester->SetBaseTimeout(2000ms);
    Bytes info;
    EXPECT_EQ(c.Call(1, zl::Command::GetReaderInfo, {}, &info), 0);
    EXPECT_EQ(info[1], 1);
}

// The answer to GetUserRecord(42) comes after the client gave up and while it waits for
// GetUserRecord(43): same clock, same command code. Over TCP and over the pseudo-terminal the
// client must take user 43's record, never 42's.
TEST_F(ServerTest, ALateAnswerIsNotTakenForTheNextRequestWithTheSameCode)
{
    ServerOptions o = Fast();
    o.Pty = true;
    o.Faults.Late = true;
    o.Faults.LateMs = 300;
    Server server(o);
    SimClock& clock = server.AddClock(1);
    for (const char* id : {"42", "43"}) {
        ClockUser u;
        u.Id = *UserIdFromText(id);
        u.Hand.fill(static_cast<std::uint8_t>(std::stoi(id)));
        clock.PutUser(u);
    }
    server.Start();
    for (bool serial : {false, true}) {
        SCOPED_TRACE(serial ? "pseudo-terminal" : "TCP");
        server.SetFaults(o.Faults);
        Client c = serial ? Client::Serial(server.PtyPath()) : Client::Tcp(server);
        c.Requester->SetBaseTimeout(30ms);
        Bytes record;
        EXPECT_EQ(c.Call(1, zl::Command::GetUserRecord, {0, 0, 0, 0, 0x42}, &record), 4);
        server.SetFaults({}); // 43 is answered at once, right behind the late answer to 42
        c.Requester->SetBaseTimeout(5000ms);
        ASSERT_EQ(c.Call(1, zl::Command::GetUserRecord, {0, 0, 0, 0, 0x43}, &record), 0);
        EXPECT_EQ(record[4], 0x43) << "took the late answer to user 42";
        EXPECT_EQ(record[5], 43);
    }
}

TEST_F(ServerTest, AnswersEchoTheSequenceNumberOnTheWire)
{
    auto server = StartWith({});
    auto link = zl::TcpTransport::Connect("127.0.0.1", server->Port(), zl::Clock::now() + 5s);
    ASSERT_TRUE(link);
    for (int sequence : {0, 200, 255}) {
        const auto number = static_cast<std::uint8_t>(sequence);
        ASSERT_EQ(link->Write(zl::EncodeRequest(1, zl::Command::GetTime, number, {}), zl::Clock::now() + 5s).Status,
                  zl::IoStatus::Ok);
        zl::FrameDecoder decoder;
        zl::Frame answer;
        std::array<std::uint8_t, 256> chunk{};
        while (decoder.Next(answer) != zl::DecodeEvent::Frame) {
            const auto read = link->Read(chunk, zl::Clock::now() + 5s);
            ASSERT_EQ(read.Status, zl::IoStatus::Ok);
            decoder.Feed(std::span<const std::uint8_t>(chunk.data(), read.Count));
        }
        EXPECT_EQ(answer.Command, zl::ResponseCode(zl::Command::GetTime));
        EXPECT_EQ(answer.Sequence, number);
    }
}

TEST_F(ServerTest, StopDoesNotWaitForALateAnswer)
{
    FaultOptions f;
    f.Late = true;
    f.LateMs = 600000;
    auto server = StartWith(f);
    Client c = Client::Tcp(*server);
    c.Requester->SetBaseTimeout(20ms);
    EXPECT_EQ(c.Call(1, zl::Command::GetTime, {}), 4);
    server->Stop(); // returns at once although an answer is pending
}

TEST_F(ServerTest, AnswerDelayAddsLatencyWireTimeAndLateness)
{
    FaultOptions f;
    EXPECT_EQ(Server::AnswerDelay(f, 7, 1000), 0us);
    f.BitRate = 9600;
    // GetDataBank: 9 + 4105 bytes of 10 bits at 9600 bit/s
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::milliseconds>(Server::AnswerDelay(f, 9, 4105)).count(), 4285);
    f.LatencyMs = 20;
    f.Late = true;
    f.LateMs = 1000;
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::milliseconds>(Server::AnswerDelay(f, 9, 4105)).count(), 5305);
}

TEST_F(ServerTest, ServesAPseudoTerminalAndRenewsItAfterADrop)
{
    ServerOptions o = Fast();
    o.Tcp = false;
    o.Pty = true;
    o.PtyLink = (mDir / "clock-line").string();
    o.Faults.DropAfterFrames = 1;
    Server server(o);
    server.AddClock(3, ClockModel::Vt9);
    server.Start();
    EXPECT_EQ(server.Port(), 0);
    const std::string first = server.PtyPath();
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(std::filesystem::read_symlink(o.PtyLink).string(), first);

    Client c = Client::Serial(o.PtyLink);
    Bytes info;
    ASSERT_EQ(c.Call(3, zl::Command::GetReaderInfo, {}, &info), 0);
    EXPECT_EQ(info[0], 2);
    EXPECT_NE(c.Call(3, zl::Command::GetReaderInfo, {}, &info), 0); // the line went down
    const std::string second = server.PtyPath();
    EXPECT_NE(second, first);
    EXPECT_EQ(std::filesystem::read_symlink(o.PtyLink).string(), second);
    Client again = Client::Serial(o.PtyLink);
    EXPECT_EQ(again.Call(3, zl::Command::GetReaderInfo, {}, &info), 0);
    server.Stop();
    EXPECT_FALSE(std::filesystem::is_symlink(o.PtyLink));
}

TEST_F(ServerTest, TestsCanDriveTimeAndInspectClocks)
{
    auto time = std::make_shared<ManualTimeSource>();
    ServerOptions o = Fast();
    o.Time = time;
    o.PunchEverySec = 60;
    Server server(o);
    SimClock& clock = server.AddClock(1);
    ClockUser u;
    u.Id = *UserIdFromText("5");
    clock.PutUser(u);
    clock.Tick();
    server.Start();
    time->AdvanceMs(120'000);
    Client c = Client::Tcp(server);
    Bytes event;
    ASSERT_EQ(c.Call(1, zl::Command::GetDataLogElement, {zl::kLogNext}, &event), 0);
    EXPECT_EQ(event[8], 7); // identity verified
    EXPECT_EQ(event[16], 5);
    EXPECT_EQ(clock.Events().size(), 2u);
}

TEST_F(ServerTest, TheSameServerStartsAgainAfterStop)
{
    auto server = StartWith({});
    server->Clock(1).PutUser(ClockUser{});
    server->Stop();
    server->Start();
    Client c = Client::Tcp(*server);
    Bytes info;
    ASSERT_EQ(c.Call(1, zl::Command::GetReaderInfo, {}, &info), 0);
    EXPECT_EQ(info[50], 1);
}

TEST_F(ServerTest, StartFailsCleanlyOnADamagedStateFile)
{
    ServerOptions o;
    o.StateFile = (mDir / "bad.state").string();
    {
        std::ofstream out(o.StateFile);
        out << "not a state file\n";
    }
    Server server(o);
    EXPECT_THROW(server.Start(), std::runtime_error);
    EXPECT_FALSE(server.IsRunning());
}
