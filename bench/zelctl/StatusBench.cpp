// Timing driver: run it from the build folder's bin/ (it finds libzeldll32.so beside itself).
//
//   bench_zelctl [bit-rate]      default 9600; 0 runs unthrottled
//
// `zelctl status --all` on a site of 20 clocks (base model), two on each of 10 emulated lines.
// The wire bound is the time the exchanges take on the line at the bit rate (10 bits a byte):
// per clock the reader lookup (a Status poll and GetReaderInfo) and the time read (a Status poll
// selecting the clock, then GetTime). Lines one after another add up; lines in parallel cost
// one line's share.
#include "BenchSupport.h"
#include "EmulatedLines.h"

#include <cstdio>
#include <cstdlib>
#include <string>

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

    zel::bench::EmulatedLines lines(kLines, kClocksPerLine, bitRate, site);
    const auto run = lines.Zelctl({"--site", site, "--format", "json", "status", "--all"});
    const int status = run.Status;
    const double seconds = run.Seconds;
    const std::uint64_t frames = run.Frames;
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
        std::fprintf(stderr, "%s", run.Err.c_str());
    return status == 0 ? 0 : 1;
}
