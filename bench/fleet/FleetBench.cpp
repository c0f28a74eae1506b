// Timing driver: run it from the build folder's bin/ (it runs the zelctl beside itself).
//
//   bench_fleet [channels] [clocks-per-channel] [bit-rate] [long-log]
//               defaults 500 2 9600 10000; a long log of 0 leaves that step out
//
// The emulator plays `channels` lines (one Server each, as zelclockd --tcp FIRST-LAST does), each
// with `clocks-per-channel` base clocks, every line throttled to the bit rate; the site names them
// all. zelctl runs as a child process, so its peak memory (max RSS) is its own. Steps:
//   1. zelctl status --all
//   2. zelctl events collect --all, 100 events in each clock's log
//   3. zelctl sync --from <the first clock> --to <every other clock>, 256 users on the first clock
//   4. zelctl events collect of one clock holding `long-log` events, alone on its line
//   5. as the program collects (EventCollector on this thread, 100 new events a clock): the longest
//      time the calling thread went without running its message pump (goal <= 100 ms)
// The wire bound of a step is the busiest line's wire time: the bytes of the exchanges answered on
// it (request and answer frames, 10 bits a byte) at the bit rate. No work can beat it; the goal is
// 1.3 times it. Step 4 also shows the bound of reading the log one element after each selection.
#include "BenchSupport.h"
#include "clocksim/ClockUser.h"
#include "clocksim/Server.h"
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/EthChnlDescription.h"
#include "zel/data/IStore.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/support/MessagePump.h"
#include "zel/workflows/EventCollector.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Lines = std::vector<std::unique_ptr<zel::sim::Server>>;

std::string ClockName(int line, int clock)
{
    char name[48];
    std::snprintf(name, sizeof name, "Line %04d clock %02d", line + 1, clock + 1);
    return name;
}

// Runs zelctl with `args`; returns its exit status, its peak memory in MiB and the seconds taken.
struct Run {
    int Status = -1;
    double PeakMiB = 0;
    double Seconds = 0;
};

Run Zelctl(const std::vector<std::string>& args)
{
    const std::string zelctl = (std::filesystem::canonical("/proc/self/exe").parent_path() / "zelctl").string();
    std::vector<char*> argv;
    std::vector<std::string> all{zelctl};
    all.insert(all.end(), args.begin(), args.end());
    for (auto& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::fflush(stdout); // not written twice by the child
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        // Its output is not the benchmark's (a thousand lines).
        if (std::freopen("/dev/null", "w", stdout) == nullptr)
            std::_Exit(127);
        ::execv(zelctl.c_str(), argv.data());
        std::_Exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    Run run;
    run.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.PeakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return run;
}

std::vector<std::uint64_t> Bytes(const Lines& lines)
{
    std::vector<std::uint64_t> bytes;
    for (const auto& line : lines)
        bytes.push_back(line->BytesExchanged());
    return bytes;
}

// The busiest line's wire time since `before`.
double WireBound(const Lines& lines, const std::vector<std::uint64_t>& before, int bitRate)
{
    std::uint64_t most = 0;
    for (std::size_t i = 0; i < lines.size(); ++i)
        most = std::max<std::uint64_t>(most, lines[i]->BytesExchanged() - before[i]);
    return static_cast<double>(most) * 10.0 / bitRate;
}

void Report(const char* what, const Run& run, double bound)
{
    std::printf("%-44s %8.2f s  bound %8.2f s  ratio %5.2f  (goal <= 1.3)  peak %6.1f MiB  exit %d\n", what,
                run.Seconds, bound, bound > 0 ? run.Seconds / bound : 0.0, run.PeakMiB, run.Status);
}

} // namespace

int main(int argc, char** argv)
{
    const int channels = argc > 1 ? std::atoi(argv[1]) : 500;
    const int perChannel = argc > 2 ? std::atoi(argv[2]) : 2;
    const int bitRate = argc > 3 ? std::atoi(argv[3]) : 9600;
    const int longLog = argc > 4 ? std::atoi(argv[4]) : 10000;
    if (channels < 1 || perChannel < 1 || perChannel > 255 || bitRate < 1 || longLog < 0) {
        std::fprintf(stderr, "usage: bench_fleet [channels] [clocks-per-channel] [bit-rate] [long-log]\n");
        return 2;
    }
    zel::bench::UseClockLibraryBesideProgram();
    // Two sockets a line here (listener and link) and one a line in zelctl: beyond the usual 1024.
    rlimit files{};
    ::getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &files);
    const zel::bench::BenchFolder folder("bench-fleet");
    const std::string site = folder.SitePath();

    Lines lines;
    for (int line = 0; line <= channels; ++line) { // the last one holds the long log
        zel::sim::ServerOptions options;
        options.Faults.BitRate = bitRate;
        auto server = std::make_unique<zel::sim::Server>(options);
        if (line < channels) {
            for (int clock = 0; clock < perChannel; ++clock)
                server->AddClock(static_cast<std::uint8_t>(clock + 1)).LogPastPunches(100);
        } else if (longLog > 0) {
            server->AddClock(1).LogPastPunches(longLog);
        }
        server->Start();
        lines.push_back(std::move(server));
    }
    // 256 users on the first clock.
    for (int u = 0; u < 256; ++u) {
        zel::sim::ClockUser user;
        user.Id = *zel::sim::UserIdFromText(std::to_string(5000 + u));
        user.Hand.fill(static_cast<std::uint8_t>(u));
        lines[0]->Clock(1).PutUser(user);
    }
    std::thread([&] {
        zel::data::DataSource::CreateDatabase(site);
        zel::data::DataSource data;
        data.OpenDatabase(site);
        auto list = data.GetChannelDescriptionList();
        auto clocks = data.GetReaderDescriptionList();
        data.GetConnection()->Transact([&] {
            for (int line = 0; line <= channels; ++line) {
                auto channel = list->Add(zel::data::EthernetChannel, "Line " + std::to_string(line + 1));
                auto ethernet = std::dynamic_pointer_cast<zel::data::EthChnlDescription>(channel);
                ethernet->SetIPAddress("127.0.0.1");
                ethernet->SetIPPort(lines[static_cast<std::size_t>(line)]->Port());
            }
            list->Save();
            for (int line = 0; line < channels; ++line)
                for (int clock = 0; clock < perChannel; ++clock)
                    clocks->Add(static_cast<std::uint8_t>(clock + 1), ClockName(line, clock),
                                list->Item("Line " + std::to_string(line + 1)));
            if (longLog > 0)
                clocks->Add(1, "Long log", list->Item("Line " + std::to_string(channels + 1)));
            clocks->Save();
        });
        data.CloseDatabase();
    }).join();

    std::vector<std::string> fleet;
    for (int line = 0; line < channels; ++line)
        for (int clock = 0; clock < perChannel; ++clock)
            fleet.push_back(ClockName(line, clock));
    std::printf("Fleet: %d clocks on %d channels at %d bit/s (zelctl in a child process)\n", channels * perChannel,
                channels, bitRate);

    auto step = [&](const char* what, std::vector<std::string> args) {
        const auto before = Bytes(lines);
        std::vector<std::string> all{"--site", site};
        all.insert(all.end(), args.begin(), args.end());
        const Run run = Zelctl(all);
        Report(what, run, WireBound(lines, before, bitRate));
        return run;
    };
    std::vector<std::string> status{"status"};
    std::vector<std::string> collect{"events", "collect"};
    status.insert(status.end(), fleet.begin(), fleet.end());
    collect.insert(collect.end(), fleet.begin(), fleet.end());
    bool ok = step("status (every fleet clock)", status).Status == 0;
    ok = step("events collect (100 events a clock)", collect).Status == 0 && ok;
    std::vector<std::string> sync{"sync", "--from", fleet.front(), "--to"};
    sync.insert(sync.end(), fleet.begin() + 1, fleet.end());
    ok = step("sync 256 users to every other clock", sync).Status == 0 && ok;
    if (longLog > 0) {
        const auto before = Bytes(lines);
        const Run run = Zelctl({"--site", site, "events", "collect", "Long log"});
        const double bound = WireBound(lines, before, bitRate);
        Report(("events collect, one clock's " + std::to_string(longLog) + "-event log").c_str(), run, bound);
        const double oneByOne = longLog * 46.0 * 10.0 / bitRate; // a 46-byte exchange an element
        std::printf("%-44s %8.2f s  (measured / that = %.2f)\n", "  bound of reading element by element", oneByOne,
                    run.Seconds / oneByOne);
        ok = run.Status == 0 && ok;
    }
    // 5. The program's way: the collector on the thread that runs the window.
    for (int line = 0; line < channels; ++line)
        for (int clock = 0; clock < perChannel; ++clock)
            for (int i = 0; i < 100; ++i) { // punches now, of users no earlier punch named
                const auto id = *zel::sim::UserIdFromText(std::to_string(900000 + i));
                lines[static_cast<std::size_t>(line)]->Clock(static_cast<std::uint8_t>(clock + 1)).LogEvent(7, &id);
            }
    std::thread([&] {
        zel::data::DataSource data;
        data.OpenDatabase(site);
        std::vector<std::shared_ptr<zel::data::ReaderDescription>> clocks;
        for (const auto& clock : data.GetReaderDescriptionList()->Items())
            if (clock->Name() != "Long log")
                clocks.push_back(clock);
        auto last = std::chrono::steady_clock::now();
        std::chrono::steady_clock::duration longest{};
        zel::support::SetMessagePump([&] {
            const auto now = std::chrono::steady_clock::now();
            longest = std::max(longest, now - last);
            last = now;
        });
        const auto before = Bytes(lines);
        const auto start = std::chrono::steady_clock::now();
        const auto results = zel::workflows::EventCollector().Run(clocks);
        Run run;
        run.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        run.Status = 0;
        for (const auto& r : results) // 100 punches and what the sync logged
            if (r.Result.Outcome != zel::workflows::ClockOutcome::Done || r.New < 100)
                run.Status = 1;
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        run.PeakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
        Report("events collect in the program's way (+emulator)", run, WireBound(lines, before, bitRate));
        std::printf("%-44s %8.1f ms  (goal <= 100 ms)\n", "  longest time without the message pump",
                    std::chrono::duration<double, std::milli>(longest).count());
        ok = run.Status == 0 && ok;
        zel::support::SetMessagePump({});
        data.CloseDatabase();
    }).join();

    for (auto& line : lines)
        line->Stop();
    return ok ? 0 : 1;
}
