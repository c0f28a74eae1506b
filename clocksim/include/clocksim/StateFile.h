#pragma once

#include "clocksim/ClockSnapshot.h"

#include <string>
#include <vector>

namespace zel::sim {

// The emulator's state file: a small text file, one clock after the other. It is replaced
// atomically (written beside, flushed to disk, renamed over), so a crash leaves the old or the
// new state, never a mixture.
class StateFile {
public:
    // Throws std::runtime_error when the file cannot be written.
    static void Save(const std::string& path, const std::vector<ClockSnapshot>& clocks, bool sync = true);
    // A missing file gives no clocks. Throws std::runtime_error for a file that cannot be read
    // or is not a valid state file (naming the line).
    static std::vector<ClockSnapshot> Load(const std::string& path);

    static std::string ToText(const std::vector<ClockSnapshot>& clocks);
    static std::vector<ClockSnapshot> FromText(const std::string& text); // throws std::runtime_error
};

} // namespace zel::sim
