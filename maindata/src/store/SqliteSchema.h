#pragma once

struct sqlite3;

namespace zel::data::detail {

// The SQL that makes the three tables of a new site database: NOT NULL on every column whose
// Null the load rules refuse, and a unique index, without regard to letter case, on each list
// key (Users.UserID, Readers.Name, Channels.Name).
extern const char* const SchemaSql;

// Gives a site database made before these constraints existed (or made by hand) the unique key
// indexes and the NOT NULL constraints, table by table, when the table's rows allow it. A table
// whose rows do not allow it is left as it is: loading its list then names the row at fault.
// The file's own layout (column order, declared types, other indexes and triggers) is kept.
// Runs in a transaction of its own; a failure leaves the file unchanged and is not raised.
void UpgradeSchema(sqlite3* db) noexcept;

} // namespace zel::data::detail
