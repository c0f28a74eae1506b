// Timing driver: run it from the build folder's bin/ (it finds libzeldll32.so beside itself).
//
//   bench_events_collect [events] [bit-rate]      defaults 10000 and 9600 (0: unthrottled)
//
// One emulated base clock with `events` punches in its log, behind a line throttled to the bit
// rate, collected into an empty site. The wire bound is the time of the data-log exchanges on
// the line: each moves a 9-byte request frame and a 37-byte response frame (status and the 28-byte
// record), 10 bits a byte; the few exchanges that select the clock are left out of it.
#include "BenchSupport.h"
#include "clocksim/Server.h"
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/EthChnlDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/workflows/EventCollector.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>

int main(int argc, char** argv)
{
    const int events = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int bitRate = argc > 2 ? std::atoi(argv[2]) : 9600;
    zel::bench::UseClockLibraryBesideProgram();
    const zel::bench::BenchFolder folder("bench-collect");
    const std::string site = folder.SitePath();

    zel::sim::ServerOptions options;
    options.Faults.BitRate = bitRate;
    zel::sim::Server server(options);
    server.AddClock(1, zel::sim::ClockModel::Base).LogPastPunches(events);
    server.Start();

    int collected = 0;
    double seconds = 0;
    std::thread([&] {
        zel::data::DataSource::CreateDatabase(site);
        zel::data::DataSource data;
        data.OpenDatabase(site);
        auto channel = data.GetChannelDescriptionList()->Add(zel::data::EthernetChannel, "Line");
        auto ethernet = std::dynamic_pointer_cast<zel::data::EthChnlDescription>(channel);
        ethernet->SetIPAddress("127.0.0.1");
        ethernet->SetIPPort(server.Port());
        data.GetChannelDescriptionList()->Save();
        auto clock = data.GetReaderDescriptionList()->Add(1, "Clock", channel);
        const auto frames = server.FramesAnswered();
        const auto start = std::chrono::steady_clock::now();
        zel::workflows::EventCollector collector;
        auto results = collector.Run({clock});
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        collected = results.empty() ? 0 : results.front().New;
        const auto exchanges = server.FramesAnswered() - frames;
        std::printf("Collect %d events from one clock (%s): %d new, %llu exchanges\n", events,
                    bitRate ? (std::to_string(bitRate) + " bit/s").c_str() : "unthrottled", collected,
                    static_cast<unsigned long long>(exchanges));
        std::printf("  measured                          %8.2f s   %8.0f events/s\n", seconds,
                    seconds > 0 ? collected / seconds : 0.0);
        if (bitRate > 0) {
            const double bound = static_cast<double>(collected) * 46 * 10 / bitRate;
            std::printf("  wire bound of the events read     %8.2f s   measured / bound = %.2f\n", bound,
                        seconds / bound);
        }
    }).join();
    server.Stop();
    return collected == events ? 0 : 1;
}
