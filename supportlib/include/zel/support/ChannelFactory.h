#pragma once

#include "zel/support/Channel.h"

#include <cstdint>
#include <memory>
#include <string>

namespace zel::support {

// The entry point for channels: builds an unconnected Channel with the right connector.
class ChannelFactory {
public:
    // Raises -2147221504, source "Zel.EthernetConnection", "Invalid IP Address or Format"
    // for an address that zelInitWsock would not dial (EthernetConnector::ValidateIPAddress):
    // an accepted address is always dialled when the channel connects.
    std::shared_ptr<Channel> CreateEthernetChannel(const std::string& ipAddress, std::int32_t ipPort = 3001);
    // commPort is 1-based (COM1 = 1).
    std::shared_ptr<Channel> CreateDirectChannel(std::int32_t commPort, std::int32_t bitRate = 9600);

    // The physical line such a channel reaches, the same text for every way of writing it:
    // "tcp 10.0.0.1:3001" (so "010.0.0.1" is the same line), "serial /dev/ttyS1" (the device the
    // port opens, links followed). Channels with the same line must not be open at once.
    static std::string EthernetLine(const std::string& ipAddress, std::int32_t ipPort);
    static std::string DirectLine(std::int32_t commPort);
};

} // namespace zel::support
