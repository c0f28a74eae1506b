#pragma once

#include <cstdint>

namespace zel::data {

// The kinds of channel a clock can be reached through.
enum ChannelTypeEnum : std::int32_t {
    ModemChannel = 0,
    DirectChannel = 1,
    EthernetChannel = 2,
};

} // namespace zel::data
