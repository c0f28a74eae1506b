// zel_make_demo_site: makes the demo site database that ./run.sh starts the program on, and
// tells run.sh how to start the clock emulator for it.
//
//   zel_make_demo_site FILE [--office-port N] [--warehouse-port N] [--com-port N] [--extra-users N]
//   zel_make_demo_site FILE --fleet CHANNELS CLOCKS_PER_CHANNEL [--first-port N] [--extra-users N]
//   zel_make_demo_site --plan FILE
//   zel_make_demo_site --seed-clock FILE STATEFILE ID:MODEL

#include "DemoSite.h"
#ifdef ZEL_DEMO_CLOCK_SEED
#include "DemoClockSeed.h"
#endif

#include "zel/Error.h"

#include <cstdlib>
#include <iostream>
#include <string>

namespace {

int Usage()
{
    std::cerr << "usage: zel_make_demo_site FILE [--office-port N] [--warehouse-port N] [--com-port N] "
                 "[--extra-users N]\n"
                 "       zel_make_demo_site FILE --fleet CHANNELS CLOCKS_PER_CHANNEL [--first-port N] "
                 "[--extra-users N]\n"
                 "       zel_make_demo_site --plan FILE\n"
                 "       zel_make_demo_site --seed-clock FILE STATEFILE ID:MODEL\n";
    return 2;
}

bool ParsePort(const std::string& text, long lo, long hi, long& value)
{
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && end != nullptr && *end == '\0' && value >= lo && value <= hi;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        if (argc == 3 && std::string(argv[1]) == "--plan") {
            for (const std::string& line : zel::tools::EmulatorPlan(argv[2]))
                std::cout << line << '\n';
            return 0;
        }
#ifdef ZEL_DEMO_CLOCK_SEED
        if (argc == 5 && std::string(argv[1]) == "--seed-clock") {
            zel::tools::SeedDemoClock(argv[2], argv[3], argv[4]);
            std::cout << "Emulated clock " << argv[4] << " holds the demo's enrolled users: " << argv[3] << '\n';
            return 0;
        }
#endif
        if (argc < 2 || argv[1][0] == '-')
            return Usage();
        zel::tools::DemoPorts ports;
        zel::tools::FleetShape fleet;
        bool isFleet = false;
        long extraUsers = 0;
        for (int i = 2; i < argc; i += 2) {
            const std::string option = argv[i];
            long value = 0;
            long second = 0;
            if (i + 1 >= argc)
                return Usage();
            if (option == "--fleet" && i + 2 < argc && ParsePort(argv[i + 1], 1, 10000, value) &&
                ParsePort(argv[i + 2], 1, 255, second)) {
                isFleet = true;
                fleet.Channels = static_cast<int>(value);
                fleet.ClocksPerChannel = static_cast<int>(second);
                ++i;
            } else if (option == "--first-port" && ParsePort(argv[i + 1], 1, 65535, value))
                fleet.FirstPort = static_cast<std::uint16_t>(value);
            else if (option == "--office-port" && ParsePort(argv[i + 1], 1, 65535, value))
                ports.OfficePort = static_cast<std::uint16_t>(value);
            else if (option == "--warehouse-port" && ParsePort(argv[i + 1], 1, 65535, value))
                ports.WarehousePort = static_cast<std::uint16_t>(value);
            else if (option == "--com-port" && ParsePort(argv[i + 1], 1, 8, value))
                ports.ComPort = static_cast<int>(value);
            else if (option == "--extra-users" && ParsePort(argv[i + 1], 0, 1000000, value))
                extraUsers = value;
            else
                return Usage();
        }
        if (isFleet) {
            if (fleet.FirstPort + fleet.Channels - 1 > 65535) {
                std::cerr << "zel_make_demo_site: the fleet's ports run past 65535\n";
                return 2;
            }
            const std::string emulator = zel::tools::MakeFleetSite(argv[1], fleet, static_cast<int>(extraUsers));
            std::cout << "Fleet site database made: " << argv[1] << " (" << fleet.Channels << " channels, "
                      << fleet.Channels * fleet.ClocksPerChannel << " clocks)\nPlay its clocks with: " << emulator
                      << '\n';
            return 0;
        }
        zel::tools::MakeDemoSite(argv[1], ports, static_cast<int>(extraUsers));
        std::cout << "Demo site database made: " << argv[1] << '\n';
        return 0;
    } catch (const zel::Error& e) {
        std::cerr << "zel_make_demo_site: error " << e.Number() << ": " << e.Description() << '\n';
    } catch (const std::exception& e) {
        std::cerr << "zel_make_demo_site: " << e.what() << '\n';
    }
    return 1;
}
