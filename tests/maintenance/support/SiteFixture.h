#pragma once

#include "clocksim/Server.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zel::data {
class IChannelDescription;
class ReaderDescription;
} // namespace zel::data

namespace zel::ui::test {

// Several Qt Test classes share one executable; each registers itself here and RunSiteTests runs
// them all in turn.
using TestFactory = std::function<std::unique_ptr<QObject>()>;
std::vector<TestFactory>& SiteTests();

template <typename T> struct RegisterSiteTest {
    RegisterSiteTest()
    {
        SiteTests().push_back([] { return std::make_unique<T>(); });
    }
};

// The body of a site test executable: an offscreen application, the program's message pump,
// `makeSite` (the site every test works on), then every registered test. 0 when all passed.
int RunSiteTests(int argc, char** argv, const std::function<void()>& makeSite);

// Creates a site database in a temporary folder that lives as long as the process and opens it as
// this thread's database, with short clock time-outs (a clock that does not answer costs little).
// Returns the folder.
QString OpenTemporarySite();

// Channels of the open site database, saved.
std::shared_ptr<zel::data::IChannelDescription> AddEthernetChannel(const char* name, const std::string& address,
                                                                   int port);
std::shared_ptr<zel::data::IChannelDescription> AddDirectChannel(const char* name, int comPort, int bitRate);

// A clock of the open site database, by name.
std::shared_ptr<zel::data::ReaderDescription> SiteClock(const char* name);

// An in-process clock emulator with these clocks, started.
using EmulatedClocks = std::vector<std::pair<std::uint8_t, zel::sim::ClockModel>>;
std::unique_ptr<zel::sim::Server> StartEmulator(const zel::sim::ServerOptions& options, const EmulatedClocks& clocks);

} // namespace zel::ui::test

#define ZEL_REGISTER_SITE_TEST(Class) static const zel::ui::test::RegisterSiteTest<Class> zelRegisterSite##Class
