#pragma once
// Clocks grouped by the channel through which they are reached.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
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

// Where the work of one channel group stands, told on the calling thread of a command that runs
// its groups side by side (one line per channel in a running window).
struct ChannelStep {
    std::int32_t ChannelID = 0;                          // the group's ChannelDescriptionID
    std::shared_ptr<zel::data::ReaderDescription> Clock; // the clock being worked on
    std::string Text; // "Connecting", "Exporting Ann Smith", "Removing 17", "Done", "not answering", ...
    int Done = 0;     // users done on this clock
    int Total = 0;    // users to do on this clock (0: no count)
};

// Groups clocks by ChannelDescriptionID: groups in the order of their first clock, clocks in
// the order given. A clock given twice (same DatabaseID) is taken once; null entries are dropped.
std::vector<ChannelGroup> GroupByChannel(const std::vector<std::shared_ptr<zel::data::ReaderDescription>>& clocks);

// Makes the unconnected channel for a channel description ID (nullptr: none exists, as for a
// modem channel). The default is CreateChannelForDescription; tests can count the calls.
using ChannelMaker = std::function<std::shared_ptr<zel::support::Channel>(std::int32_t channelID)>;
ChannelMaker DefaultChannelMaker();

} // namespace zel::workflows
