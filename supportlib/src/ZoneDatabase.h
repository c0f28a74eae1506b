#pragma once

#include "zel/DateTime.h"

#include <date/tz.h>

#include <chrono>

#include <string>

namespace zel::support::detail {

// The zone of the system's time zone database named `name`; a name it does not hold raises
// number 5, source "ZelClock": "The time zone 'X' is not in this machine's time zone database."
const date::time_zone* LocateZone(const std::string& name);

// The wall-clock time at `instant` for a UTC offset.
zel::DateTime WallTime(date::sys_seconds instant, std::chrono::seconds offset);

} // namespace zel::support::detail
