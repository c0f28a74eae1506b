#pragma once

#include <cstdint>
#include <string>

namespace zel::support {

// How a clock shows the time.
enum class TimeDisplayFormatEnum : std::int32_t {
    Hour24 = 0, // "24-Hour"
    Hour12 = 1, // "12-Hour"
};

// "24-Hour" or "12-Hour"; the number for any other value.
std::string DisplayName(TimeDisplayFormatEnum value);

} // namespace zel::support
