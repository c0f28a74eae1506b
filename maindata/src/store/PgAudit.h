#pragma once

#include "SqliteAudit.h"
#include "zel/data/AuditLog.h"

#include <cstdint>
#include <functional>
#include <string>

namespace zel::data::detail {

class PgConnection;

// The statements of the AuditLog table on PostgreSQL. Every function takes the connection's handle;
// the caller holds the transaction where one is needed. Filters come with their times in the
// stored form (AuditLog::NormalTime).

// Makes the AuditLog table, its index and the triggers that refuse UPDATE and DELETE when they are
// absent; several programs may do so at the same moment.
void EnsurePgAuditTable(PgConnection& connection);
bool HasPgAuditTable(PgConnection& connection);

// Locks the table against other appends until the caller's transaction ends (reads go on), then
// reads the end of the chain.
AuditLink LastPgAuditLink(PgConnection& connection);
// Inserts the row as it is (Sequence and hashes set); returns its ID.
std::int64_t InsertPgAuditRow(PgConnection& connection, const AuditEntry& entry);
std::int64_t CountPgAuditRows(PgConnection& connection, const AuditFilter& filter);
// Newest first, below row ID `beforeID` (from the newest when 0); limit < 0 means no limit.
void SelectPgAuditRows(PgConnection& connection, const AuditFilter& filter, std::int64_t beforeID, std::int64_t limit,
                       const std::function<void(AuditEntry&)>& onRow);
// Every row, oldest first (row ID ascending), with UserIDs as one element: the stored text.
void WalkPgAuditRows(PgConnection& connection, const std::function<void(AuditEntry&)>& onRow);

} // namespace zel::data::detail
