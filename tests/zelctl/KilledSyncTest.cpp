// zelctl sync --clear killed (SIGKILL, as a crash or a power cut would end it) at pseudo-random
// frames of its work on the destination clock: the clock still holds every user it held that
// stays, and the same command run again finishes the work and says what it found.
#include <gtest/gtest.h>

#include "EmulatedSite.h"
#include "ZelctlProcess.h"
#include "clocksim/ClockBus.h"
#include "clocksim/ClockUser.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <random>
#include <set>
#include <thread>

namespace {

using zel::cli::test::Finish;
using zel::cli::test::SpawnZelctl;
using zel::cli::test::Zelctl;

using zel::test::EmulatedSite;

TEST(KilledSyncTest, AKilledSynchronizationLocksNobodyOutAndTheNextRunFinishes)
{
    EmulatedSite site("zelctl-killed-sync", 150);
    site.AddLine("Line 1", {{"Source", 1}});
    auto& line = site.AddLine("Line 2", {{"Destination", 1, zel::sim::ClockModel::Vt9}});
    site.InSite([] {}); // the lines and clocks into the site
    // The source holds 120 users; the destination 90 of them and 10 others.
    std::set<std::string> wanted, stayers;
    for (int id = 1000; id < 1120; ++id) {
        site.Emulated("Source").PutUser(EmulatedSite::MakeClockUser(id));
        wanted.insert(std::to_string(id));
    }
    auto& destination = site.Emulated("Destination");
    for (int id = 1000; id < 1090; ++id) {
        destination.PutUser(EmulatedSite::MakeClockUser(id));
        stayers.insert(std::to_string(id));
    }
    for (int id = 5000; id < 5010; ++id)
        destination.PutUser(EmulatedSite::MakeClockUser(id));
    const auto before = destination.Snapshot();

    // Frames on Line 2: lookup 2, selection and count 2, two banks, 10 removals, 30 users.
    std::atomic<pid_t> child{0};
    std::atomic<int> frames{0};
    std::atomic<int> killAt{0};
    line.Bus().SetCommandLog([&](const std::string&) {
        if (++frames != killAt.load())
            return;
        while (child.load() == 0) // spawned, the pid not stored yet
            std::this_thread::yield();
        ::kill(child.load(), SIGKILL); // after the clock carried out this frame
    });
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> moment(3, 46);
    for (int round = 0; round < 5; ++round) {
        const int at = moment(random);
        SCOPED_TRACE("killed after frame " + std::to_string(at) + " on the destination's line");
        destination.Restore(before);
        frames = 0;
        child = 0;
        killAt = at;
        const auto running = SpawnZelctl({"sync", "--from", "Source", "--to", "Destination", "--clear"});
        child = running.Pid;
        const auto killed = Finish(running);
        killAt = 0;
        EXPECT_EQ(killed.Status, -1) << "zelctl was not killed: " << killed.Out << killed.Err;
        const auto held = EmulatedSite::HeldIDs(destination);
        for (const auto& id : stayers)
            EXPECT_TRUE(held.count(id)) << "user " << id << " was locked out";

        auto again = Zelctl({"sync", "--from", "Source", "--to", "Destination", "--clear", "--format", "json"});
        ASSERT_EQ(again.Status, 0) << again.Err;
        EXPECT_EQ(EmulatedSite::HeldIDs(destination), wanted);
        for (const auto& row : again.Json()) {
            const QJsonObject clock = row.toObject();
            if (clock.value("clock").toString() != "Destination")
                continue;
            // What the killed run left is found, not written again; the others it held go.
            const auto kept =
                std::count_if(held.begin(), held.end(), [&](const auto& id) { return wanted.count(id) > 0; });
            EXPECT_EQ(clock.value("already_held").toInt(), static_cast<int>(kept));
            EXPECT_EQ(clock.value("users").toInt(), 120 - static_cast<int>(kept));
            EXPECT_EQ(clock.value("removed").toInt(), static_cast<int>(held.size() - kept));
            EXPECT_EQ(clock.value("lacking").toInt(), 0);
        }
    }
}

} // namespace
