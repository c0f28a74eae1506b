#include "zel/support/ChannelFactory.h"

#include "zel/link/Ipv4Address.h"
#include "zel/link/SerialTransport.h"
#include "zel/support/DirectConnector.h"
#include "zel/support/EthernetConnector.h"

#include <filesystem>

namespace zel::support {

std::shared_ptr<Channel> ChannelFactory::CreateEthernetChannel(const std::string& ipAddress, std::int32_t ipPort)
{
    auto connector = std::make_shared<EthernetConnector>();
    connector->Init(ipAddress, ipPort);
    auto channel = std::make_shared<Channel>();
    channel->SetConnector(connector);
    return channel;
}

std::shared_ptr<Channel> ChannelFactory::CreateDirectChannel(std::int32_t commPort, std::int32_t bitRate)
{
    auto connector = std::make_shared<DirectConnector>();
    connector->Init(commPort, bitRate);
    auto channel = std::make_shared<Channel>();
    channel->SetConnector(connector);
    return channel;
}

std::string ChannelFactory::EthernetLine(const std::string& ipAddress, std::int32_t ipPort)
{
    const auto address = zel::link::Ipv4Address::Parse(ipAddress);
    const std::string host = address ? address->ToString() : ipAddress;
    return "tcp " + host + ":" + std::to_string(ipPort);
}

std::string ChannelFactory::DirectLine(std::int32_t commPort)
{
    const std::string device = zel::link::SerialTransport::DeviceForPort(commPort - 1);
    std::error_code error;
    const auto real = std::filesystem::weakly_canonical(device, error);
    return "serial " + (error ? device : real.string());
}

} // namespace zel::support
