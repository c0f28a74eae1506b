#pragma once
// Writes stored events for other programs: CSV (RFC 4180) or JSON, UTF-8.

#include "zel/TextFormats.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

namespace zel::data {
class EventStore;
struct EventFilter;
struct StoredEvent;
} // namespace zel::data

namespace zel::workflows {

enum class EventFileFormat { Csv, Json };

// Texts in the files follow the one CSV and JSON rule of zel/TextFormats.h.
using zel::JsonString;

// "2026-03-15 14:05:09" -> "2026-03-15T14:05:09" (ISO 8601, the clock's local time).
std::string IsoTime(const std::string& timeStamp);

// Writes every event the filter covers, newest first: a header line then one line per event
// (CSV, lines ended by CR LF), or a JSON array of objects. The columns: time, clock, clock_id,
// reader_id, user_id, user_name, kind, format_type, data1, data2 (hex), collected_at. CSV text
// cells are guarded against spreadsheet formulas unless `texts` is Raw (zel::CsvText). Returns
// the number of events written; `progress` (optional) is told the count every 10,000 events.
// Raises what the store raises; the stream's own failure is the caller's to check.
std::int64_t WriteEvents(std::ostream& out, const zel::data::EventStore& store, const zel::data::EventFilter& filter,
                         EventFileFormat format, const std::function<void(std::int64_t)>& progress = {},
                         zel::CsvTexts texts = zel::CsvTexts::Guarded);

} // namespace zel::workflows
