// Sends 2,560 users to an emulated base-model clock through libzeldll32.so over TCP: one user
// record at a time, and as ten data banks. Each run is timed against the time its bytes need on
// the wire at the throttled rate (10 bits per byte, frames included).
//
//   bench_clocklink [--users N] [--rate BITS_PER_SECOND ...]
//
// Default: 2560 users, unthrottled and 9600 bit/s.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "clocksim/Server.h"
#include "zel/link/Command.h"
#include "zel/link/Frame.h"
#include "zel/link/Timing.h"
#include "zeldll32.h"

namespace {

using Seconds = std::chrono::duration<double>;

struct Run {
    const char* Name;
    std::size_t WireBytes;
    Seconds Elapsed;
    int Failures;
};

std::size_t ExchangeBytes(zel::link::Command command)
{
    const auto& info = zel::link::Describe(command);
    return zel::link::FrameSize(info.RequestSize) + zel::link::FrameSize(1 + info.ResponseSize);
}

Run SendOneByOne(std::int32_t h, int users)
{
    const auto start = std::chrono::steady_clock::now();
    int failures = 0;
    std::uint8_t record[ZEL_USER_RECORD_SIZE] = {};
    for (int k = 0; k < users; ++k) {
        zelTextToID(std::to_string(100000 + k).c_str(), record);
        std::memset(record + 5, k & 0xFF, ZEL_TEMPLATE_SIZE);
        failures += zelHereIsUserRecord(h, record) != 0;
    }
    return {"one by one", users * ExchangeBytes(zel::link::Command::PutUserRecord),
            std::chrono::steady_clock::now() - start, failures};
}

Run SendBanks(std::int32_t h, int users)
{
    const int banks = (users + 255) / 256;
    std::vector<std::uint8_t> bank(ZEL_DATA_BANK_SIZE);
    const auto start = std::chrono::steady_clock::now();
    int failures = 0;
    for (int b = 0; b < banks; ++b) {
        std::fill(bank.begin(), bank.end(), 0xFF);
        for (int k = b * 256; k < users && k < (b + 1) * 256; ++k) {
            std::uint8_t* slot = bank.data() + 16 * (k % 256);
            zelTextToID(std::to_string(200000 + k).c_str(), slot);
            std::memset(slot + 5, k & 0xFF, ZEL_TEMPLATE_SIZE);
            slot[14] = slot[15] = 0;
        }
        failures += zelSetDataBank(h, b, bank.data()) != 0;
    }
    return {"as data banks", banks * ExchangeBytes(zel::link::Command::PutDataBank),
            std::chrono::steady_clock::now() - start, failures};
}

void Report(const Run& run, int rate)
{
    const double wire = rate > 0 ? static_cast<double>(run.WireBytes) * zel::link::kBitsPerByte / rate : 0.0;
    if (rate > 0) {
        std::printf("  %-14s %9.4f s   wire %9.3f s   ratio %6.3f   (%zu bytes)%s\n", run.Name, run.Elapsed.count(),
                    wire, run.Elapsed.count() / wire, run.WireBytes, run.Failures ? "   FAILURES" : "");
    } else {
        const double at9600 = static_cast<double>(run.WireBytes) * zel::link::kBitsPerByte / 9600.0;
        std::printf("  %-14s %9.4f s   (%zu bytes; %.3f s at 9600 bit/s, ratio %.5f)%s\n", run.Name,
                    run.Elapsed.count(), run.WireBytes, at9600, run.Elapsed.count() / at9600,
                    run.Failures ? "   FAILURES" : "");
    }
}

} // namespace

int main(int argc, char** argv)
{
    int users = 2560;
    std::vector<int> rates;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--users") == 0 && i + 1 < argc) {
            users = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--rate") == 0 && i + 1 < argc) {
            rates.push_back(std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: %s [--users N] [--rate BITS_PER_SECOND ...]\n", argv[0]);
            return 2;
        }
    }
    if (users < 1 || users > 2560) {
        std::fprintf(stderr, "users: 1..2560\n");
        return 2;
    }
    if (rates.empty()) {
        rates = {0, 9600};
    }

    zel::sim::Server server;
    server.AddClock(1, zel::sim::ClockModel::Base);
    server.Start();
    zelStartupWsock();
    const std::int32_t h = zelInitWsock("127.0.0.1", server.Port());
    std::uint8_t status[ZEL_STATUS_RECORD_SIZE] = {};
    if (h == 0 || zelSetHandReader(h, 1, status) != 0) {
        std::fprintf(stderr, "no emulated clock\n");
        return 1;
    }
    int failures = 0;
    for (int rate : rates) {
        zel::sim::FaultOptions faults;
        faults.BitRate = rate;
        server.SetFaults(faults);
        if (rate > 0) {
            std::printf("%d users, emulator throttled to %d bit/s:\n", users, rate);
        } else {
            std::printf("%d users, emulator unthrottled:\n", users);
        }
        zelClearUserDataBase(h);
        const Run single = SendOneByOne(h, users);
        Report(single, rate);
        zelClearUserDataBase(h);
        const Run banks = SendBanks(h, users);
        Report(banks, rate);
        failures += single.Failures + banks.Failures;
    }
    zelCloseWsock(h);
    zelCleanupWsock();
    return failures == 0 ? 0 : 1;
}
