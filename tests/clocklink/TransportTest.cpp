#include <gtest/gtest.h>

#include <thread>

#include "zel/link/PseudoTerminal.h"
#include "zel/link/SerialTransport.h"
#include "zel/link/TcpListener.h"
#include "zel/link/TcpTransport.h"

using namespace zel::link;
using namespace std::chrono_literals;

namespace {

std::vector<std::uint8_t> AllByteValues()
{
    std::vector<std::uint8_t> bytes(256);
    for (int i = 0; i < 256; ++i) {
        bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    }
    return bytes;
}

std::vector<std::uint8_t> ReadExactly(Transport& transport, std::size_t count)
{
    std::vector<std::uint8_t> got;
    std::uint8_t chunk[300];
    while (got.size() < count) {
        const auto read = transport.Read(chunk, Clock::now() + 10s);
        if (read.Status != IoStatus::Ok) {
            break;
        }
        got.insert(got.end(), chunk, chunk + read.Count);
    }
    return got;
}

Deadline Soon()
{
    return Clock::now() + 10s;
}

} // namespace

TEST(TcpTransport, CarriesEveryByteValueBothWaysAndSeesTheHangUp)
{
    TcpListener listener("127.0.0.1", 0);
    ASSERT_NE(listener.Port(), 0);
    auto client = TcpTransport::Connect("127.0.0.1", listener.Port(), Soon());
    ASSERT_TRUE(client);
    auto server = listener.Accept(Soon());
    ASSERT_TRUE(server);
    EXPECT_EQ(client->BitRate(), 0u);

    const auto bytes = AllByteValues();
    EXPECT_EQ(client->Write(bytes, Soon()).Status, IoStatus::Ok);
    EXPECT_EQ(ReadExactly(*server, 256), bytes);
    EXPECT_EQ(server->Write(bytes, Soon()).Status, IoStatus::Ok);
    EXPECT_EQ(ReadExactly(*client, 256), bytes);

    server->Close();
    std::uint8_t one;
    EXPECT_EQ(client->Read(std::span(&one, 1), Soon()).Status, IoStatus::Closed);
}

TEST(TcpTransport, ReadEndsAtTheDeadlineOrOnCancel)
{
    TcpListener listener("127.0.0.1", 0);
    auto client = TcpTransport::Connect("127.0.0.1", listener.Port(), Soon());
    ASSERT_TRUE(client);
    std::uint8_t one;
    EXPECT_EQ(client->Read(std::span(&one, 1), Clock::now()).Status, IoStatus::TimedOut);
    std::thread canceller([&] { client->Cancel(); });
    EXPECT_EQ(client->Read(std::span(&one, 1), Deadline::max()).Status, IoStatus::Cancelled);
    canceller.join();
    EXPECT_TRUE(client->IsCancelled());
    client->ResetCancel();
    EXPECT_EQ(client->Read(std::span(&one, 1), Clock::now()).Status, IoStatus::TimedOut);
}

TEST(TcpTransport, ConnectFailsCleanly)
{
    EXPECT_FALSE(TcpTransport::Connect("300.1.1.1", 3001, Soon()));
    EXPECT_FALSE(TcpTransport::Connect("localhost", 3001, Soon()));
    EXPECT_FALSE(TcpTransport::Connect("127.0.0.1", 0, Soon()));
    std::uint16_t freePort = 0;
    {
        TcpListener probe("127.0.0.1", 0);
        freePort = probe.Port();
    }
    EXPECT_FALSE(TcpTransport::Connect("127.0.0.1", freePort, Soon()));
}

TEST(TcpListener, AcceptEndsOnCancel)
{
    TcpListener listener("127.0.0.1", 0);
    listener.Cancel();
    EXPECT_FALSE(listener.Accept());
    listener.ResetCancel();
    EXPECT_FALSE(listener.Accept(Clock::now()));
    EXPECT_THROW(TcpListener("not an address", 0), std::system_error);
}

TEST(SerialTransport, PseudoTerminalCarriesEveryByteValueRaw)
{
    auto pty = PseudoTerminal::Create(9600);
    ASSERT_TRUE(pty);
    auto serial = SerialTransport::Open(pty->SlavePath(), 9600);
    ASSERT_TRUE(serial);
    EXPECT_EQ(serial->BitRate(), 9600u);

    const auto bytes = AllByteValues();
    EXPECT_EQ(serial->Write(bytes, Soon()).Status, IoStatus::Ok);
    EXPECT_EQ(ReadExactly(*pty, 256), bytes);
    EXPECT_EQ(pty->Write(bytes, Soon()).Status, IoStatus::Ok);
    EXPECT_EQ(ReadExactly(*serial, 256), bytes);
}

TEST(SerialTransport, StaleInputIsDiscarded)
{
    auto pty = PseudoTerminal::Create();
    ASSERT_TRUE(pty);
    auto serial = SerialTransport::Open(pty->SlavePath(), 115200);
    ASSERT_TRUE(serial);
    const std::vector<std::uint8_t> stale{1, 2, 3};
    ASSERT_EQ(pty->Write(stale, Soon()).Status, IoStatus::Ok);
    std::uint8_t first;
    ASSERT_EQ(serial->Read(std::span(&first, 1), Soon()).Status, IoStatus::Ok); // it has arrived
    serial->DiscardInput();
    const std::vector<std::uint8_t> fresh{9};
    ASSERT_EQ(pty->Write(fresh, Soon()).Status, IoStatus::Ok);
    EXPECT_EQ(ReadExactly(*serial, 1), fresh);
}

TEST(SerialTransport, HangUpOfTheOtherSideIsClosed)
{
    auto pty = PseudoTerminal::Create();
    ASSERT_TRUE(pty);
    auto serial = SerialTransport::Open(pty->SlavePath(), 9600);
    ASSERT_TRUE(serial);
    pty.reset();
    std::uint8_t one;
    EXPECT_EQ(serial->Read(std::span(&one, 1), Soon()).Status, IoStatus::Closed);
}

TEST(SerialTransport, RefusesMissingDevicesOddRatesAndNonTerminals)
{
    EXPECT_FALSE(SerialTransport::Open("/dev/does-not-exist", 9600));
    EXPECT_FALSE(SerialTransport::Open("/dev/null", 9600));
    auto pty = PseudoTerminal::Create();
    ASSERT_TRUE(pty);
    EXPECT_FALSE(SerialTransport::Open(pty->SlavePath(), 12345));
    EXPECT_TRUE(SerialTransport::IsSupportedBitRate(115200));
    EXPECT_FALSE(SerialTransport::IsSupportedBitRate(0));
}
