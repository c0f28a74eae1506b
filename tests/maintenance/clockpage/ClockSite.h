#pragma once

#include "SiteFixture.h"

#include "clocksim/ManualTimeSource.h"

#include <QString>

#include <memory>

namespace zel::data {
class ReaderDescription;
}

namespace zel::ui {
class ConnectionCenter;
}

namespace zel::ui::test {

// The site every test of this executable works on, made once: a temporary site database opened
// as this thread's database, and the clock emulator on an ephemeral TCP port and a pseudo-terminal,
// with a frozen clock time (it moves only when a test moves it).
//
// Clocks of the site database (by name):
//   "Front Door"  reader 1, base model, Ethernet channel "Emulator"
//   "Back Door"   reader 2, newer model, same channel
//   "Silent"      reader 9, same channel, but the emulator has no clock 9 (does not answer)
//   "Serial"      reader 3, base model, direct channel "Serial Line" on COM5 (the pseudo-terminal)
//   "Dial Up"     reader 1 on the modem channel "Modem"
//   "Bad Address" reader 1 on an Ethernet channel whose stored address is "10.0.0"
//   "Nobody"      reader 1 on an Ethernet channel to a port where nothing listens
class ClockSite {
public:
    static ClockSite& Get();

    zel::sim::Server& Server() { return *mServer; }
    zel::sim::ManualTimeSource& Time() { return *mTime; }
    std::shared_ptr<zel::data::ReaderDescription> Clock(const char* name) const;

    // Back to a well-behaved emulator: no faults, quick enrollments without time-out.
    void ResetEmulator();

private:
    ClockSite();

    std::shared_ptr<zel::sim::ManualTimeSource> mTime;
    std::unique_ptr<zel::sim::Server> mServer;
};

// Picks the clock `name` in the connection center and clicks Connect.
void ConnectTo(ConnectionCenter& cc, const QString& name);
// Clicks Disconnect.
void DisconnectFrom(ConnectionCenter& cc);
// The top-level wait windows that still exist.
int OpenWaitWindows();

} // namespace zel::ui::test

// Registers a test class of this executable.
#define ZEL_REGISTER_CLOCKPAGE_TEST(Class) ZEL_REGISTER_SITE_TEST(Class)
