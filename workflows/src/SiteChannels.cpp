#include "zel/workflows/SiteChannels.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/DirChnlDescription.h"
#include "zel/data/EthChnlDescription.h"
#include "zel/support/ChannelFactory.h"


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
    if (auto ethernet = std::dynamic_pointer_cast<zel::data::EthChnlDescription>(description))
        return zel::support::ChannelFactory::EthernetLine(ethernet->IPAddress(), ethernet->IPPort());
    if (auto direct = std::dynamic_pointer_cast<zel::data::DirChnlDescription>(description))
        return zel::support::ChannelFactory::DirectLine(direct->ComPort());
    return {};
}

} // namespace zel::workflows
