#pragma once
// A temporary site database and in-process emulated lines with clocks of both models, for the
// tests that run clock work end to end (workflows, zelctl).
#include "clocksim/Server.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace zel::data {
class ReaderDescription;
}

namespace zel::test {

// Holds a folder of its own under the temporary folder ("<name>-<pid>-<test>"), the site file
// "zel.mdb" in it (made at once, empty), and the lines: each an in-process emulator (a Server on
// an ephemeral port) with its clocks, and a channel of the same name in the site. Clocks are added
// to the site with their line; a clock may also be silent (in the site, not emulated), and a line
// dead (a port nobody listens on) or a modem line (no runtime channel).
//
// The site database keeps one connection per thread: InSite writes the lines and clocks into the
// site the first time, then runs the test's body in a thread of its own with the site open; a
// child process (zelctl) finds the site through ZEL_SITE, which the constructor sets.
//
// Faults (a line that drops after N frames, a throttled bit rate, latency) are the emulator's:
// give them to AddLine or SetFaults. Everything is stopped and removed when the object goes.
// Set-up failures throw std::runtime_error.
class EmulatedSite {
public:
    struct Clock {
        std::string Name;
        std::uint8_t ReaderID = 1;
        zel::sim::ClockModel Model = zel::sim::ClockModel::Base;
        bool Emulated = true; // false: in the site only, nobody answers for it
    };

    // `name` names the folder. Sets ZEL_SITE to the site and ZEL_TIMEOUT_MS to `timeoutMs`.
    explicit EmulatedSite(const std::string& name, int timeoutMs = 300);
    ~EmulatedSite();
    EmulatedSite(const EmulatedSite&) = delete;
    EmulatedSite& operator=(const EmulatedSite&) = delete;

    // A started emulator for `line` with its clocks.
    zel::sim::Server& AddLine(const std::string& line, const std::vector<Clock>& clocks,
                              const zel::sim::FaultOptions& faults = {});
    // A line whose port nobody listens on, and a modem line; their clocks are in the site only.
    void AddDeadLine(const std::string& line, const std::vector<Clock>& clocks);
    void AddModemLine(const std::string& line, const std::vector<Clock>& clocks);
    // A second channel of the site for the emulated line `line`, with its address written as
    // `address` (say "127.000.000.001"); its emulated clocks are added to that line's emulator.
    void AddOtherName(const std::string& channel, const std::string& line, const std::string& address,
                      const std::vector<Clock>& clocks);

    zel::sim::Server& Line(const std::string& line);
    // The emulated clock with this site name.
    zel::sim::SimClock& Emulated(const std::string& clock);
    void SetFaults(const std::string& line, const zel::sim::FaultOptions& faults);

    const std::string& SitePath() const { return mSite; }
    const std::filesystem::path& Folder() const { return mFolder; }

    // Runs `body` in a thread of its own with the site open (lines and clocks written the first
    // time); the site is closed when it returns.
    void InSite(const std::function<void()>& body);

    // --- inside InSite ---

    // The site's clocks with these names, in this order.
    static std::vector<std::shared_ptr<zel::data::ReaderDescription>> Clocks(const std::vector<std::string>& names);
    // `count` enrolled users with IDs first, first + 1, ...: name "User ID", template 9 bytes of
    // (ID * 7 + i), level `level(ID)`; saved.
    static void AddEnrolledUsers(int first, int count, const std::function<int(int id)>& level = {});

    // --- the emulated clocks ---

    // A clock user with this ID, its template 9 bytes of (ID * 3 + i).
    static zel::sim::ClockUser MakeClockUser(int id);
    // The IDs of the users a clock holds, without leading zeros.
    static std::set<std::string> HeldIDs(const zel::sim::SimClock& clock);

private:
    struct LineEntry {
        std::unique_ptr<zel::sim::Server> Server; // none for a dead or modem line
        int Kind = 0;                             // 0 emulated, 1 dead, 2 modem, 3 another name
        std::vector<Clock> Clocks;
        std::string SameAs;  // another name: the emulated line it names
        std::string Address; // another name: its address as written
    };
    void WriteSite();

    std::filesystem::path mFolder;
    std::string mSite;
    std::vector<std::string> mOrder; // lines in the order added
    std::map<std::string, LineEntry> mLines;
    bool mWritten = false;
};

} // namespace zel::test
