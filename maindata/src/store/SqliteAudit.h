#pragma once

#include "zel/data/AuditLog.h"

#include <cstdint>
#include <functional>
#include <string>

struct sqlite3;

namespace zel::data::detail {

// The statements of the AuditLog table on SQLite. Every function takes the connection's handle;
// the caller holds the transaction where one is needed. Filters come with their times in the
// stored form (AuditLog::NormalTime).

// The end of the chain: the last row's sequence and hash (0 and "" for an empty table).
struct AuditLink {
    std::int64_t Sequence = 0;
    std::string Hash;
};

// Makes the AuditLog table, its index and the triggers that refuse UPDATE and DELETE when they are
// absent, inside the caller's transaction (see BringUpToDate).
void EnsureAuditTable(sqlite3* db);
bool HasAuditTable(sqlite3* db);

AuditLink LastAuditLink(sqlite3* db);
// Inserts the row as it is (Sequence and hashes set); returns its ID.
std::int64_t InsertAuditRow(sqlite3* db, const AuditEntry& entry);
std::int64_t CountAuditRows(sqlite3* db, const AuditFilter& filter);
// Newest first, below row ID `beforeID` (from the newest when 0); limit < 0 means no limit.
void SelectAuditRows(sqlite3* db, const AuditFilter& filter, std::int64_t beforeID, std::int64_t limit,
                     const std::function<void(AuditEntry&)>& onRow);
// Every row, oldest first (row ID ascending), with UserIDs as one element: the stored text.
void WalkAuditRows(sqlite3* db, const std::function<void(AuditEntry&)>& onRow);

} // namespace zel::data::detail
