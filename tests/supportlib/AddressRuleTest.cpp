// One address rule on both sides: every address ChannelFactory accepts is dialled by the real
// libzeldll32.so (zelInitWsock), and every address zelInitWsock would not dial is refused by the
// factory with "Invalid IP Address or Format". A plain listening socket on 127.0.0.1 shows
// whether a connection was really made.
#include "zel/Error.h"
#include "zel/support/ChannelFactory.h"
#include "zel/support/VendorLibrary.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>
#include <string>
#include <vector>

using namespace zel::support;

namespace {

struct AddressCase {
    std::string Text;
    bool Accepted; // every accepted text names 127.0.0.1
};

const std::vector<AddressCase>& Table()
{
    static const std::vector<AddressCase> table = {
        {"127.0.0.1", true},       {" 127.0.0.1", true},
        {"127.0.0.1   ", true},    {" 127 . 0 . 0 . 1 ", true},
        {"127.000.000.001", true},                         // leading zeros are decimal, up to three digits
        {"127.0.0.01", true},      {"127.0.0.1\t", false}, // blanks only, no other white space
        {"\t127.0.0.1", false},    {"127.0.0.1\n", false},
        {"127.0.0.1\r", false},    {"127.0.0.1\xC2\xA0", false}, // no-break space
        {"127.0.0.0001", false},                                 // a fourth digit
        {"0127.0.0.1", false},     {"127.0.0.1.9", false},       // exactly four parts
        {"127.0.0.1.", false},     {"127.0.0", false},
        {"127..0.1", false},       {"127.0.0.256", false},
        {"127.0.0.1a", false},     {"127.0.0.+1", false},
        {"127.0.0.1:3001", false}, {"0x7f.0.0.1", false},
        {"localhost", false},      {"", false},
    };
    return table;
}

// A TCP listener on 127.0.0.1 that tells whether someone connected.
class Listener {
public:
    Listener()
    {
        mFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (mFd < 0 || ::bind(mFd, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(mFd, 8) != 0 ||
            ::getsockname(mFd, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            throw std::runtime_error("no listening socket");
        mPort = ntohs(address.sin_port);
    }
    ~Listener() { ::close(mFd); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    std::uint16_t Port() const { return mPort; }

    // Takes a connection that has arrived, waiting at most `waitMs` for one; false when none came.
    bool TakeConnection(int waitMs)
    {
        pollfd ready{mFd, POLLIN, 0};
        if (::poll(&ready, 1, waitMs) != 1)
            return false;
        const int connection = ::accept4(mFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            return false;
        ::close(connection);
        return true;
    }

private:
    int mFd = -1;
    std::uint16_t mPort = 0;
};

// Long enough for a loopback connection that was made; a refused address is never waited for.
constexpr int kConnectionWaitMs = 5000;

} // namespace

TEST(AddressRuleTest, TheFactoryAcceptsExactlyWhatZelInitWsockDials)
{
    Listener listener;
    for (const auto& row : Table()) {
        SCOPED_TRACE("address \"" + row.Text + "\"");

        // The communication library: accepted and connected, or refused with the address error.
        try {
            auto channel = ChannelFactory().CreateEthernetChannel(row.Text, listener.Port());
            EXPECT_TRUE(row.Accepted) << "the factory accepted it";
            channel->Connect();
            EXPECT_TRUE(channel->IsConnected()) << "accepted but not connected";
            EXPECT_TRUE(listener.TakeConnection(kConnectionWaitMs)) << "accepted but not dialled";
            channel->Disconnect();
        } catch (const zel::Error& e) {
            EXPECT_FALSE(row.Accepted) << "the factory refused it";
            EXPECT_EQ(e.Number(), -2147221504);
            EXPECT_EQ(e.Source(), "Zel.EthernetConnection");
            EXPECT_EQ(e.Description(), "Invalid IP Address or Format");
        }
        EXPECT_FALSE(listener.TakeConnection(0)) << "a connection the factory did not account for";

        // The clock library on its own: dials, or refuses without dialling.
        ASSERT_EQ(ZEL_VENDOR_CALL(zelStartupWsock), 0);
        const std::int32_t handle = ZEL_VENDOR_CALL(zelInitWsock, row.Text.c_str(), listener.Port());
        if (row.Accepted) {
            EXPECT_NE(handle, 0) << "zelInitWsock did not dial it";
            EXPECT_TRUE(listener.TakeConnection(kConnectionWaitMs)) << "zelInitWsock gave a handle but did not dial";
        } else {
            EXPECT_EQ(handle, 0) << "zelInitWsock dialled it";
            EXPECT_FALSE(listener.TakeConnection(0)) << "zelInitWsock refused it but dialled";
        }
        if (handle != 0) {
            EXPECT_EQ(ZEL_VENDOR_CALL(zelCloseWsock, handle), 0);
        }
        EXPECT_EQ(ZEL_VENDOR_CALL(zelCleanupWsock), 0);
    }
}
