#include "FakeVendor.h"

#include "zel/Error.h"
#include "zel/support/Channel.h"
#include "zel/support/ChannelFactory.h"
#include "zel/support/DirectConnector.h"
#include "zel/support/EthernetConnector.h"
#include "zel/support/IReader.h"
#include "zel/support/Reader.h"
#include "zel/support/VT9Reader.h"
#include "zel/support/ZelErrors.h"

#include <gtest/gtest.h>

using namespace zel::support;
using zel::test::FakeVendor;
using Names = std::vector<std::string>;

namespace {

void ExpectInvalidAddress(const std::string& address)
{
    FakeVendor fake;
    try {
        ChannelFactory().CreateEthernetChannel(address);
        FAIL() << address << " was accepted";
    } catch (const zel::Error& e) {
        EXPECT_EQ(e.Number(), -2147221504) << address;
        EXPECT_EQ(e.Source(), "Zel.EthernetConnection");
        EXPECT_EQ(e.Description(), "Invalid IP Address or Format");
    }
}

} // namespace

TEST(ChannelFactoryTest, RefusesMalformedAddresses)
{
    for (const char* address : {"10.0.0", "10.0.0.256", "a.b.c.d", "", "10..0.1", "10.0.0.-1", "1e1.0.0.1",
                                "10.0.0.1.9", "127.0.0.1\t", "127.0.0.0001"})
        ExpectInvalidAddress(address);
}

TEST(ChannelFactoryTest, AcceptsFourNumbersWithBlanksAndLeadingZeros)
{
    FakeVendor fake;
    auto channel = ChannelFactory().CreateEthernetChannel(" 192.168.001.2 ");
    ASSERT_TRUE(channel);
    EXPECT_FALSE(channel->IsConnected());
    // The text goes to the clock library as it was given; it reads it by the same rule.
    channel->Connect();
    ASSERT_EQ(fake.CountOf("zelInitWsock"), 1);
    EXPECT_EQ(fake.CallsTo("zelInitWsock")[0].Text, " 192.168.001.2 ");
}

TEST(ChannelFactoryTest, EthernetDefaultsToPort3001AndConnectsThroughWsock)
{
    FakeVendor fake;
    auto channel = ChannelFactory().CreateEthernetChannel("127.0.0.1");
    channel->Connect();
    EXPECT_TRUE(channel->IsConnected());
    auto init = fake.CallsTo("zelInitWsock");
    ASSERT_EQ(init.size(), 1u);
    EXPECT_EQ(init[0].Text, "127.0.0.1");
    EXPECT_EQ(init[0].Args, (std::vector<std::int64_t>{3001}));
    channel->Disconnect();
    channel.reset();
    EXPECT_EQ(fake.CallNames(), (Names{"zelStartupWsock", "zelInitWsock", "zelCloseWsock", "zelCleanupWsock"}));
    EXPECT_EQ(fake.CallsTo("zelCloseWsock")[0].Args, (std::vector<std::int64_t>{7}));
}

TEST(ChannelFactoryTest, DirectDefaultsTo9600AndPortIndexIsZeroBased)
{
    FakeVendor fake;
    auto channel = ChannelFactory().CreateDirectChannel(1);
    auto connector = std::dynamic_pointer_cast<DirectConnector>(channel->Connector());
    ASSERT_TRUE(connector);
    EXPECT_EQ(connector->BitRate(), 9600);
    channel->Connect();
    EXPECT_EQ(fake.CallsTo("zelInstallChannel")[0].Args, (std::vector<std::int64_t>{0}));
    EXPECT_EQ(fake.CallsTo("zelOpenDirectChannel")[0].Args, (std::vector<std::int64_t>{7, 9600}));
    EXPECT_TRUE(channel->IsConnected());
}

TEST(ChannelTest, NeverConnectedDisconnectCalls)
{
    FakeVendor fake;
    {
        auto ethernet = ChannelFactory().CreateEthernetChannel("10.0.0.1");
        fake.ClearCalls();
        ethernet->Disconnect();
        EXPECT_TRUE(fake.Calls.empty());
    }
    auto serial = ChannelFactory().CreateDirectChannel(2, 19200);
    fake.ClearCalls();
    serial->Disconnect();
    ASSERT_EQ(fake.CallNames(), Names{"zelCloseChannel"});
    EXPECT_EQ(fake.Calls[0].Args, (std::vector<std::int64_t>{0}));
}

TEST(ChannelTest, ConnectOnAConnectedChannelKeepsTheOpenLink)
{
    FakeVendor fake;
    for (auto channel :
         {ChannelFactory().CreateEthernetChannel("127.0.0.1"), ChannelFactory().CreateDirectChannel(1)}) {
        channel->Connect();
        ASSERT_TRUE(channel->IsConnected());
        const auto handle = channel->ChannelHandle();
        fake.ClearCalls();
        channel->Connect();
        channel->Connect();
        EXPECT_TRUE(fake.Calls.empty()) << "a second link was opened: " << fake.Calls.front().Name;
        EXPECT_EQ(channel->ChannelHandle(), handle);
        // Disconnect closes that one link; a new Connect then opens a fresh one.
        fake.QueueResult("zelInitWsock", 8);
        fake.QueueResult("zelInstallChannel", 8);
        channel->Disconnect();
        EXPECT_EQ(fake.CallNames().size(), 1u);
        channel->Connect();
        EXPECT_EQ(channel->ChannelHandle(), 8);
        channel->Disconnect();
    }
}

TEST(ChannelTest, FailedLinksLeaveTheChannelUnconnected)
{
    FakeVendor fake;
    fake.SetResult("zelInstallChannel", 0);
    auto serial = ChannelFactory().CreateDirectChannel(1);
    serial->Connect();
    EXPECT_FALSE(serial->IsConnected());
    EXPECT_EQ(serial->GetReader(1), nullptr);
    EXPECT_EQ(fake.CountOf("zelSetHandReader"), 0);

    fake.SetResult("zelInstallChannel", 5);
    fake.SetResult("zelOpenDirectChannel", 1);
    serial->Connect();
    EXPECT_FALSE(serial->IsConnected());
    // The installed port is given back.
    EXPECT_EQ(fake.CallsTo("zelCloseChannel").back().Args, (std::vector<std::int64_t>{5}));

    fake.SetResult("zelStartupWsock", 1);
    auto ethernet = ChannelFactory().CreateEthernetChannel("10.0.0.1");
    ethernet->Connect();
    EXPECT_FALSE(ethernet->IsConnected());
    EXPECT_EQ(fake.CountOf("zelInitWsock"), 0);
    fake.ClearCalls();
    ethernet.reset();
    EXPECT_EQ(fake.CountOf("zelCleanupWsock"), 0); // sockets were never ready
}

TEST(ChannelTest, GetReaderGivesNothingForASilentClockAndRefusesIDsThatNameNoClock)
{
    FakeVendor fake;
    auto channel = ChannelFactory().CreateDirectChannel(1);
    channel->Connect();
    fake.QueueResult("zelSetHandReader", 4);
    EXPECT_EQ(channel->GetReader(3), nullptr);
    fake.QueueResult("zelGetReaderInfo", 4);
    EXPECT_EQ(channel->GetReader(3), nullptr);
    for (const int outside : {256, -1, 1000}) {
        try {
            channel->GetReader(outside); // names no clock: an argument error, not a silent clock
            FAIL() << outside;
        } catch (const zel::Error& e) {
            EXPECT_EQ(e.Number(), 5);
            EXPECT_EQ(e.Source(), "ZelClock");
            EXPECT_NE(e.Description().find("between 0 and 255"), std::string::npos) << e.Description();
            EXPECT_NE(e.Description().find(std::to_string(outside)), std::string::npos) << e.Description();
        }
    }
    auto selects = fake.CallsTo("zelSetHandReader");
    ASSERT_EQ(selects.size(), 2u);
    EXPECT_EQ(selects[0].Args, (std::vector<std::int64_t>{7, 3}));
    EXPECT_EQ(selects[0].Data, std::vector<std::uint8_t>(96, 0)); // a zeroed status record
}

TEST(ChannelTest, GetReaderChoosesTheClassByModelCode)
{
    FakeVendor fake;
    fake.ReaderInfos[1] = FakeVendor::Info(1, 12);
    fake.ReaderInfos[2] = FakeVendor::Info(2, 40);
    fake.ReaderInfos[3] = FakeVendor::Info(0, -1);
    auto channel = ChannelFactory().CreateEthernetChannel("10.0.0.1");
    channel->Connect();
    auto base = channel->GetReader(1);
    auto newer = channel->GetReader(2);
    auto other = channel->GetReader(3);
    EXPECT_TRUE(std::dynamic_pointer_cast<Reader>(base));
    EXPECT_TRUE(std::dynamic_pointer_cast<VT9Reader>(newer));
    EXPECT_TRUE(std::dynamic_pointer_cast<Reader>(other));
    EXPECT_EQ(base->UserCount(), 12);
    EXPECT_EQ(newer->UserCount(), 40);
    EXPECT_EQ(other->UserCount(), -1); // a signed 16-bit count, as the clock gives it
}

TEST(ChannelTest, VendorCodesBecomeChannelErrors)
{
    FakeVendor fake;
    auto channel = ChannelFactory().CreateDirectChannel(1);
    channel->Connect();
    auto reader = channel->GetReader(1);
    ASSERT_TRUE(reader);
    fake.QueueResult("zelGetTime", 4);
    try {
        reader->GetTime();
        FAIL();
    } catch (const zel::Error& e) {
        EXPECT_EQ(e.Number(), -2147221500);
        EXPECT_EQ(e.Number(), static_cast<long>(ZelErrors::ComTimeout));
        EXPECT_EQ(e.Source(), "Channel");
        EXPECT_EQ(e.Description(), "Channel Communication Timeout");
    }
}

TEST(ZelErrorsTest, EveryCodeHasItsNumberAndText)
{
    const std::vector<std::string> texts = {"Channel Data Error",
                                            "Channel Communication Error",
                                            "No Connection Established",
                                            "Channel Communication Timeout",
                                            "Bad Data CRC",
                                            "Parsing Overflow",
                                            "Parsing Underflow",
                                            "Invalid Channel",
                                            "Invalid Channel Socket",
                                            "Invalid Channel Buffer",
                                            "Channel Socket Error",
                                            "Channel IO Cancel"};
    EXPECT_NO_THROW(CheckResult(0));
    for (int code = 1; code <= 12; ++code) {
        try {
            CheckResult(code);
            FAIL();
        } catch (const zel::Error& e) {
            EXPECT_EQ(e.Number(), -2147221504 + code);
            EXPECT_EQ(e.Source(), "Channel");
            EXPECT_EQ(e.Description(), texts[static_cast<std::size_t>(code - 1)]);
        }
    }
    EXPECT_EQ(static_cast<long>(ZelErrors::CancelIO), -2147221492);
    EXPECT_EQ(static_cast<long>(ZelErrors::SocketEerror), -2147221493);
}

TEST(ZelErrorsTest, UnknownCodesAreRaisedWithTheCodeInTheText)
{
    for (int code : {13, 255, -1}) {
        try {
            CheckResult(code);
            FAIL();
        } catch (const zel::Error& e) {
            EXPECT_EQ(e.Number(), -2147221504 + code);
            EXPECT_EQ(e.Source(), "Channel");
            EXPECT_NE(e.Description().find(std::to_string(code)), std::string::npos) << e.Description();
        }
    }
}

TEST(ChannelTest, FunctionKeyDataIsPaddedToFullSize)
{
    FakeVendor fake;
    auto channel = ChannelFactory().CreateDirectChannel(1);
    channel->Connect();
    auto reader = channel->GetReader(4);
    fake.ClearCalls();
    reader->SendFunctionKeyData({1, 2, 3});
    EXPECT_EQ(fake.CallNames(), (Names{"zelSetHandReader", "zelHereIsFkeyData"}));
    auto data = fake.CallsTo("zelHereIsFkeyData")[0].Data;
    ASSERT_EQ(data.size(), 4096u);
    EXPECT_EQ(data[0], 1);
    EXPECT_EQ(data[2], 3);
    EXPECT_EQ(std::count(data.begin() + 3, data.end(), 0), 4093);

    std::vector<std::uint8_t> big(5000, 0xAB);
    big[4096] = 0x01;
    reader->SendFunctionKeyData(big);
    data = fake.CallsTo("zelHereIsFkeyData")[1].Data;
    EXPECT_EQ(std::count(data.begin(), data.end(), 0xAB), 4096);
}

TEST(ChannelTest, ReleasingTheChannelDisconnects)
{
    FakeVendor fake;
    auto channel = ChannelFactory().CreateDirectChannel(3);
    channel->Connect();
    auto reader = channel->GetReader(1);
    channel.reset();
    EXPECT_EQ(fake.CountOf("zelCloseChannel"), 0); // the reader still holds it
    reader.reset();
    EXPECT_EQ(fake.CountOf("zelCloseChannel"), 1);
}
