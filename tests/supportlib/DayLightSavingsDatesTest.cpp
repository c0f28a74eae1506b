// Daylight-saving changes from the system's time zone database, checked against the changes the
// zones' governments published (days and local times written out here, not computed).
#include "MachineZone.h"

#include "zel/Error.h"
#include "zel/support/DayLightSavingsDates.h"

#include <gtest/gtest.h>

#include <ctime>
#include <optional>
#include <utility>
#include <vector>

using zel::DateTime;
using zel::support::DayLightSavingsDates;
using zel::test::MachineZone;

namespace {

struct Published {
    const char* Zone;
    int Year;
    std::optional<DateTime> Start; // local time just before the clocks go forward
    std::optional<DateTime> End;   // local time just before the clocks go back
    const char* Text;
};

const Published kPublished[] = {
    // The United States since 2007: second Sunday of March to first Sunday of November, 2:00.
    {"America/New_York", 2026, DateTime(2026, 3, 8, 2), DateTime(2026, 11, 1, 2),
     "8 Mar 2026 02:00 - 1 Nov 2026 02:00"},
    // ... and before: first Sunday of April to last Sunday of October.
    {"America/New_York", 2004, DateTime(2004, 4, 4, 2), DateTime(2004, 10, 31, 2),
     "4 Apr 2004 02:00 - 31 Oct 2004 02:00"},
    // The European Union: last Sunday of March and of October at 1:00 UTC (2:00 and 3:00 in Berlin).
    {"Europe/Berlin", 2026, DateTime(2026, 3, 29, 2), DateTime(2026, 10, 25, 3),
     "29 Mar 2026 02:00 - 25 Oct 2026 03:00"},
    // Ireland keeps summer time as its standard: its winter is the zone's "daylight saving".
    {"Europe/Dublin", 2026, DateTime(2026, 3, 29, 1), DateTime(2026, 10, 25, 2),
     "29 Mar 2026 01:00 - 25 Oct 2026 02:00"},
    // South of the equator the start comes after the end; the local day differs from the UTC day.
    {"Australia/Sydney", 2026, DateTime(2026, 10, 4, 2), DateTime(2026, 4, 5, 3),
     "until 5 Apr 2026 03:00 and from 4 Oct 2026 02:00"},
    // Half an hour: the clock's record still tells the local time of each change.
    {"Australia/Lord_Howe", 2026, DateTime(2026, 10, 4, 2), DateTime(2026, 4, 5, 2),
     "until 5 Apr 2026 02:00 and from 4 Oct 2026 02:00"},
    {"Asia/Tokyo", 2026, std::nullopt, std::nullopt, "Asia/Tokyo has none in 2026"},
    {"UTC", 2026, std::nullopt, std::nullopt, "UTC has none in 2026"},
};

} // namespace

TEST(DayLightSavingsDatesTest, ChangesAreThoseThePublishedRulesGive)
{
    for (const Published& zone : kPublished) {
        SCOPED_TRACE(std::string(zone.Zone) + " " + std::to_string(zone.Year));
        const auto dates = DayLightSavingsDates::ForYear(zone.Year, zone.Zone);
        EXPECT_EQ(dates.ZoneName(), zone.Zone);
        EXPECT_EQ(dates.Year(), zone.Year);
        ASSERT_EQ(dates.HasDayLightSavings(), zone.Start.has_value());
        if (zone.Start) {
            EXPECT_EQ(dates.Start(), *zone.Start) << dates.Start().ToString();
            EXPECT_EQ(dates.End(), *zone.End) << dates.End().ToString();
        }
        EXPECT_EQ(dates.Text(), zone.Text);
    }
}

TEST(DayLightSavingsDatesTest, TheMachinesZoneIsTzWhenSetElseTheLocalTimeFile)
{
    struct Case {
        const char* Tz; // nullptr: unset
        const char* Zone;
    };
    const Case cases[] = {
        {"America/New_York", "America/New_York"},
        {":Europe/Berlin", "Europe/Berlin"},
        {"/usr/share/zoneinfo/Australia/Sydney", "Australia/Sydney"},
        {"", "UTC"}, // the C library's reading of an empty TZ
    };
    for (const Case& c : cases) {
        MachineZone machine(c.Tz);
        EXPECT_EQ(DayLightSavingsDates::MachineZoneName(), c.Zone) << c.Tz;
        EXPECT_EQ(DayLightSavingsDates::ForYear(2026).ZoneName(), c.Zone) << c.Tz;
    }
    MachineZone unset(nullptr);
    try {
        EXPECT_FALSE(DayLightSavingsDates::MachineZoneName().empty()); // whatever /etc/localtime names
    } catch (const zel::Error& e) {
        EXPECT_NE(e.Description().find("/etc/localtime"), std::string::npos) << e.Description();
    }
}

TEST(DayLightSavingsDatesTest, ZonesItCannotUseAreRefusedWithASentence)
{
    struct Case {
        const char* Tz;
        const char* Named; // what the message must name
    };
    const Case cases[] = {
        {"CET-1CEST,M3.5.0,M10.5.0/3", "CET-1CEST"}, // a rule, not a zone of the database
        {"Mars/Olympus_Mons", "Mars/Olympus_Mons"},
        {"/tmp/zone", "/tmp/zone"},
    };
    for (const Case& c : cases) {
        MachineZone machine(c.Tz);
        try {
            DayLightSavingsDates::ThisYear();
            ADD_FAILURE() << c.Tz;
        } catch (const zel::Error& e) {
            EXPECT_EQ(e.Number(), 5);
            EXPECT_EQ(e.Source(), "ZelClock");
            EXPECT_NE(e.Description().find(c.Named), std::string::npos) << e.Description();
        }
    }
    EXPECT_THROW(DayLightSavingsDates::ForYear(2026, "Europe/Atlantis"), zel::Error);
    // A year in which a zone changes its clocks other than once forward and once back: Brazil
    // gave up daylight saving in 2019 after ending it in February.
    try {
        DayLightSavingsDates::ForYear(2019, "America/Sao_Paulo");
        ADD_FAILURE();
    } catch (const zel::Error& e) {
        EXPECT_NE(e.Description().find("forward 0 times and back 1 time in 2019"), std::string::npos)
            << e.Description();
    }
}

// The C library reads the same zone files its own way: walking the year in quarter hours, its
// local time must change its offset exactly at the two changes, and nowhere else.
TEST(DayLightSavingsDatesTest, TheCLibrarySeesTheSameChanges)
{
    for (const Published& zone : kPublished) {
        if (!zone.Start)
            continue;
        SCOPED_TRACE(zone.Zone);
        MachineZone machine(zone.Zone);
        ::tzset();
        const auto dates = DayLightSavingsDates::ForYear(zone.Year);
        std::vector<std::pair<DateTime, bool>> changes; // local time before, forward
        std::tm first{};
        first.tm_year = zone.Year - 1900;
        first.tm_mday = 1;
        const std::time_t from = ::timegm(&first) - 14 * 3600;
        const std::time_t to = from + 367 * 24 * 3600 + 28 * 3600;
        std::tm before{};
        ::localtime_r(&from, &before);
        for (std::time_t t = from + 900; t < to; t += 900) {
            std::tm now{};
            ::localtime_r(&t, &now);
            if (now.tm_gmtoff != before.tm_gmtoff) {
                const DateTime wall = DateTime::FromTotalSeconds(DateTime(1970, 1, 1).TotalSeconds() +
                                                                 static_cast<std::int64_t>(t) + before.tm_gmtoff);
                if (wall.Year() == zone.Year)
                    changes.emplace_back(wall, now.tm_gmtoff > before.tm_gmtoff);
            }
            before = now;
        }
        ASSERT_EQ(changes.size(), 2u);
        for (const auto& [wall, forward] : changes)
            EXPECT_EQ(wall, forward ? dates.Start() : dates.End()) << wall.ToString();
    }
}
