#include "zel/workflows/ChannelGroups.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescription.h"
#include "zel/support/MessagePump.h"
#include "zel/workflows/CommandReport.h"
#include "zel/workflows/SiteChannels.h"

#include <chrono>

#include <exception>
#include <unordered_map>
#include <unordered_set>

namespace zel::workflows {

LineOf SiteLines()
{
    return [](std::int32_t channelID) -> std::string {
        try {
            return LineOfDescription(zel::data::DataSource().GetChannelDescriptionList()->GetByDatabaseID(channelID));
        } catch (const std::exception&) {
            return {}; // told as a clock without a channel when its channel is made
        }
    };
}

std::vector<ChannelGroup> GroupByChannel(const std::vector<std::shared_ptr<zel::data::ReaderDescription>>& clocks,
                                         const LineOf& lineOf)
{
    std::vector<ChannelGroup> groups;
    std::unordered_map<std::int32_t, std::size_t> groupOfChannel;
    std::unordered_map<std::string, std::size_t> groupOfLine;
    std::unordered_set<std::int32_t> taken;
    for (const auto& clock : clocks) {
        if (!clock || !taken.insert(clock->DatabaseID()).second)
            continue;
        const std::int32_t channelID = clock->ChannelDescriptionID();
        auto known = groupOfChannel.find(channelID);
        if (known == groupOfChannel.end()) {
            std::size_t group = groups.size();
            const std::string line = lineOf ? lineOf(channelID) : std::string();
            if (!line.empty())
                group = groupOfLine.try_emplace(line, groups.size()).first->second;
            if (group == groups.size())
                groups.push_back({channelID, {}});
            known = groupOfChannel.emplace(channelID, group).first;
        }
        groups[known->second].Clocks.push_back(clock);
    }
    return groups;
}

std::unordered_map<std::int32_t, std::int32_t> GroupChannelIDs(const std::vector<ChannelGroup>& groups)
{
    std::unordered_map<std::int32_t, std::int32_t> ids;
    for (const auto& group : groups)
        for (const auto& clock : group.Clocks)
            ids[clock->DatabaseID()] = group.ChannelID;
    return ids;
}

ChannelMaker DefaultChannelMaker()
{
    return [](std::int32_t channelID) { return CreateChannelForDescription(channelID); };
}

ChannelMaker DryRunChannelMaker()
{
    return [](std::int32_t channelID) { return CreateChannelForDescription(channelID, PendingErasures::Leave); };
}

GroupChannels MakeGroupChannels(const std::vector<ChannelGroup>& groups, const ChannelMaker& maker)
{
    constexpr auto PumpEvery = std::chrono::milliseconds(10);
    GroupChannels made;
    made.Channels.resize(groups.size());
    made.Why.resize(groups.size());
    auto pumped = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < groups.size(); ++i) {
        try {
            made.Channels[i] = maker(groups[i].ChannelID);
            // Told when the channel is missing; one that does not connect says why there (NotConnectedReason).
            if (!made.Channels[i])
                made.Why[i] = NoChannelReason(groups[i].ChannelID);
        } catch (const std::exception& error) {
            made.Channels[i].reset(); // a channel that cannot be made counts as not connected
            made.Why[i] = ReportedErrorText(error);
        }
        if (std::chrono::steady_clock::now() - pumped >= PumpEvery) {
            zel::support::PumpMessages();
            pumped = std::chrono::steady_clock::now();
        }
    }
    return made;
}

} // namespace zel::workflows
