// Timing driver: run it from the build folder's bin/ (it finds libzeldll32.so beside itself).
//
//   bench_add_users [users] [bit-rate]      defaults 500 9600; bit rate 0 runs unthrottled
//
// Adds users of the site to 10 emulated clocks (base model) on 5 lines, two clocks a line,
// without clearing them: the Export of the Add/Remove Users page and `zelctl users send`. Runs
// it with the lines one after another, then side by side.
//
// The wire bound is the time the exchanges that cannot be left out take on the busiest line
// (10 bits a byte): for each of its clocks the reader lookup and one selection, then one user
// record exchange a user. Lines side by side cost one line's share.
#include "zel/workflows/UserTransmission.h"

#include "BenchSupport.h"
#include "clocksim/Server.h"
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/EthChnlDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"
#include "zel/support/MessagePump.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kLines = 5;
constexpr int kClocksPerLine = 2;
constexpr int kUserRecord = 24;
constexpr int kFrame = 8; // start, reader, command, sequence, length (2), CRC (2)
constexpr int Exchange(int request, int response)
{
    return kFrame + request + kFrame + 1 + response;
}
constexpr int kSelect = Exchange(0, 96);
constexpr int kLookup = Exchange(0, 96) + Exchange(0, 104);

double LineBound(int users, int bitRate)
{
    return kClocksPerLine * (kLookup + kSelect + users * Exchange(kUserRecord, 0)) * 10.0 / bitRate;
}

bool Run(int users, int bitRate, const std::vector<std::unique_ptr<zel::sim::Server>>& lines, std::size_t maxChannels,
         const char* how)
{
    for (const auto& line : lines)
        for (std::uint8_t reader = 1; reader <= kClocksPerLine; ++reader)
            line->Clock(reader).ClearUserDataBase();
    zel::data::DataSource data;
    std::vector<std::shared_ptr<zel::data::ReaderDescription>> clocks;
    for (const auto& clock : *data.GetReaderDescriptionList())
        clocks.push_back(clock);
    const auto chosen = data.GetUserDescriptionList()->Items();

    zel::workflows::UserTransmission transmission;
    transmission.SetMaxChannels(maxChannels);
    // The longest the calling thread (a window's) goes without running its message pump, and
    // without being told progress.
    using Clock = std::chrono::steady_clock;
    auto lastPump = Clock::now();
    Clock::duration longestPump{};
    zel::support::SetMessagePump([&] {
        const auto now = Clock::now();
        longestPump = std::max(longestPump, now - lastPump);
        lastPump = now;
    });
    int steps = 0;
    transmission.SetProgress([&](const zel::workflows::ChannelStep&) { ++steps; });
    const auto start = Clock::now();
    lastPump = start;
    const auto results = transmission.Send(clocks, chosen);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    zel::support::SetMessagePump({});
    bool ok = zel::workflows::AllDone(results);
    for (const auto& line : lines)
        for (std::uint8_t reader = 1; reader <= kClocksPerLine; ++reader)
            ok = ok && line->Clock(reader).UserCount() == static_cast<std::size_t>(users);
    std::printf("  %-28s measured %8.2f s", how, seconds);
    if (bitRate > 0) {
        const double bound = LineBound(users, bitRate) * (maxChannels == 1 ? kLines : 1);
        std::printf("   wire bound %8.2f s   measured / bound = %.2f", bound, seconds / bound);
    }
    std::printf("%s\n", ok ? "" : "   (NOT every clock holds every user)");
    std::printf("  %-28s longest pause of the message pump %.1f ms (goal under 100 ms), %d progress steps\n", "",
                std::chrono::duration<double, std::milli>(longestPump).count(), steps);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    const int users = argc > 1 ? std::atoi(argv[1]) : 500;
    const int bitRate = argc > 2 ? std::atoi(argv[2]) : 9600;
    if (users < 1 || users > 2560 || bitRate < 0) {
        std::fprintf(stderr, "usage: bench_add_users [users 1..2560] [bit-rate, 0 unthrottled]\n");
        return 2;
    }
    zel::bench::UseClockLibraryBesideProgram();
    const zel::bench::BenchFolder folder("bench-add-users");
    const std::string file = folder.SitePath();
    zel::data::DataSource::CreateDatabase(file);
    zel::data::DataSource site;
    site.OpenDatabase(file);

    std::vector<std::unique_ptr<zel::sim::Server>> lines;
    auto channels = site.GetChannelDescriptionList();
    auto clocks = site.GetReaderDescriptionList();
    for (int line = 0; line < kLines; ++line) {
        zel::sim::ServerOptions options;
        options.Faults.BitRate = bitRate;
        auto server = std::make_unique<zel::sim::Server>(options);
        for (std::uint8_t reader = 1; reader <= kClocksPerLine; ++reader)
            server->AddClock(reader, zel::sim::ClockModel::Base);
        server->Start();
        auto channel = std::dynamic_pointer_cast<zel::data::EthChnlDescription>(
            channels->Add(zel::data::EthernetChannel, "Line " + std::to_string(line + 1)));
        channel->SetIPAddress("127.0.0.1");
        channel->SetIPPort(server->Port());
        channels->Save();
        for (std::uint8_t reader = 1; reader <= kClocksPerLine; ++reader)
            clocks->Add(reader, "Clock " + std::to_string(line + 1) + "." + std::to_string(reader),
                        channels->Item("Line " + std::to_string(line + 1)));
        lines.push_back(std::move(server));
    }
    clocks->Save();
    auto list = site.GetUserDescriptionList();
    for (int i = 0; i < users; ++i) {
        auto user = list->Add(std::to_string(200000 + i), "User " + std::to_string(i));
        std::vector<std::uint8_t> hand(9);
        for (std::size_t b = 0; b < hand.size(); ++b)
            hand[b] = static_cast<std::uint8_t>(i + b);
        user->SetTemplate(hand);
        user->SetEnrolled(true);
    }
    list->Save();

    std::printf("Add %d users to %d clocks on %d lines, %d clocks a line, without clear (%s)\n", users,
                kLines * kClocksPerLine, kLines, kClocksPerLine,
                bitRate ? (std::to_string(bitRate) + " bit/s").c_str() : "unthrottled");
    bool ok = Run(users, bitRate, lines, 1, "lines one after another");
    ok = Run(users, bitRate, lines, zel::workflows::ParallelGroups::DefaultMaxChannels, "lines side by side") && ok;
    if (bitRate > 0)
        std::printf("  goal: side by side within 1.3 times the busiest line's wire time\n");
    site.CloseDatabase();
    return ok ? 0 : 1;
}
