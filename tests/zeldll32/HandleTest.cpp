#include <gtest/gtest.h>

#include <dlfcn.h>

#include "ScriptedPeer.h"
#include "ZelTestSupport.h"
#include "zel/link/PseudoTerminal.h"

using zel::test::ScopedEnv;
using zel::test::ScriptedPeer;
using zel::test::SocketLayer;

namespace {

// Every function that takes a handle, called on `h` with valid buffers.
std::vector<std::int32_t> CallAll(std::int32_t h)
{
    std::vector<std::uint8_t> buffer(8192, 0);
    void* b = buffer.data();
    std::int32_t zero = 0;
    return {zelOpenDirectChannel(h, 9600),
            zelSetHandReader(h, 1, b),
            zelGetReaderInfo(h, b),
            zelGetUserRecord(h, b, b),
            zelGetExtUserRecord(h, b, b),
            zelHereIsUserRecord(h, b),
            zelHereIsExtUserRecord(h, b),
            zelRemoveUserRecord(h, b),
            zelClearUserDataBase(h),
            zelGetDataBank(h, 0, b),
            zelSetDataBank(h, 0, b),
            zelGetSetupData(h, b),
            zelHereIsSetupData(h, b),
            zelUpdateNVRam(h),
            zelGetTime(h, b),
            zelHereIsTime(h, b),
            zelGetDataLogElement(h, b, 0),
            zelHereIsDisplayMessage(h, b),
            zelHereIsFkeyData(h, b),
            zelEnrollUser(h, 0),
            zelSendStatusCRC(h, b),
            zelGetLastTemplate(h, b),
            zelVerifyOnExternalData(h, &zero, b),
            zelAbortCommand(h),
            zelCloseChannel(h),
            zelCloseWsock(h)};
}

} // namespace

TEST(Handles, UnknownHandlesGiveInvalidChannelEverywhere)
{
    for (std::int32_t h : {0, -1, 12345, 0x7FFFFFFF}) {
        for (std::int32_t result : CallAll(h)) {
            EXPECT_EQ(result, 8) << "handle " << h;
        }
    }
}

TEST(Handles, ClosedHandleStaysInvalidAndIsNotReused)
{
    const std::int32_t first = zelInstallChannel(0);
    ASSERT_GT(first, 0);
    EXPECT_EQ(zelCloseChannel(first), 0);
    const std::int32_t second = zelInstallChannel(0);
    EXPECT_NE(second, first);
    for (std::int32_t result : CallAll(first)) {
        EXPECT_EQ(result, 8);
    }
    EXPECT_EQ(zelCloseChannel(second), 0);
}

TEST(Handles, NullRecordsGiveInvalidBufferNotACrash)
{
    ScriptedPeer peer([](const zel::link::Frame& r) { return ScriptedPeer::ZeroAnswer(r); });
    SocketLayer sockets;
    const std::int32_t h = zelInitWsock("127.0.0.1", peer.Port());
    ASSERT_GT(h, 0);
    std::int32_t zero = 0;
    std::uint8_t buffer[4096] = {};
    EXPECT_EQ(zelSetHandReader(h, 1, nullptr), 10);
    EXPECT_EQ(zelGetReaderInfo(h, nullptr), 10);
    EXPECT_EQ(zelGetUserRecord(h, nullptr, buffer), 10);
    EXPECT_EQ(zelGetUserRecord(h, buffer, nullptr), 10);
    EXPECT_EQ(zelGetExtUserRecord(h, buffer, nullptr), 10);
    EXPECT_EQ(zelHereIsUserRecord(h, nullptr), 10);
    EXPECT_EQ(zelHereIsExtUserRecord(h, nullptr), 10);
    EXPECT_EQ(zelRemoveUserRecord(h, nullptr), 10);
    EXPECT_EQ(zelGetDataBank(h, 0, nullptr), 10);
    EXPECT_EQ(zelSetDataBank(h, 0, nullptr), 10);
    EXPECT_EQ(zelGetSetupData(h, nullptr), 10);
    EXPECT_EQ(zelHereIsSetupData(h, nullptr), 10);
    EXPECT_EQ(zelGetTime(h, nullptr), 10);
    EXPECT_EQ(zelHereIsTime(h, nullptr), 10);
    EXPECT_EQ(zelGetDataLogElement(h, nullptr, 0), 10);
    EXPECT_EQ(zelHereIsDisplayMessage(h, nullptr), 10);
    EXPECT_EQ(zelHereIsFkeyData(h, nullptr), 10);
    EXPECT_EQ(zelSendStatusCRC(h, nullptr), 10);
    EXPECT_EQ(zelGetLastTemplate(h, nullptr), 10);
    EXPECT_EQ(zelVerifyOnExternalData(h, nullptr, buffer), 10);
    EXPECT_EQ(zelVerifyOnExternalData(h, &zero, nullptr), 10);
    EXPECT_EQ(peer.RequestCount(), 0u) << "nothing is sent for a refused call";
    EXPECT_EQ(zelGetDataBank(h, 10, buffer), 0);
    EXPECT_EQ(zelGetDataBank(h, 256, buffer), 1);
    EXPECT_EQ(zelGetDataBank(h, -1, buffer), 1);
    EXPECT_EQ(zelSetHandReader(h, 256, buffer), 1);
    EXPECT_EQ(zelCloseWsock(h), 0);
}

TEST(Handles, SocketLayerIsCounted)
{
    ScriptedPeer peer([](const zel::link::Frame& r) { return ScriptedPeer::ZeroAnswer(r); });
    EXPECT_EQ(zelInitWsock("127.0.0.1", peer.Port()), 0) << "no connection before zelStartupWsock";
    EXPECT_EQ(zelStartupWsock(), 0);
    EXPECT_EQ(zelStartupWsock(), 0);
    const std::int32_t h = zelInitWsock("127.0.0.1", peer.Port());
    ASSERT_GT(h, 0);
    EXPECT_EQ(zelCleanupWsock(), 0);
    std::uint8_t time[ZEL_TIME_RECORD_SIZE];
    EXPECT_EQ(zelGetTime(h, time), 0) << "still one user of the socket layer";
    EXPECT_EQ(zelCleanupWsock(), 0);
    EXPECT_EQ(zelGetTime(h, time), 8) << "the last cleanup closes the connections left open";
    EXPECT_EQ(zelCleanupWsock(), 9);
}

TEST(Handles, AddressesArePlainIpv4AndPortsInRange)
{
    ScriptedPeer peer([](const zel::link::Frame& r) { return ScriptedPeer::ZeroAnswer(r); });
    SocketLayer sockets;
    const auto port = static_cast<std::int32_t>(peer.Port());
    for (const char* bad : {"127.0.0", "127.0.0.1.9", "127.0.0.256", "a.b.c.d", "", "localhost"}) {
        EXPECT_EQ(zelInitWsock(bad, port), 0) << bad;
    }
    EXPECT_EQ(zelInitWsock(nullptr, port), 0);
    EXPECT_EQ(zelInitWsock("127.0.0.1", 0), 0);
    EXPECT_EQ(zelInitWsock("127.0.0.1", 65536), 0);
    const std::int32_t h = zelInitWsock(" 127 . 0 . 0 . 1 ", port);
    EXPECT_GT(h, 0) << "blanks around the numbers are accepted";
    zelCloseWsock(h);
}

TEST(Handles, SerialPortIndexMapsToTheDeviceNamedByZelCom)
{
    auto pty = zel::link::PseudoTerminal::Create();
    ASSERT_TRUE(pty);
    const std::string device = pty->SlavePath();
    ScriptedPeer peer(std::move(pty), [](const zel::link::Frame& r) { return ScriptedPeer::ZeroAnswer(r); });
    ScopedEnv com8("ZEL_COM8", device);
    const std::int32_t h = zelInstallChannel(7); // COM8
    ASSERT_GT(h, 0);
    EXPECT_EQ(zelOpenDirectChannel(h, 19200), 0);
    std::uint8_t time[ZEL_TIME_RECORD_SIZE] = {1, 1, 1, 1, 1, 1};
    EXPECT_EQ(zelGetTime(h, time), 0);
    EXPECT_EQ(time[0], 0);
    EXPECT_EQ(zelOpenDirectChannel(h, 9600), 0) << "reopening at another rate";
    EXPECT_EQ(zelGetTime(h, time), 0);
    EXPECT_EQ(zelCloseChannel(h), 0);
    EXPECT_EQ(peer.RequestCount(), 2u);
}

TEST(Handles, OpenDirectChannelChecksTheBitRateAndTheDevice)
{
    const std::int32_t h = zelInstallChannel(250); // /dev/ttyS250 does not exist
    ASSERT_GT(h, 0);
    std::uint8_t time[ZEL_TIME_RECORD_SIZE];
    EXPECT_EQ(zelGetTime(h, time), 3) << "installed but not open";
    EXPECT_EQ(zelOpenDirectChannel(h, 12345), 1);
    EXPECT_EQ(zelOpenDirectChannel(h, 0), 1);
    EXPECT_EQ(zelOpenDirectChannel(h, 9600), 3);
    EXPECT_EQ(zelCloseChannel(h), 0);
    EXPECT_EQ(zelInstallChannel(-1), 0);
}

TEST(Handles, OnlyTheVendorFunctionsAreExported)
{
    void* library = ::dlopen("libzeldll32.so", RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(library, nullptr);
    EXPECT_NE(::dlsym(library, "zelSendStatusCRC"), nullptr);
    EXPECT_EQ(::dlsym(library, "_ZN3zel4link5Crc16ENSt3spanIKhLm18446744073709551615EEEt"), nullptr);
    EXPECT_EQ(::dlsym(library, "_ZN3zel6vendor12ChannelTable8InstanceEv"), nullptr);
    ::dlclose(library);
}
