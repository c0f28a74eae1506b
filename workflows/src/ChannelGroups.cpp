#include "zel/workflows/ChannelGroups.h"

#include "zel/data/ReaderDescription.h"
#include "zel/workflows/SiteChannels.h"

#include <unordered_map>
#include <unordered_set>

namespace zel::workflows {

std::vector<ChannelGroup> GroupByChannel(const std::vector<std::shared_ptr<zel::data::ReaderDescription>>& clocks)
{
    std::vector<ChannelGroup> groups;
    std::unordered_map<std::int32_t, std::size_t> groupOf;
    std::unordered_set<std::int32_t> taken;
    for (const auto& clock : clocks) {
        if (!clock || !taken.insert(clock->DatabaseID()).second)
            continue;
        auto [it, added] = groupOf.try_emplace(clock->ChannelDescriptionID(), groups.size());
        if (added)
            groups.push_back({clock->ChannelDescriptionID(), {}});
        groups[it->second].Clocks.push_back(clock);
    }
    return groups;
}

ChannelMaker DefaultChannelMaker()
{
    return [](std::int32_t channelID) { return CreateChannelForDescription(channelID); };
}

} // namespace zel::workflows
