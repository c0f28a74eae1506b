// A clock's local time and UTC in its own zone, from the system's time zone database, against
// offsets the zones' governments published (written out here, not computed): both sides of the
// date line, zones without daylight saving, and the hours a change repeats or skips.
#include "MachineZone.h"

#include "zel/Error.h"
#include "zel/support/ClockZone.h"

#include <gtest/gtest.h>

#include <algorithm>

using zel::DateTime;
using zel::support::ClockZone;

namespace {

// 2026-01-01 00:00:00 UTC in seconds since 1970.
constexpr std::int64_t kNewYear2026 = 1767225600;

struct Instant {
    const char* Zone;
    DateTime Local;
    DateTime Utc;
    const char* Why;
};

const Instant kInstants[] = {
    {"Pacific/Kiritimati", DateTime(2026, 1, 1, 14), DateTime(2026, 1, 1, 0), "UTC+14, west of the date line"},
    {"Pacific/Pago_Pago", DateTime(2025, 12, 31, 13), DateTime(2026, 1, 1, 0), "UTC-11, east of it: a day earlier"},
    {"Pacific/Auckland", DateTime(2026, 1, 1, 13), DateTime(2026, 1, 1, 0), "southern summer, UTC+13"},
    {"Pacific/Auckland", DateTime(2026, 7, 1, 12), DateTime(2026, 7, 1, 0), "southern winter, UTC+12"},
    {"Asia/Tokyo", DateTime(2026, 7, 1, 9), DateTime(2026, 7, 1, 0), "no daylight saving"},
    {"Asia/Kolkata", DateTime(2026, 7, 1, 5, 30), DateTime(2026, 7, 1, 0), "half an hour, none"},
    // New York goes forward at 2:00 on 8 March 2026: 2:00 to 2:59 do not exist; read with the
    // offset before the change (UTC-5), as the clock that had not yet gone forward shows them.
    {"America/New_York", DateTime(2026, 3, 8, 1, 59, 59), DateTime(2026, 3, 8, 6, 59, 59), "just before forward"},
    {"America/New_York", DateTime(2026, 3, 8, 2, 30), DateTime(2026, 3, 8, 7, 30), "skipped hour"},
    {"America/New_York", DateTime(2026, 3, 8, 3), DateTime(2026, 3, 8, 7), "just after forward"},
    // ... and back at 2:00 on 1 November: 1:00 to 1:59 come twice; taken as the first pass (UTC-4).
    {"America/New_York", DateTime(2026, 11, 1, 1, 30), DateTime(2026, 11, 1, 5, 30), "repeated hour"},
    {"America/New_York", DateTime(2026, 11, 1, 2), DateTime(2026, 11, 1, 7), "after the repeat"},
    // Berlin goes back at 3:00 on 25 October 2026.
    {"Europe/Berlin", DateTime(2026, 10, 25, 2, 30), DateTime(2026, 10, 25, 0, 30), "repeated hour"},
    {"Europe/Berlin", DateTime(2026, 10, 25, 3), DateTime(2026, 10, 25, 2), "after the repeat"},
};

std::int64_t Epoch(const DateTime& utc)
{
    return utc.TotalSeconds() - DateTime(1970, 1, 1).TotalSeconds();
}

} // namespace

TEST(ClockZoneTest, LocalTimesAndUtcAreThoseThePublishedOffsetsGive)
{
    const zel::test::MachineZone machine("Europe/Berlin"); // no zone below is the machine's
    for (const auto& c : kInstants) {
        EXPECT_EQ(ClockZone::UtcSeconds(c.Zone, c.Local), Epoch(c.Utc)) << c.Zone << ": " << c.Why;
        // Every local time but the skipped one comes back from its instant.
        if (std::string(c.Why) != "skipped hour") {
            EXPECT_EQ(ClockZone::LocalTime(c.Zone, Epoch(c.Utc)).ToString(), c.Local.ToString())
                << c.Zone << ": " << c.Why;
        }
    }
    EXPECT_EQ(Epoch(DateTime(2026, 1, 1)), kNewYear2026);
}

TEST(ClockZoneTest, AnEmptyZoneIsTheMachinesAndAnUnknownOneIsRefused)
{
    const zel::test::MachineZone machine("America/Chicago");
    EXPECT_EQ(ClockZone::Resolve(""), "America/Chicago");
    EXPECT_EQ(ClockZone::LocalTime("", kNewYear2026).ToString(), "2025-12-31 18:00:00");
    EXPECT_NO_THROW(ClockZone::Check(""));
    for (const char* unknown : {"Mars/Olympus_Mons", "america/chicago", "Europe/Berlin "}) {
        try {
            ClockZone::Check(unknown);
            ADD_FAILURE() << unknown;
        } catch (const zel::Error& e) {
            EXPECT_EQ(e.Number(), 5);
            EXPECT_NE(e.Description().find(std::string("'") + unknown + "' is not in this machine's time zone"),
                      std::string::npos)
                << e.Description();
        }
        EXPECT_THROW(ClockZone::UtcSeconds(unknown, DateTime(2026, 1, 1)), zel::Error);
    }
    const auto names = ClockZone::Names();
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    for (const char* zone : {"America/Chicago", "Pacific/Kiritimati", "UTC"})
        EXPECT_TRUE(std::binary_search(names.begin(), names.end(), zone)) << zone;
}
