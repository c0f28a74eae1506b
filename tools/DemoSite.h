#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zel::tools {

// The demo site: two Ethernet channels and one serial channel, four clocks of both models (two
// sharing the first Ethernet channel) and a handful of users, some of them enrolled.
struct DemoPorts {
    std::uint16_t OfficePort = 3001;    // first Ethernet channel, on 127.0.0.1
    std::uint16_t WarehousePort = 3002; // second Ethernet channel, on 127.0.0.1
    int ComPort = 1;                    // the serial channel's COM port (the emulator's pty)
};

// Makes `file` (which must not exist) as a new site database holding the demo site, and
// `extraUsers` made-up users beside its own (a large site to try the lists on).
void MakeDemoSite(const std::string& file, const DemoPorts& ports, int extraUsers = 0);

// A fleet: Channels Ethernet channels "Line 0001".. on 127.0.0.1, ports FirstPort.., each with
// ClocksPerChannel clocks (reader IDs 1.., base model) "Line 0001 clock 01"..
struct FleetShape {
    int Channels = 1;
    int ClocksPerChannel = 1;
    std::uint16_t FirstPort = 4000;
};

// Makes `file` as a new site holding the fleet, the demo's users and `extraUsers` made-up ones;
// returns the zelclockd command line that plays the fleet's clocks.
std::string MakeFleetSite(const std::string& file, const FleetShape& shape, int extraUsers = 0);

// How the clock emulator must be started for the site database `file`: one line per channel
// that leads to this machine, "tcp PORT ID:MODEL ..." for an Ethernet channel on 127.0.0.1 or
// localhost and "pty COMPORT ID:MODEL ..." for a serial channel; models are "base" or "vt9".
// Clocks added later by the user are emulated too (as the base model).
std::vector<std::string> EmulatorPlan(const std::string& file);

} // namespace zel::tools
