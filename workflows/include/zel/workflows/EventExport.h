#pragma once
// Writes stored events for other programs: CSV (RFC 4180) or JSON, UTF-8.

#include "zel/TextFormats.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <map>
#include <string>

namespace zel::data {
class EventStore;
class ReaderDescriptionList;
struct EventFilter;
struct StoredEvent;
} // namespace zel::data

namespace zel::workflows {

enum class EventFileFormat { Csv, Json };

// Texts in the files follow the one CSV and JSON rule of zel/TextFormats.h.
using zel::JsonString;

// "2026-03-15 14:05:09" -> "2026-03-15T14:05:09" (ISO 8601, the clock's local time).
std::string IsoTime(const std::string& timeStamp);

// The time zone of each clock (Readers.ID to an IANA name; empty: this machine's zone).
using ClockZones = std::map<std::int32_t, std::string>;
// The zones of the clocks of a list; SiteClockZones: of the thread's site.
ClockZones ClockZonesOf(const zel::data::ReaderDescriptionList& clocks);
ClockZones SiteClockZones();

// "2026-03-15 14:05:09" logged in `zone` -> "2026-03-15T19:05:09Z": the moment in UTC, with the
// offset in force at that moment in the zone. A local time that a change of the offset repeats
// (autumn) is taken as its first pass, one it skips (spring) with the offset before the change
// (ClockZone). Empty for a time stamp that is no date and time, or a zone the database lacks.
std::string UtcTime(const std::string& timeStamp, const std::string& zone);

// Writes every event the filter covers, newest first: a header line then one line per event
// (CSV, lines ended by CR LF), or a JSON array of objects. The columns: time, clock, clock_id,
// reader_id, user_id, user_name, kind, format_type, data1, data2 (hex), collected_at, time_utc
// (UtcTime with the clock's zone from `zones`; a clock not there keeps this machine's zone;
// empty, or JSON null, when it cannot be told). CSV text
// cells are guarded against spreadsheet formulas unless `texts` is Raw (zel::CsvText). Returns
// the number of events written; `progress` (optional) is told the count every 10,000 events.
// Raises what the store raises; the stream's own failure is the caller's to check.
std::int64_t WriteEvents(std::ostream& out, const zel::data::EventStore& store, const zel::data::EventFilter& filter,
                         const ClockZones& zones, EventFileFormat format,
                         const std::function<void(std::int64_t)>& progress = {},
                         zel::CsvTexts texts = zel::CsvTexts::Guarded);

} // namespace zel::workflows
