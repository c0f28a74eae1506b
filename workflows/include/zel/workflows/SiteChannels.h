#pragma once
// From a stored channel description to a runtime channel.
#include <cstdint>
#include <memory>
#include <string>

namespace zel::support {
class Channel;
}
namespace zel::data {
class IChannelDescription;
}

namespace zel::workflows {

// Whether a channel made for the site finishes the pending erasures of the clocks it reaches
// (ErasureFinisher): every command does, a dry run (which writes nothing) does not.
enum class PendingErasures { Finish, Leave };

// The unconnected channel for the stored channel description with this database ID: an Ethernet
// description gives an Ethernet channel (IPAddress, IPPort), a direct one a serial channel
// (ComPort, BitRate). A modem description, or an ID that the site database's channel list does
// not hold, gives nullptr: no runtime channel exists for them. The caller connects the channel.
// Errors of the channel factory (a stored address that is not a valid dotted address) pass through.
// The channel finishes the site's pending erasures of the clocks it reaches, unless told to leave them.
std::shared_ptr<zel::support::Channel> CreateChannelForDescription(std::int32_t channelDescriptionID,
                                                                   PendingErasures erasures = PendingErasures::Finish);
// The same for a description at hand (nullptr gives nullptr).
std::shared_ptr<zel::support::Channel>
CreateChannelForDescription(const std::shared_ptr<zel::data::IChannelDescription>& description,
                            PendingErasures erasures = PendingErasures::Finish);

// The physical line a channel description names, as a key: two descriptions with the same key
// reach the same wire, and their clocks must be served through one channel, one after another.
// A direct description gives its serial device ("serial /dev/ttyS0": ZEL_COM<n> or /dev/ttyS<n-1>,
// symbolic links followed), an Ethernet one its address and port ("tcp 10.0.0.1:3001", the address
// written canonically, so "010.000.000.001" is the same line). A description that names no line
// (modem, nullptr) gives an empty key.
std::string LineOfDescription(const std::shared_ptr<zel::data::IChannelDescription>& description);

} // namespace zel::workflows
