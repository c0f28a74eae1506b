// zelclockd: the clock emulator daemon. See zelclockd --help.
#include "clocksim/CommandLine.h"
#include "clocksim/Fleet.h"
#include "clocksim/Server.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <pthread.h>

namespace {

std::string Stamp()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(ms));
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace zel::sim;
    CommandLine cl;
    try {
        cl = CommandLine::Parse(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zelclockd: %s\n", e.what());
        return 2;
    }
    if (cl.Help) {
        std::cout << CommandLine::HelpText();
        return 0;
    }
    if (!cl.Quiet) {
        cl.Options.CommandLog = [](const std::string& line) {
            std::fprintf(stderr, "%s zelclockd: %s\n", Stamp().c_str(), line.c_str());
        };
    }

    // Signals are taken by sigwait below; every thread started from here on blocks them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    try {
        Fleet fleet(cl.Options, cl.Lines, cl.Clocks);
        fleet.Start();
        for (std::size_t k = 0; k < fleet.Lines(); ++k) {
            Server& server = fleet.Line(k);
            for (std::uint8_t id : server.ReaderIds())
                if (cl.StartEvents > 0 && server.Clock(id).Events().empty())
                    server.Clock(id).LogPastPunches(cl.StartEvents);
            if (cl.Options.Tcp)
                std::cout << "tcp " << cl.Options.TcpAddress << ':' << server.Port() << '\n';
            if (cl.Options.Pty)
                std::cout << "pty " << server.PtyPath() << '\n';
        }
        Server& first = fleet.Line(0);
        for (std::uint8_t id : first.ReaderIds())
            std::cout << "clock " << int(id) << ' ' << ModelName(first.Clock(id).Model()) << '\n';
        std::cout << "ready" << std::endl;

        int received = 0;
        sigwait(&signals, &received);
        if (!cl.Quiet)
            std::fprintf(stderr, "%s zelclockd: stopping (signal %d)\n", Stamp().c_str(), received);
        fleet.Stop();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zelclockd: %s\n", e.what());
        return 1;
    }
    return 0;
}
