#pragma once

#include <cstdint>
#include <string>

namespace zel::support {

// The days on which a time-zone element applies (bit set).
enum class TimeZoneDaysEnum : std::int32_t {
    Sunday = 1,
    Monday = 2,
    Tuesday = 4,
    Wednesday = 8,
    Thursday = 16,
    Friday = 32,
    Saturday = 64,
    Holiday = 128,
};

constexpr TimeZoneDaysEnum operator|(TimeZoneDaysEnum a, TimeZoneDaysEnum b)
{
    return static_cast<TimeZoneDaysEnum>(static_cast<std::int32_t>(a) | static_cast<std::int32_t>(b));
}
constexpr TimeZoneDaysEnum operator&(TimeZoneDaysEnum a, TimeZoneDaysEnum b)
{
    return static_cast<TimeZoneDaysEnum>(static_cast<std::int32_t>(a) & static_cast<std::int32_t>(b));
}

// "Sunday" ... "Holiday" for a single bit; the names of the set bits joined by ", " otherwise.
std::string DisplayName(TimeZoneDaysEnum value);

} // namespace zel::support
