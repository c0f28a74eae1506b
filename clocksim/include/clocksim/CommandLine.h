#pragma once

#include "clocksim/ClockTypes.h"
#include "clocksim/Server.h"

#include <string>
#include <utility>
#include <vector>

namespace zel::sim {

// The command line of zelclockd.
struct CommandLine {
    ServerOptions Options;
    std::vector<std::pair<std::uint8_t, ClockModel>> Clocks;
    int StartEvents = 0;   // --events: punches logged at start on each clock whose log is empty
    std::size_t Lines = 1; // --tcp ADDRESS:FIRST-LAST: one line per port, each with its own clocks
    bool Quiet = false;
    bool Help = false;

    // Throws std::invalid_argument with a message for the user.
    static CommandLine Parse(const std::vector<std::string>& args);
    static std::string HelpText();
    // "base", "vt9" (also "newer", "1", "2"); throws std::invalid_argument.
    static ClockModel ParseModel(const std::string& text);
};

} // namespace zel::sim
