#pragma once

struct sqlite3;

namespace zel::data::detail {

// The SQL that makes the three tables of a new site database: NOT NULL on every column whose
// Null the load rules refuse, and a unique index, without regard to letter case, on each list
// key (Users.UserID, Readers.Name, Channels.Name).
extern const char* const SchemaSql;

// The version of the layout this library makes, kept in the file (PRAGMA user_version):
// 0  a file of an earlier version, or one made by hand;
// 1  the list tables hold their key indexes and NOT NULL constraints, and the Events table is
//    there with its column UserName;
// 2  the AuditLog table is there;
// 3  the tables of the template life cycle (PendingErasures, SiteSettings) and Users.TemplateStoredAt.
// 4  Readers has the column TimeZone.
inline constexpr int SiteSchemaVersion = 5;

// Gives a site database made before these constraints existed (or made by hand) the unique key
// indexes and the NOT NULL constraints, table by table, when the table's rows allow it. A table
// whose rows do not allow it is left as it is: loading its list then names the row at fault.
// The file's own layout (column order, declared types, other indexes and triggers) is kept.
// Runs in a transaction of its own; a failure leaves the file unchanged and is not raised.
// True when every list table has its keys and constraints now.
bool UpgradeSchema(sqlite3* db) noexcept;

// Brings a file whose version is below SiteSchemaVersion up to date, once: the writer (`writer`)
// gives it everything (UpgradeSchema, the Events and AuditLog tables, Readers.TimeZone) and records the version when all of it is
// there (a table whose rows did not allow its keys is tried again at the next open); a connection
// that appends beside the writer makes only what appending needs and records nothing. A file at
// the version (or a newer one) is not written at all. Raises the engine's error when the Events
// or AuditLog table cannot be made.
void BringUpToDate(sqlite3* db, bool writer);

} // namespace zel::data::detail
