#pragma once

#include <cstdint>
#include <string>

namespace zel::support {

// How long a clock shows a display message: value n means n half seconds.
enum class DisplayDurationEnum : std::int32_t {
    Seconds0_5 = 1, // "0.5 - Seconds"
    Seconds1_0 = 2,
    Seconds1_5 = 3,
    Seconds2_0 = 4,
    Seconds2_5 = 5,
    Seconds3_0 = 6, // "3.0 - Seconds", the default
    Seconds3_5 = 7,
    Seconds4_0 = 8,
    Seconds4_5 = 9,
    Seconds5_0 = 10,
    Seconds5_5 = 11,
    Seconds6_0 = 12,
    Seconds6_5 = 13,
    Seconds7_0 = 14,
    Seconds7_5 = 15,
    Seconds8_0 = 16,
    Seconds8_5 = 17,
    Seconds9_0 = 18,
    Seconds9_5 = 19,
    Seconds10_0 = 20, // "10.0 - Seconds"
};

inline constexpr DisplayDurationEnum kDefaultDisplayDuration = DisplayDurationEnum::Seconds3_0;
inline constexpr int kDisplayDurationFirst = 1;
inline constexpr int kDisplayDurationLast = 20;

// "0.5 - Seconds" ... "10.0 - Seconds"; for a value outside 1..20 its number.
std::string DisplayName(DisplayDurationEnum value);

} // namespace zel::support
