#include "clocksim/Fleet.h"

#include <stdexcept>

namespace zel::sim {

Fleet::Fleet(ServerOptions options, std::size_t lines, std::vector<std::pair<std::uint8_t, ClockModel>> clocks)
    : mOptions(std::move(options)), mLines(lines == 0 ? 1 : lines), mClocks(std::move(clocks))
{
}

Fleet::~Fleet()
{
    Stop();
}

std::string Fleet::StateFileOf(const std::string& file, std::uint16_t port)
{
    return file + "." + std::to_string(port);
}

void Fleet::Start()
{
    if (mOptions.TcpPort != 0 && mOptions.TcpPort + mLines - 1 > 65535)
        throw std::runtime_error("the ports of " + std::to_string(mLines) + " lines from " +
                                 std::to_string(mOptions.TcpPort) + " run past 65535");
    try {
        for (std::size_t k = 0; k < mLines; ++k) {
            ServerOptions line = mOptions;
            if (mOptions.TcpPort != 0)
                line.TcpPort = static_cast<std::uint16_t>(mOptions.TcpPort + k);
            if (!mOptions.StateFile.empty() && mLines > 1)
                line.StateFile =
                    StateFileOf(mOptions.StateFile, line.TcpPort != 0 ? line.TcpPort : static_cast<std::uint16_t>(k));
            line.Seed = mOptions.Seed + static_cast<std::uint32_t>(k); // each line punches its own users
            if (mOptions.CommandLog && mLines > 1) {
                const std::string prefix = "line " + std::to_string(k) + ": ";
                line.CommandLog = [log = mOptions.CommandLog, prefix](const std::string& text) { log(prefix + text); };
            }
            auto server = std::make_unique<Server>(line);
            for (const auto& [id, model] : mClocks)
                server->AddClock(id, model);
            server->Start();
            if (server->ReaderIds().empty())
                server->AddClock(1, ClockModel::Base);
            mServers.push_back(std::move(server));
        }
    } catch (const std::exception& e) {
        const std::string which = "line " + std::to_string(mServers.size() + 1) + " of " + std::to_string(mLines);
        Stop();
        throw std::runtime_error(which + ": " + e.what());
    }
}

void Fleet::Stop()
{
    for (auto& server : mServers)
        server->Stop();
    mServers.clear();
}

} // namespace zel::sim
