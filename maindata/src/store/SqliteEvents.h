#pragma once

#include "zel/data/EventStore.h"

#include <cstdint>
#include <functional>
#include <vector>

struct sqlite3;

namespace zel::data::detail {

// The statements of the Events table on SQLite. Every function takes the connection's handle;
// the caller holds the transaction where one is needed.

// Makes the Events table and its indexes when they are absent, and adds the columns that an older
// table lacks (UserName), inside the caller's transaction (see BringUpToDate).
void EnsureEventsTable(sqlite3* db);
bool HasEventsTable(sqlite3* db);
// True when the Events table keeps the user's name of each event (a table of an earlier version
// does not; its events show the name of the site's user with that ID now).
bool EventsKeepNames(sqlite3* db);

// Inserts each event unless its key is stored; returns how many rows were inserted.
int InsertEvents(sqlite3* db, const std::vector<StoredEvent>& events);
bool ContainsEvent(sqlite3* db, const StoredEvent& event);
std::int64_t CountEventsOfClock(sqlite3* db, std::int32_t clockID);
std::int64_t CountEvents(sqlite3* db, const EventFilter& filter);
// Newest first; limit < 0 means no limit.
void SelectEvents(sqlite3* db, const EventFilter& filter, std::int64_t offset, std::int64_t limit,
                  const std::function<void(const StoredEvent&)>& onEvent);
// Newest first, from the event after `after` (from the newest when it is null); limit < 0 means
// no limit. Reads the time index from the cursor on instead of skipping rows.
void SelectEventsAfter(sqlite3* db, const EventFilter& filter, const EventCursor* after, std::int64_t limit,
                       const std::function<void(const StoredEvent&)>& onEvent);

} // namespace zel::data::detail
