#include "zel/workflows/SiteChannels.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/DirChnlDescription.h"
#include "zel/data/EthChnlDescription.h"
#include "zel/link/Ipv4Address.h"
#include "zel/link/SerialTransport.h"
#include "zel/support/ChannelFactory.h"

#include <filesystem>
#include <system_error>

namespace zel::workflows {

std::shared_ptr<zel::support::Channel> CreateChannelForDescription(std::int32_t channelDescriptionID)
{
    auto channels = zel::data::DataSource().GetChannelDescriptionList();
    return CreateChannelForDescription(channels->GetByDatabaseID(channelDescriptionID));
}

std::shared_ptr<zel::support::Channel>
CreateChannelForDescription(const std::shared_ptr<zel::data::IChannelDescription>& description)
{
    zel::support::ChannelFactory factory;
    if (auto ethernet = std::dynamic_pointer_cast<zel::data::EthChnlDescription>(description))
        return factory.CreateEthernetChannel(ethernet->IPAddress(), ethernet->IPPort());
    if (auto direct = std::dynamic_pointer_cast<zel::data::DirChnlDescription>(description))
        return factory.CreateDirectChannel(direct->ComPort(), direct->BitRate());
    return nullptr; // a modem description, or none
}

std::string LineOfDescription(const std::shared_ptr<zel::data::IChannelDescription>& description)
{
    if (auto ethernet = std::dynamic_pointer_cast<zel::data::EthChnlDescription>(description)) {
        const auto address = zel::link::Ipv4Address::Parse(ethernet->IPAddress());
        const std::string host = address ? address->ToString() : ethernet->IPAddress();
        return "tcp " + host + ":" + std::to_string(ethernet->IPPort());
    }
    if (auto direct = std::dynamic_pointer_cast<zel::data::DirChnlDescription>(description)) {
        const std::string device = zel::link::SerialTransport::DeviceForPort(direct->ComPort() - 1);
        std::error_code error;
        const auto real = std::filesystem::weakly_canonical(device, error);
        return "serial " + (error ? device : real.string());
    }
    return {};
}

} // namespace zel::workflows
