#pragma once

#include "SiteFixture.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QTreeView;
class QWidget;

namespace zel::data {
class ReaderDescription;
class UserDescription;
} // namespace zel::data

namespace zel::ui::test {

// The site every test of this executable works on, made once: a temporary site database opened
// as this thread's database and two clock emulators on ephemeral TCP ports.
//
// Clocks of the site database (by name, in list order):
//   "Alpha"   reader 1, base model, channel "Line A" (emulator A)
//   "Bravo"   reader 4, base model, channel "Line B" (emulator B)
//   "Charlie" reader 3, base model, channel "Line A"
//   "Delta"   reader 2, newer model, channel "Line A"
//   "Ghost"   reader 9 on "Line A": emulator A has no clock 9 (does not answer)
//   "Dial"    reader 1 on the modem channel "Modem"
//   "Broken"  reader 1 on an Ethernet channel whose stored address is "10.0.0"
//   "Orphan"  reader 1 on a channel that was deleted
//   "Serial"  reader 3 (the clock of "Charlie") on the direct channel "Serial Line", COM6: emulator A's
//             pseudo-terminal
class UserSite {
public:
    static UserSite& Get();

    zel::sim::Server& LineA() { return *mLineA; }
    zel::sim::Server& LineB() { return *mLineB; }
    std::int32_t ChannelID(const char* name) const;
    std::shared_ptr<zel::data::ReaderDescription> Clock(const char* name) const;
    // The emulated clock behind a clock of the site database.
    zel::sim::SimClock& Emulated(const char* name);

    // Every test starts here: no users in the site database or on any clock, no faults.
    void Reset();

    // A site user, saved. Enrolled users get a template made from their ID.
    std::shared_ptr<zel::data::UserDescription> AddUser(const std::string& id, const std::string& name, bool enrolled,
                                                        int level = 0);
    // A user put straight into an emulated clock.
    void PutClockUser(const char* clock, const std::string& id, std::uint8_t templateSeed, int level = 0);
    // The user IDs an emulated clock holds, as numbers in text ("42"), sorted.
    QStringList ClockUserIds(const char* clock);
    // The template an emulated clock holds for a user (empty when it does not hold it).
    std::vector<std::uint8_t> ClockTemplate(const char* clock, const std::string& id);

    static std::vector<std::uint8_t> TemplateFor(std::uint8_t seed);

private:
    UserSite();

    std::unique_ptr<zel::sim::Server> mLineA;
    std::unique_ptr<zel::sim::Server> mLineB;
};

// While it lives, the site holds the clock "Stopped" (reader 5) on the Ethernet channel
// "Stopped Line", whose emulator has been stopped: the channel does not connect, as when a
// clock is switched off or unplugged. Rows of the clock lists refill once control is back in the
// event loop.
class StoppedClock {
public:
    StoppedClock();
    ~StoppedClock();
    StoppedClock(const StoppedClock&) = delete;
    StoppedClock& operator=(const StoppedClock&) = delete;

    // What the result window says of the clock: its channel named, with the port nothing listens on.
    QString NotConnected() const;

private:
    std::unique_ptr<zel::sim::Server> mServer;
    int mPort = 0;
};

// Selects the rows whose first column shows one of `keys` (any other selection is cleared).
void SelectRows(QTreeView* view, const QStringList& keys);
// The texts of one column, top to bottom, as the view shows them.
QStringList ColumnTexts(const QTreeView* view, int column);
// Top-level windows with this object name that are visible.
int VisibleWindows(const QString& objectName);

// Pictures for the documentation: the folder named by ZEL_SCREENSHOTS (made when missing), or "".
QString ScreenshotFolder();
// Saves a picture of `widget` as `file` in the screenshot folder; false when that failed.
bool SavePicture(QWidget* widget, const char* file);
// A few site users with names that read well in a picture.
void AddPictureUsers();

} // namespace zel::ui::test

// Registers a test class of this executable.
#define ZEL_REGISTER_USERPAGE_TEST(Class) ZEL_REGISTER_SITE_TEST(Class)
