#pragma once

#include "zel/support/IConnector.h"

#include <string>

namespace zel::support {

// A TCP link. Made by ChannelFactory::CreateEthernetChannel. Creating the object starts the
// socket layer (zelStartupWsock); releasing it cleans it up (zelCleanupWsock).
class EthernetConnector : public IConnector {
public:
    EthernetConnector();
    ~EthernetConnector() override;
    EthernetConnector(const EthernetConnector&) = delete;
    EthernetConnector& operator=(const EthernetConnector&) = delete;

    // Checks the address (ValidateIPAddress) before it keeps address and port.
    void Init(const std::string& ipAddress, std::int32_t ipPort);

    const std::string& IPAddress() const { return mIPAddress; }
    std::int32_t IPPort() const { return mIPPort; }
    bool SocketsReady() const { return mSocketsReady; }

    // 0 when the socket layer is not ready; else zelInitWsock(address, port).
    std::int32_t Connect() override;
    // zelCloseWsock(h) when h is not 0.
    void Disconnect(std::int32_t channelHandle) override;

    // The text must be exactly four decimal numbers 0..255 separated by "." (1 to 3 digits
    // each, blanks around a number accepted; zel::link::Ipv4Address holds the rule, which the
    // clock library's zelInitWsock shares). Raises -2147221504, source
    // "Zel.EthernetConnection", "Invalid IP Address or Format" otherwise.
    static void ValidateIPAddress(const std::string& text);

private:
    std::string mIPAddress;
    std::int32_t mIPPort = 0;
    std::int32_t mChannelHandle = 0;
    bool mSocketsReady = false;
};

} // namespace zel::support
