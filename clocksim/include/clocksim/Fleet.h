#pragma once
// Many links in one emulator process: a fleet of clocks for tests, demos and training.

#include "clocksim/ClockTypes.h"
#include "clocksim/Server.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zel::sim {

// Lines side by side, each a Server of its own (its own TCP port, its own clocks, its own state
// file), made from one set of options: line k listens on the first port + k (every line on an
// ephemeral port when the first port is 0) and plays the same reader IDs and models as every other
// line. With a state file, line k keeps its clocks in StateFileOf(file, port), so a line restarted
// alone finds its own clocks and a damaged file spoils one line only.
//
// Holds the servers. How it fails: Start raises std::runtime_error naming the first line that could
// not start (port in use, state file damaged); the lines started before it are stopped again.
class Fleet {
public:
    Fleet(ServerOptions options, std::size_t lines, std::vector<std::pair<std::uint8_t, ClockModel>> clocks);
    ~Fleet();
    Fleet(const Fleet&) = delete;
    Fleet& operator=(const Fleet&) = delete;

    void Start();
    void Stop();

    std::size_t Lines() const { return mServers.size(); }
    Server& Line(std::size_t index) { return *mServers.at(index); }

    // "clocks.state" for port 4000 is "clocks.state.4000".
    static std::string StateFileOf(const std::string& file, std::uint16_t port);

private:
    ServerOptions mOptions;
    std::size_t mLines;
    std::vector<std::pair<std::uint8_t, ClockModel>> mClocks;
    std::vector<std::unique_ptr<Server>> mServers;
};

} // namespace zel::sim
