#pragma once

#include "zel/data/EventStore.h"

#include <cstdint>
#include <optional>
#include <vector>

struct sqlite3;

namespace zel::data::detail {

class PgConnection;

// The statements of the EventCollections table (one row per clock and collection), on both
// engines: the same SQL, with the engine's placeholders. A new site has it, and a writer's open
// adds it to an older site (layout version 5); an older site opened only to append gets it with
// its first insert, inside the caller's append transaction, so a read-only open never makes it;
// reads of a site without it find nothing. The caller holds the transaction where one is needed.

void EnsureCollectionsTable(sqlite3* db);
void EnsureCollectionsTable(PgConnection& connection);

void InsertCollection(sqlite3* db, const StoredCollection& collection);
void InsertCollection(PgConnection& connection, const StoredCollection& collection);

std::optional<StoredCollection> LastSerialCollection(sqlite3* db, std::int32_t clockID);
std::optional<StoredCollection> LastSerialCollection(PgConnection& connection, std::int32_t clockID);

std::vector<ClockCollectionSummary> CollectionSummary(sqlite3* db);
std::vector<ClockCollectionSummary> CollectionSummary(PgConnection& connection);

} // namespace zel::data::detail
