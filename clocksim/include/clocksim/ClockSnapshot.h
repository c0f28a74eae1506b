#pragma once

#include "clocksim/ClockTypes.h"
#include "clocksim/ClockUser.h"

#include <cstdint>
#include <vector>

namespace zel::sim {

// Everything a clock keeps across a restart of the emulator.
struct ClockSnapshot {
    std::uint8_t ReaderId = 0;
    ClockModel Model = ClockModel::Base;
    std::vector<ClockUser> Users; // in the order of the data banks
    SetupRecord Setup{};
    std::array<std::uint8_t, FkeyDataSize> MenuProgram{};
    // The clock's own time: it showed TimeBaseSeconds (seconds since 0001-01-01) at host time
    // TimeBaseHostMs (ms since 1970-01-01 UTC) and runs on from there.
    std::int64_t TimeBaseSeconds = 0;
    std::int64_t TimeBaseHostMs = 0;
    std::vector<DataLogRecord> Events; // oldest first
    std::uint64_t LogEndSeq = 1;       // sequence number after the newest event
    std::uint64_t LogPosition = 0;     // sequence number of the event read last
    std::uint32_t NextPerson = 1;      // the next person who comes to enroll
};

} // namespace zel::sim
