#include "zel/workflows/EventExport.h"

#include "zel/Error.h"
#include "zel/data/DataSource.h"
#include "zel/data/EventStore.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/support/ClockZone.h"
#include "zel/workflows/EventKinds.h"

#include <cstdio>
#include <optional>
#include <ostream>

namespace zel::workflows {

namespace {

template <std::size_t N> std::string Hex(const std::array<std::uint8_t, N>& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (auto b : bytes) {
        text.push_back(digits[b >> 4]);
        text.push_back(digits[b & 0x0F]);
    }
    return text;
}

// "YYYY-MM-DD HH:MM:SS" (or with a T), nothing else.
std::optional<zel::DateTime> StampOf(const std::string& timeStamp)
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char separator = 0;
    int length = 0;
    if (timeStamp.size() != 19 ||
        std::sscanf(timeStamp.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%n", &year, &month, &day, &separator, &hour, &minute,
                    &second, &length) != 7 ||
        length != 19 || (separator != ' ' && separator != 'T'))
        return std::nullopt;
    if (!zel::DateTime::IsValidDate(year, month, day) || hour > 23 || minute > 59 || second > 59 || hour < 0 ||
        minute < 0 || second < 0)
        return std::nullopt;
    return zel::DateTime(year, month, day, hour, minute, second);
}

} // namespace

ClockZones ClockZonesOf(const zel::data::ReaderDescriptionList& clocks)
{
    ClockZones zones;
    for (const auto& clock : clocks.Items())
        zones[clock->DatabaseID()] = clock->TimeZone();
    return zones;
}

ClockZones SiteClockZones()
{
    return ClockZonesOf(*zel::data::DataSource().GetReaderDescriptionList());
}

std::string UtcTime(const std::string& timeStamp, const std::string& zone)
{
    const auto local = StampOf(timeStamp);
    if (!local)
        return {};
    try {
        const std::int64_t seconds = zel::support::ClockZone::UtcSeconds(zone, *local);
        // Seconds since 1970 as a plain date and time: the epoch's DateTime plus the seconds.
        return IsoTime(zel::DateTime(1970, 1, 1).AddSeconds(seconds).ToString()) + "Z";
    } catch (const zel::Error&) {
        return {};
    }
}

std::string IsoTime(const std::string& timeStamp)
{
    std::string iso = timeStamp;
    if (iso.size() > 10 && iso[10] == ' ')
        iso[10] = 'T';
    return iso;
}

std::int64_t WriteEvents(std::ostream& out, const zel::data::EventStore& store, const zel::data::EventFilter& filter,
                         const ClockZones& zones, EventFileFormat format,
                         const std::function<void(std::int64_t)>& progress, zel::CsvTexts texts)
{
    auto text = [texts](const std::string& cell) { return zel::CsvText(cell, texts); };
    auto utc = [&zones](const zel::data::StoredEvent& e) {
        const auto zone = zones.find(e.ClockID);
        return UtcTime(e.TimeStamp, zone == zones.end() ? std::string() : zone->second);
    };
    std::int64_t count = 0;
    if (format == EventFileFormat::Csv)
        out << "time,clock,clock_id,reader_id,user_id,user_name,kind,format_type,data1,data2,collected_at,time_utc\r\n";
    else
        out << '[';
    store.ForEach(filter, [&](const zel::data::StoredEvent& e) {
        if (format == EventFileFormat::Csv) {
            out << IsoTime(e.TimeStamp) << ',' << text(e.ClockName) << ',' << e.ClockID << ',' << e.ReaderID << ','
                << text(e.UserID) << ',' << text(e.UserName) << ',' << text(EventKindText(e.FormatType)) << ','
                << e.FormatType << ',' << Hex(e.Data1) << ',' << Hex(e.Data2) << ',' << IsoTime(e.CollectedAt) << ','
                << utc(e) << "\r\n";
        } else {
            out << (count ? ",\n " : "\n ") << "{\"time\": " << JsonString(IsoTime(e.TimeStamp))
                << ", \"clock\": " << JsonString(e.ClockName) << ", \"clock_id\": " << e.ClockID
                << ", \"reader_id\": " << e.ReaderID
                << ", \"user_id\": " << (e.UserID.empty() ? "null" : JsonString(e.UserID))
                << ", \"user_name\": " << (e.UserName.empty() ? "null" : JsonString(e.UserName))
                << ", \"kind\": " << JsonString(EventKindText(e.FormatType)) << ", \"format_type\": " << e.FormatType
                << ", \"data1\": \"" << Hex(e.Data1) << "\", \"data2\": \"" << Hex(e.Data2)
                << "\", \"collected_at\": " << JsonString(IsoTime(e.CollectedAt));
            const std::string inUtc = utc(e);
            out << ", \"time_utc\": " << (inUtc.empty() ? "null" : JsonString(inUtc)) << '}';
        }
        ++count;
        if (progress && count % 10000 == 0)
            progress(count);
    });
    if (format == EventFileFormat::Json)
        out << (count ? "\n]\n" : "]\n");
    return count;
}

} // namespace zel::workflows
