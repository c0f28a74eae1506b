#include "zel/workflows/SiteChannels.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/DirChnlDescription.h"
#include "zel/data/EthChnlDescription.h"
#include "zel/support/ChannelFactory.h"
#include "zel/workflows/ErasureFinisher.h"

namespace zel::workflows {

std::shared_ptr<zel::support::Channel> CreateChannelForDescription(std::int32_t channelDescriptionID,
                                                                   PendingErasures erasures)
{
    auto channels = zel::data::DataSource().GetChannelDescriptionList();
    return CreateChannelForDescription(channels->GetByDatabaseID(channelDescriptionID), erasures);
}

std::shared_ptr<zel::support::Channel>
CreateChannelForDescription(const std::shared_ptr<zel::data::IChannelDescription>& description,
                            PendingErasures erasures)
{
    zel::support::ChannelFactory factory;
    std::shared_ptr<zel::support::Channel> channel;
    if (auto ethernet = std::dynamic_pointer_cast<zel::data::EthChnlDescription>(description))
        channel = factory.CreateEthernetChannel(ethernet->IPAddress(), ethernet->IPPort());
    else if (auto direct = std::dynamic_pointer_cast<zel::data::DirChnlDescription>(description))
        channel = factory.CreateDirectChannel(direct->ComPort(), direct->BitRate());
    else
        return nullptr; // a modem description, or none
    if (channel && erasures == PendingErasures::Finish)
        if (auto finisher = ErasureFinisher::ForLine(LineOfDescription(description)))
            finisher->Attach(*channel);
    return channel;
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
