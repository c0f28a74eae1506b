#pragma once
// What the zelctl benchmarks share: emulated lines of clocks, a site that names them, and a zelctl
// command run against it.
#include "Zelctl.h"

#include "clocksim/Server.h"
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/EthChnlDescription.h"
#include "zel/data/ReaderDescriptionList.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace zel::bench {

// `lines` emulated lines (one server each, throttled to `bitRate`; 0: unthrottled) of
// `clocksPerLine` base-model clocks with reader IDs 1.., and the new site file `site` naming them
// ("Line N" channels, "Clock N.M" clocks).
class EmulatedLines {
public:
    EmulatedLines(int lines, int clocksPerLine, int bitRate, const std::string& site)
    {
        for (int line = 0; line < lines; ++line) {
            zel::sim::ServerOptions options;
            options.Faults.BitRate = bitRate;
            auto server = std::make_unique<zel::sim::Server>(options);
            for (int clock = 1; clock <= clocksPerLine; ++clock)
                server->AddClock(static_cast<std::uint8_t>(clock), zel::sim::ClockModel::Base);
            server->Start();
            mLines.push_back(std::move(server));
        }
        std::thread([&] {
            zel::data::DataSource::CreateDatabase(site);
            zel::data::DataSource data;
            data.OpenDatabase(site);
            auto channels = data.GetChannelDescriptionList();
            auto clocks = data.GetReaderDescriptionList();
            for (int line = 0; line < lines; ++line) {
                auto channel = channels->Add(zel::data::EthernetChannel, "Line " + std::to_string(line + 1));
                auto ethernet = std::dynamic_pointer_cast<zel::data::EthChnlDescription>(channel);
                ethernet->SetIPAddress("127.0.0.1");
                ethernet->SetIPPort(mLines[static_cast<std::size_t>(line)]->Port());
                channels->Save();
                for (int clock = 1; clock <= clocksPerLine; ++clock)
                    clocks->Add(static_cast<std::uint8_t>(clock),
                                "Clock " + std::to_string(line + 1) + "." + std::to_string(clock), channel);
            }
            clocks->Save();
        }).join();
    }

    std::vector<std::unique_ptr<zel::sim::Server>>& Lines() { return mLines; }

    // What one zelctl run did: its exit status, its time, the exchanges and, per line, the bytes
    // the line carried.
    struct Run {
        int Status = -1;
        double Seconds = 0;
        std::uint64_t Frames = 0;
        std::uint64_t BusiestLineBytes = 0;
        std::string Err;
        // The busiest line's wire time at the bit rate (10 bits a byte).
        double WireSeconds(int bitRate) const { return bitRate > 0 ? BusiestLineBytes * 10.0 / bitRate : 0; }
    };

    // Runs zelctl with `args` (without the program's name) on its own thread, as a process would.
    Run Zelctl(std::vector<std::string> args)
    {
        std::vector<std::uint64_t> bytesBefore, framesBefore;
        for (const auto& line : mLines) {
            bytesBefore.push_back(line->BytesExchanged());
            framesBefore.push_back(line->FramesAnswered());
        }
        args.insert(args.begin(), "zelctl");
        std::vector<char*> argv;
        for (auto& arg : args)
            argv.push_back(arg.data());
        std::ostringstream out, err;
        Run run;
        const auto start = std::chrono::steady_clock::now();
        std::thread([&] {
            run.Status = zel::cli::RunZelctl(static_cast<int>(argv.size()), argv.data(), out, err);
        }).join();
        run.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        for (std::size_t i = 0; i < mLines.size(); ++i) {
            run.Frames += mLines[i]->FramesAnswered() - framesBefore[i];
            run.BusiestLineBytes = std::max(run.BusiestLineBytes, mLines[i]->BytesExchanged() - bytesBefore[i]);
        }
        run.Err = err.str();
        return run;
    }

private:
    std::vector<std::unique_ptr<zel::sim::Server>> mLines;
};

} // namespace zel::bench
