// Timing driver: run it from the build folder's bin/ (it finds libzeldll32.so beside itself).
//
//   bench_clock_time [bit-rate]      default 9600; 0 runs unthrottled
//
// `zelctl time set --all --max-drift 30` and `zelctl settings get --all` on a site of 200 clocks
// (base model), two on each of 100 emulated lines; one clock of each line runs 120 s ahead, so
// time set reads every clock and sets half of them. Each figure is set against the busiest
// line's wire time: the bytes that line carried during the command (requests and answers, as
// the emulator counts them) at the bit rate, 10 bits a byte. Lines work side by side, so that is
// the least the command can take; the goal is a ratio of at most 1.3.
#include "BenchSupport.h"
#include "EmulatedLines.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kLines = 100;
constexpr int kClocksPerLine = 2;
constexpr double kGoal = 1.3;

void Report(const char* what, const zel::bench::EmulatedLines::Run& run, int bitRate)
{
    std::printf("%-40s exit %d, %6llu exchanges, %8.3f s", what, run.Status,
                static_cast<unsigned long long>(run.Frames), run.Seconds);
    if (bitRate > 0) {
        const double wire = run.WireSeconds(bitRate);
        std::printf("; busiest line %6llu bytes = %7.3f s on the wire; measured / wire = %.2f (goal <= %.1f)",
                    static_cast<unsigned long long>(run.BusiestLineBytes), wire, run.Seconds / wire, kGoal);
    }
    std::printf("\n");
    if (run.Status != 0)
        std::fprintf(stderr, "%s", run.Err.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    const int bitRate = argc > 1 ? std::atoi(argv[1]) : 9600;
    zel::bench::UseClockLibraryBesideProgram();
    const zel::bench::BenchFolder folder("bench-clock-time");
    const std::string site = folder.SitePath();

    zel::bench::EmulatedLines lines(kLines, kClocksPerLine, bitRate, site);
    zel::sim::ClockTimeOptions ahead;
    ahead.OffsetSeconds = 120;
    for (auto& line : lines.Lines())
        line->Clock(1).SetTimeOptions(ahead);

    std::printf("%d clocks on %d lines, %s\n", kLines * kClocksPerLine, kLines,
                bitRate ? (std::to_string(bitRate) + " bit/s").c_str() : "unthrottled");
    const auto timeSet =
        lines.Zelctl({"--site", site, "--format", "json", "time", "set", "--all", "--max-drift", "30"});
    Report("time set --all --max-drift 30", timeSet, bitRate);
    const auto settings = lines.Zelctl({"--site", site, "--format", "json", "settings", "get", "--all"});
    Report("settings get --all", settings, bitRate);
    return timeSet.Status == 0 && settings.Status == 0 ? 0 : 1;
}
