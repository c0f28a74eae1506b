#pragma once
// Writes stored events for other programs: CSV (RFC 4180) or JSON, UTF-8.

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

// One field quoted as RFC 4180 wants: in double quotes, with inner quotes doubled, when it holds
// a comma, a quote, a line break or leading/trailing blanks; otherwise as it is.
std::string CsvField(const std::string& text);
// A JSON string literal of UTF-8 text: quotes, backslashes and control characters escaped.
std::string JsonString(const std::string& text);
// "2026-03-15 14:05:09" -> "2026-03-15T14:05:09" (ISO 8601, the clock's local time).
std::string IsoTime(const std::string& timeStamp);

// Writes every event the filter covers, newest first: a header line then one line per event
// (CSV, lines ended by CR LF), or a JSON array of objects. The columns: time, clock, clock_id,
// reader_id, user_id, user_name, kind, format_type, data1, data2 (hex), collected_at. Returns the
// number of events written; `progress` (optional) is told the count every 10,000 events.
// Raises what the store raises; the stream's own failure is the caller's to check.
std::int64_t WriteEvents(std::ostream& out, const zel::data::EventStore& store, const zel::data::EventFilter& filter,
                         EventFileFormat format, const std::function<void(std::int64_t)>& progress = {});

} // namespace zel::workflows
