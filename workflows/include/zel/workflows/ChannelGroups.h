#pragma once
// Clocks grouped by the channel through which they are reached.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace zel::support {
class Channel;
}
namespace zel::data {
class ReaderDescription;
}

namespace zel::workflows {

// Chosen clocks that share one channel description, served through one channel.
struct ChannelGroup {
    std::int32_t ChannelID = 0; // the clocks' ChannelDescriptionID
    std::vector<std::shared_ptr<zel::data::ReaderDescription>> Clocks;
};

// Groups clocks by ChannelDescriptionID: groups in the order of their first clock, clocks in
// the order given. A clock given twice (same DatabaseID) is taken once; null entries are dropped.
std::vector<ChannelGroup> GroupByChannel(const std::vector<std::shared_ptr<zel::data::ReaderDescription>>& clocks);

// Makes the unconnected channel for a channel description ID (nullptr: none exists, as for a
// modem channel). The default is CreateChannelForDescription; tests can count the calls.
using ChannelMaker = std::function<std::shared_ptr<zel::support::Channel>(std::int32_t channelID)>;
ChannelMaker DefaultChannelMaker();

} // namespace zel::workflows
