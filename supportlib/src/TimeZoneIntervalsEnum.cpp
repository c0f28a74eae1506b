#include "zel/support/TimeZoneIntervalsEnum.h"

#include <cstdio>

namespace zel::support {

std::string DisplayName(TimeZoneIntervalsEnum value)
{
    auto n = static_cast<std::int32_t>(value);
    if (n < 0 || n >= kTimeZoneIntervalCount)
        return std::to_string(n);
    int minutes = n * 6;
    int hour = minutes / 60;
    int hour12 = hour % 12 == 0 ? 12 : hour % 12;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d:%02d %s", hour12, minutes % 60, hour < 12 ? "AM" : "PM");
    return buf;
}

} // namespace zel::support
