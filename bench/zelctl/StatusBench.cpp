// Timing driver: run it from the build folder's bin/ (it finds libzeldll32.so beside itself).
//
//   bench_zelctl [bit-rate]      default 9600; 0 runs unthrottled
//
// `zelctl status --all` on a site of 20 clocks (base model), two on each of 10 emulated lines.
// The wire bound is the time the exchanges take on the line at the bit rate (10 bits a byte):
// per clock the reader lookup (a Status poll and GetReaderInfo) and the time read (a Status poll
// selecting the clock, then GetTime). Lines one after another add up; lines in parallel cost
// one line's share.
#include "Zelctl.h"

#include "BenchSupport.h"
#include "clocksim/Server.h"
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/EthChnlDescription.h"
#include "zel/data/ReaderDescriptionList.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kLines = 10;
constexpr int kClocksPerLine = 2;

// Bytes on the line of one exchange: request frame, response frame (status byte included).
constexpr int kFrame = 8; // start, reader, command, sequence, length (2), CRC (2)
constexpr int Exchange(int request, int response)
{
    return kFrame + request + kFrame + 1 + response;
}
constexpr int kBytesPerClock = Exchange(0, 96) + Exchange(0, 104) + Exchange(0, 96) + Exchange(0, 6);

} // namespace

int main(int argc, char** argv)
{
    const int bitRate = argc > 1 ? std::atoi(argv[1]) : 9600;
    zel::bench::UseClockLibraryBesideProgram();
    const zel::bench::BenchFolder folder("bench-zelctl");
    const std::string site = folder.SitePath();

    std::vector<std::unique_ptr<zel::sim::Server>> lines;
    for (int line = 0; line < kLines; ++line) {
        zel::sim::ServerOptions options;
        options.Faults.BitRate = bitRate;
        auto server = std::make_unique<zel::sim::Server>(options);
        for (int clock = 1; clock <= kClocksPerLine; ++clock)
            server->AddClock(static_cast<std::uint8_t>(clock), zel::sim::ClockModel::Base);
        server->Start();
        lines.push_back(std::move(server));
    }
    std::thread([&] {
        zel::data::DataSource::CreateDatabase(site);
        zel::data::DataSource data;
        data.OpenDatabase(site);
        auto channels = data.GetChannelDescriptionList();
        auto clocks = data.GetReaderDescriptionList();
        for (int line = 0; line < kLines; ++line) {
            auto channel = channels->Add(zel::data::EthernetChannel, "Line " + std::to_string(line + 1));
            auto ethernet = std::dynamic_pointer_cast<zel::data::EthChnlDescription>(channel);
            ethernet->SetIPAddress("127.0.0.1");
            ethernet->SetIPPort(lines[static_cast<std::size_t>(line)]->Port());
            channels->Save();
            for (int clock = 1; clock <= kClocksPerLine; ++clock)
                clocks->Add(static_cast<std::uint8_t>(clock),
                            "Clock " + std::to_string(line + 1) + "." + std::to_string(clock), channel);
        }
        clocks->Save();
    }).join();

    std::string args[] = {"zelctl", "--site", site, "--format", "json", "status", "--all"};
    char* argvZelctl[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(),
                          args[4].data(), args[5].data(), args[6].data()};
    std::ostringstream out, err;
    int status = -1;
    const auto start = std::chrono::steady_clock::now();
    std::thread([&] { status = zel::cli::RunZelctl(7, argvZelctl, out, err); }).join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::uint64_t frames = 0;
    for (const auto& line : lines)
        frames += line->FramesAnswered();
    const int clocks = kLines * kClocksPerLine;
    std::printf("zelctl status --all: %d clocks on %d lines, %s, exit status %d, %llu exchanges answered\n", clocks,
                kLines, bitRate ? (std::to_string(bitRate) + " bit/s").c_str() : "unthrottled", status,
                static_cast<unsigned long long>(frames));
    std::printf("  measured                         %8.3f s\n", seconds);
    if (bitRate > 0) {
        const double perClock = kBytesPerClock * 10.0 / bitRate;
        const double serial = perClock * clocks, parallel = perClock * kClocksPerLine;
        std::printf("  wire bound, lines one by one     %8.3f s   measured / bound = %.2f\n", serial, seconds / serial);
        std::printf("  wire bound, lines in parallel    %8.3f s   measured / bound = %.2f\n", parallel,
                    seconds / parallel);
    }
    if (status != 0)
        std::fprintf(stderr, "%s", err.str().c_str());
    return status == 0 ? 0 : 1;
}
