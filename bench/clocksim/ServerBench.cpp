// Goal: a full base clock (2560 users sent one by one over TCP) well under a second, also with a
// state file that is flushed to disk (bursts of changes share one write).
#include "clocksim/Server.h"

#include "zel/link/Requester.h"
#include "zel/link/TcpTransport.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

namespace {

using namespace zel::sim;
using namespace std::chrono_literals;

void FillBaseClock(benchmark::State& state)
{
    const bool withState = state.range(0) != 0;
    const std::string path =
        (std::filesystem::temp_directory_path() / ("bench-clocksim-" + std::to_string(::getpid()))).string();
    for (auto _ : state) {
        std::filesystem::remove(path);
        ServerOptions options;
        if (withState)
            options.StateFile = path;
        Server server(options);
        server.AddClock(1);
        server.Start();
        auto transport = zel::link::TcpTransport::Connect("127.0.0.1", server.Port(), zel::link::Clock::now() + 5s);
        zel::link::Requester requester(*transport);
        for (int n = 1; n <= 2560; ++n) {
            ClockUser user;
            user.Id = *UserIdFromText(std::to_string(n));
            const auto record = user.ToRecord();
            if (requester.Exchange(1, zel::link::Command::PutUserRecord, record, {}) != 0)
                state.SkipWithError("a user was refused");
        }
        server.Stop();
    }
    std::filesystem::remove(path);
}

} // namespace

BENCHMARK(FillBaseClock)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
