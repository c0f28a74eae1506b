#pragma once
// Clocks grouped by the line through which they are reached.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace zel::support {
class Channel;
}
namespace zel::data {
class ReaderDescription;
}

namespace zel::workflows {

// Chosen clocks on one physical line, served through one channel: one after another, because a
// line carries one exchange at a time. Clocks whose channel descriptions name the same line (the
// same serial device, or the same IP address and TCP port) are one group; the group's channel is
// made from the description of its first clock.
struct ChannelGroup {
    std::int32_t ChannelID = 0; // the ChannelDescriptionID of the group's first clock
    std::vector<std::shared_ptr<zel::data::ReaderDescription>> Clocks;
};

// Where the work of one channel group stands, told on the calling thread of a command that runs
// its groups side by side (one line per channel group in a running window).
struct ChannelStep {
    std::int32_t ChannelID = 0;                          // the group's ChannelID
    std::shared_ptr<zel::data::ReaderDescription> Clock; // the clock being worked on
    std::string Text; // "Connecting", "Exporting Ann Smith", "Removing 17", "Done", "not answering", ...
    int Done = 0;     // users done on this clock
    int Total = 0;    // users to do on this clock (0: no count)
};

// The line key of a channel description ID (LineOfDescription); an empty key names no line.
using LineOf = std::function<std::string(std::int32_t channelID)>;
// Line keys from the site database's channel list (read on the calling thread). A description
// the site does not hold, or one that cannot be read, names no line.
LineOf SiteLines();

// Groups clocks by the line their channel description names: groups in the order of their first
// clock, clocks in the order given. Descriptions that name no line (modem, missing) each stay a
// group of their own. A clock given twice (same DatabaseID) is taken once; null entries are
// dropped.
std::vector<ChannelGroup> GroupByChannel(const std::vector<std::shared_ptr<zel::data::ReaderDescription>>& clocks,
                                         const LineOf& lineOf = SiteLines());

// The ChannelID of the group each clock is in, by the clock's DatabaseID.
std::unordered_map<std::int32_t, std::int32_t> GroupChannelIDs(const std::vector<ChannelGroup>& groups);

// Makes the unconnected channel for a channel description ID (nullptr: none exists, as for a
// modem channel). The default is CreateChannelForDescription; tests can count the calls.
using ChannelMaker = std::function<std::shared_ptr<zel::support::Channel>(std::int32_t channelID)>;
ChannelMaker DefaultChannelMaker();
// Makes channels that leave the site's pending erasures for a later command: for dry runs.
ChannelMaker DryRunChannelMaker();

// The unconnected channels of a command's groups, one per group, made on the calling thread (the
// maker reads the site database). A group without a channel (none exists, or making it raised)
// has a null channel and the reason in Why, for its clocks' outcomes.
struct GroupChannels {
    std::vector<std::shared_ptr<zel::support::Channel>> Channels;
    std::vector<std::string> Why;
};
// Runs the message pump between channels now and then: 500 lines take longer than a window may
// wait.
GroupChannels MakeGroupChannels(const std::vector<ChannelGroup>& groups, const ChannelMaker& maker);

} // namespace zel::workflows
