// The time_utc of the events export: a clock's time stamp read in its zone (the offsets
// themselves are ClockZoneTest's), and what it writes for a stamp or zone it cannot read.
#include "zel/workflows/EventExport.h"

#include <gtest/gtest.h>

namespace {

struct Stamp {
    const char* TimeStamp;
    const char* Zone;
    const char* Utc;
};

const Stamp kStamps[] = {
    {"2026-11-01 01:30:00", "America/New_York", "2026-11-01T05:30:00Z"}, // repeated hour: first pass
    {"2026-03-08 02:30:00", "America/New_York", "2026-03-08T07:30:00Z"}, // skipped hour: offset before
    {"2026-01-01 00:30:00", "Pacific/Kiritimati", "2025-12-31T10:30:00Z"},
    {"2026-01-01T00:30:00", "UTC", "2026-01-01T00:30:00Z"},
    {"2026-02-30 00:00:00", "UTC", ""}, // no such day
    {"2026-01-01 24:00:00", "UTC", ""},
    {"2026-01-01", "UTC", ""},
    {"2026-01-01 00:00:00x", "UTC", ""},
    {"2026-01-01 00:00:00", "Mars/Olympus_Mons", ""},
};

} // namespace

TEST(EventExportTest, TimeUtcReadsTheStampInTheClocksZone)
{
    for (const auto& c : kStamps)
        EXPECT_EQ(zel::workflows::UtcTime(c.TimeStamp, c.Zone), c.Utc) << c.TimeStamp << " in " << c.Zone;
}
