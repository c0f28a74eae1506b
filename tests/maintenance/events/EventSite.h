#pragma once

#include "SiteFixture.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zel::data {
class ReaderDescription;
}

namespace zel::ui::test {

// The site every test of this executable works on, made once: a temporary site database opened
// as this thread's database, one clock emulator with the clocks "Front" (reader 1) and "Back"
// (reader 2) on the Ethernet channel "Line A", and the site users "1024" Ann Lee, "1025"
// "Stern, Bø" (a name that needs quoting in a CSV file) and "87" Dev Patel.
class EventSite {
public:
    static EventSite& Get();

    std::shared_ptr<zel::data::ReaderDescription> Clock(const char* name) const;
    // Logs events of this kind on an emulated clock, one per user ID given (none: one event
    // without a user).
    void Log(std::uint8_t readerId, std::int32_t formatType, const std::vector<std::string>& userIds);

    // Pictures for the documentation: the folder named by ZEL_SCREENSHOTS (made when missing), or "".
    static QString ScreenshotFolder();

private:
    EventSite();

    std::unique_ptr<zel::sim::Server> mServer;
};

} // namespace zel::ui::test

#define ZEL_REGISTER_EVENTS_TEST(Class) ZEL_REGISTER_SITE_TEST(Class)
