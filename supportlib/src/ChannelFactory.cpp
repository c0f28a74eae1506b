#include "zel/support/ChannelFactory.h"

#include "zel/support/DirectConnector.h"
#include "zel/support/EthernetConnector.h"

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

} // namespace zel::support
