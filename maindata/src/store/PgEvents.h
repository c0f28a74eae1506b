#pragma once

#include "zel/data/EventStore.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace zel::data::detail {

class PgConnection;

// The statements of the Events table on PostgreSQL, as SqliteEvents has them for the file. The
// caller holds the transaction where one is needed.

// Makes the Events table and its indexes when they are absent, and adds the columns an older
// table lacks (UserName); several programs may do so at the same moment.
void EnsurePgEventsTable(PgConnection& connection);
bool HasPgEventsTable(PgConnection& connection);

// Inserts each event unless its key is stored; returns how many rows were inserted.
int InsertPgEvents(PgConnection& connection, const std::vector<StoredEvent>& events);
bool ContainsPgEvent(PgConnection& connection, const StoredEvent& event);
std::int64_t CountPgEventsOfClock(PgConnection& connection, std::int32_t clockID);
std::int64_t CountPgEvents(PgConnection& connection, const EventFilter& filter);
// Newest first; limit < 0 means no limit.
void SelectPgEvents(PgConnection& connection, const EventFilter& filter, std::int64_t offset, std::int64_t limit,
                    const std::function<void(const StoredEvent&)>& onEvent);
// Newest first, from the event after `after` (from the newest when it is null); limit < 0 means
// no limit. Reads the time index from the cursor on instead of skipping rows.
void SelectPgEventsAfter(PgConnection& connection, const EventFilter& filter, const EventCursor* after,
                         std::int64_t limit, const std::function<void(const StoredEvent&)>& onEvent);

} // namespace zel::data::detail
