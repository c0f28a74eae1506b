#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>
#include <unistd.h>

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

TEST(SerialTransport, RefusesMissingDevicesOddRatesAndNonTerminalsSayingWhich)
{
    auto pty = PseudoTerminal::Create();
    ASSERT_TRUE(pty);
    const struct {
        std::string Device;
        std::uint32_t Rate;
        std::string Why;
    } cases[] = {
        {"/dev/does-not-exist", 9600, "there is no serial port /dev/does-not-exist"},
        {"/dev/null", 9600, "/dev/null is not a serial port"},
        {pty->SlavePath(), 12345, "12345 bit/s is not a serial bit rate"},
    };
    for (const auto& c : cases) {
        std::string why;
        EXPECT_FALSE(SerialTransport::Open(c.Device, c.Rate, &why)) << c.Device;
        EXPECT_EQ(why, c.Why);
    }
    EXPECT_TRUE(SerialTransport::IsSupportedBitRate(115200));
    EXPECT_FALSE(SerialTransport::IsSupportedBitRate(0));
}

TEST(SerialTransport, ALineIsOpenedByOneChannelAtATime)
{
    auto pty = PseudoTerminal::Create();
    ASSERT_TRUE(pty);
    auto first = SerialTransport::Open(pty->SlavePath(), 9600);
    ASSERT_TRUE(first);
    EXPECT_EQ(SerialTransport::WhyNotOpen(pty->SlavePath()),
              "the serial port " + pty->SlavePath() + " is in use by another channel or program");

    // Also under another name of the same device.
    const std::string alias = ::testing::TempDir() + "zel-serial-alias-" + std::to_string(::getpid());
    ::unlink(alias.c_str());
    ASSERT_EQ(::symlink(pty->SlavePath().c_str(), alias.c_str()), 0);
    for (const std::string& device : {pty->SlavePath(), alias}) {
        std::string why;
        EXPECT_FALSE(SerialTransport::Open(device, 9600, &why)) << device;
        EXPECT_EQ(why, "the serial port " + device + " is in use by another channel or program");
    }

    // Closed, the line is free again, and the first holder's settings were left alone.
    first->Close();
    EXPECT_EQ(SerialTransport::WhyNotOpen(alias), "");
    auto second = SerialTransport::Open(alias, 115200);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->Write(AllByteValues(), Soon()).Status, IoStatus::Ok);
    EXPECT_EQ(ReadExactly(*pty, 256), AllByteValues());
    second.reset();
    ::unlink(alias.c_str());
}

TEST(SerialTransport, APortIsTtySUnlessTheEnvironmentNamesItsDevice)
{
    ::unsetenv("ZEL_COM3");
    EXPECT_EQ(SerialTransport::DeviceForPort(2), "/dev/ttyS2");
    ::setenv("ZEL_COM3", "/dev/pts/42", 1);
    EXPECT_EQ(SerialTransport::DeviceForPort(2), "/dev/pts/42");
    ::setenv("ZEL_COM3", "", 1);
    EXPECT_EQ(SerialTransport::DeviceForPort(2), "/dev/ttyS2");
    ::unsetenv("ZEL_COM3");
}
