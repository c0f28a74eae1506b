#pragma once

#include "zel/data/IStore.h"

#include <string_view>
#include <vector>

namespace zel::data::detail {

class PgConnection;

// The change feed of a site on PostgreSQL: a trigger on each of the three tables announces every
// inserted, changed or removed row on one notification channel, and each program's connection
// listens to it. The caller holds no transaction.

// The name the change feed gives a table of the feed ("Users", "Readers", "Channels") for its
// name in any case; nullptr for any other table.
const char* PgFeedTableName(std::string_view table);
// True when each of the three tables has the trigger.
bool HasPgChangeFeed(PgConnection& connection);
// Makes the trigger of each table that lacks it (an older site); several programs may do so at
// the same moment.
void EnsurePgChangeFeed(PgConnection& connection);
// The trigger function and triggers, for a new site (inside the caller's transaction).
void CreatePgChangeFeed(PgConnection& connection);
// Starts listening on the connection (once per session: again after a reconnect).
void ListenPgChangeFeed(PgConnection& connection);
// The changes that other sessions announced since the last call, without waiting; none when the
// connection is lost.
std::vector<StoredChange> TakePgChanges(PgConnection& connection);

} // namespace zel::data::detail
