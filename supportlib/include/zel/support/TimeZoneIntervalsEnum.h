#pragma once

#include <cstdint>
#include <string>

namespace zel::support {

// A time of day in steps of 6 minutes: value n (0..239) is n x 6 minutes after midnight.
enum class TimeZoneIntervalsEnum : std::int32_t {
    Midnight = 0, // "12:00 AM"
    Noon = 120,   // "12:00 PM"
    Last = 239,   // "11:54 PM"
};

inline constexpr int kTimeZoneIntervalCount = 240;

// "12:00 AM", "12:06 AM", "1:00 AM" (10), "12:00 PM" (120) ... "11:54 PM" (239); the number
// for a value outside 0..239.
std::string DisplayName(TimeZoneIntervalsEnum value);

} // namespace zel::support
