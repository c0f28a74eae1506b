// Timing driver: run it from the build folder's bin/ (it finds libzeldll32.so beside itself).
//
//   bench_workflows [users] [bit-rate]      defaults 2560 9600; bit rate 0 runs unthrottled
//
// Synchronize, with "Clear Destination Clocks", the users of one source clock (base model) to
// 3 destination clocks on 3 lines, then to 10 destination clocks on 10 lines; the source clock
// has a line of its own. Every clock is an emulated one throttled to the bit rate.
//
// The wire bound is the time the exchanges that cannot be left out take on the line (10 bits a
// byte): the source phase (reader lookup, the selection and the banks the users fill), then the
// busiest destination line (reader lookup, the selection, the user count and the bank its one
// user fills read (a clock is cleared only when none of its users stays), the clear, then the
// users: one record each, or the banks they fill). Lines in parallel cost one line's share.
#include "zel/workflows/Synchronizer.h"

#include "BenchSupport.h"
#include "clocksim/ClockUser.h"
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
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kSlotsPerBank = 256; // base model
constexpr int kBankSize = 4096;
constexpr int kUserRecord = 24;

// Bytes on the line of one exchange: request frame, response frame (status byte included).
constexpr int kFrame = 8; // start, reader, command, sequence, length (2), CRC (2)
constexpr int Exchange(int request, int response)
{
    return kFrame + request + kFrame + 1 + response;
}
constexpr int kSelect = Exchange(0, 96);
constexpr int kLookup = Exchange(0, 96) + Exchange(0, 104);

struct Bound {
    double OneByOne = 0;
    double Banks = 0;
};

Bound WireBound(int users, int bitRate)
{
    const int banks = (users + kSlotsPerBank - 1) / kSlotsPerBank;
    const double source = kLookup + kSelect + banks * Exchange(1, kBankSize);
    const double destination = kLookup + kSelect + Exchange(0, 104) + Exchange(1, kBankSize) + Exchange(0, 0);
    const double seconds = 10.0 / bitRate;
    return {(source + destination + users * Exchange(kUserRecord, 0)) * seconds,
            (source + destination + banks * Exchange(1 + kBankSize, 0)) * seconds};
}

// Adds to the open site a line for each emulator and its clock 1: "<prefix> Source" on the first
// line, "<prefix> Destination n" on the others.
void AddClocks(const std::string& prefix, const std::vector<std::unique_ptr<zel::sim::Server>>& lines)
{
    zel::data::DataSource data;
    auto channels = data.GetChannelDescriptionList();
    auto clocks = data.GetReaderDescriptionList();
    for (std::size_t line = 0; line < lines.size(); ++line) {
        auto channel = channels->Add(zel::data::EthernetChannel, prefix + " line " + std::to_string(line));
        auto ethernet = std::dynamic_pointer_cast<zel::data::EthChnlDescription>(channel);
        ethernet->SetIPAddress("127.0.0.1");
        ethernet->SetIPPort(lines[line]->Port());
        channels->Save();
        clocks->Add(1, prefix + (line == 0 ? std::string(" Source") : " Destination " + std::to_string(line)), channel);
    }
    clocks->Save();
}

bool Run(int users, int bitRate, int destinations)
{
    std::vector<std::unique_ptr<zel::sim::Server>> lines;
    for (int line = 0; line <= destinations; ++line) {
        zel::sim::ServerOptions options;
        options.Faults.BitRate = bitRate;
        auto server = std::make_unique<zel::sim::Server>(options);
        server->AddClock(1, zel::sim::ClockModel::Base);
        server->Start();
        lines.push_back(std::move(server));
    }
    for (int i = 0; i < users; ++i) {
        zel::sim::ClockUser user;
        user.Id = *zel::sim::UserIdFromText(std::to_string(100000 + i));
        for (std::size_t b = 0; b < user.Hand.size(); ++b)
            user.Hand[b] = static_cast<std::uint8_t>(i + b);
        lines[0]->Clock(1).PutUser(user);
    }
    for (int line = 1; line <= destinations; ++line) { // something for the clear to remove
        zel::sim::ClockUser user;
        user.Id = *zel::sim::UserIdFromText("9" + std::to_string(line));
        lines[static_cast<std::size_t>(line)]->Clock(1).PutUser(user);
    }

    const std::string prefix = "To " + std::to_string(destinations);
    AddClocks(prefix, lines);
    auto all = zel::data::DataSource().GetReaderDescriptionList();
    zel::workflows::Synchronizer::ReaderCollection source("Bench"), targets("Bench");
    for (const auto& clock : *all) {
        if (clock->Name() == prefix + " Source")
            source.Add(clock, clock->Name());
        else if (clock->Name().starts_with(prefix + " Destination"))
            targets.Add(clock, clock->Name());
    }

    zel::workflows::Synchronizer sync;
    const auto start = std::chrono::steady_clock::now();
    bool ok = true;
    try {
        sync.Execute(source, targets, true);
    } catch (const std::exception& error) {
        std::printf("synchronization failed: %s\n", error.what());
        ok = false;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::size_t fewest = static_cast<std::size_t>(users), most = 0;
    for (int line = 1; line <= destinations; ++line) {
        const auto held = lines[static_cast<std::size_t>(line)]->Clock(1).UserCount();
        fewest = std::min(fewest, held);
        most = std::max(most, held);
    }
    std::printf("Synchronize %d users, 1 source to %d destinations on %d lines, with clear (%s)\n", users, destinations,
                destinations, bitRate ? (std::to_string(bitRate) + " bit/s").c_str() : "unthrottled");
    std::printf("  destination clocks hold %zu to %zu users\n", fewest, most);
    std::printf("  measured                                %8.2f s\n", seconds);
    if (bitRate > 0) {
        const Bound bound = WireBound(users, bitRate);
        std::printf("  wire bound, users one by one            %8.2f s   measured / bound = %.2f\n", bound.OneByOne,
                    seconds / bound.OneByOne);
        std::printf("  wire bound, users as data banks         %8.2f s   measured / bound = %.2f\n", bound.Banks,
                    seconds / bound.Banks);
    }
    return ok && fewest == static_cast<std::size_t>(users) && most == fewest;
}

} // namespace

int main(int argc, char** argv)
{
    const int users = argc > 1 ? std::atoi(argv[1]) : 2560;
    const int bitRate = argc > 2 ? std::atoi(argv[2]) : 9600;
    if (users < 1 || users > 2560 || bitRate < 0) {
        std::fprintf(stderr, "usage: bench_workflows [users 1..2560] [bit-rate, 0 unthrottled]\n");
        return 2;
    }
    zel::bench::UseClockLibraryBesideProgram();
    const zel::bench::BenchFolder folder("bench-workflows");
    const std::string file = folder.SitePath();
    zel::data::DataSource::CreateDatabase(file);
    zel::data::DataSource site;
    site.OpenDatabase(file);
    bool ok = Run(users, bitRate, 3);
    ok = Run(users, bitRate, 10) && ok;
    return ok ? 0 : 1;
}
