#pragma once

#include <set>
#include <string>
#include <string_view>

namespace zel::data::detail {

class PgConnection;

// The SQL that makes the tables of a new site database on PostgreSQL: the three tables of the
// file with the same columns, the Events table, NOT NULL where the file has it, and a unique index
// on each list key that folds the letters A to Z as the file's NOCASE does. Names are written
// without quotes, so the server keeps them in lower case and hand-written SQL may spell them as
// the file does (Users, UserID). Each row of the three tables carries RowVersion, which every
// change raises by one (see PgStore).
extern const char* const PgSchemaSql;

// The name of a table or column as the server keeps it: lower case, quoted.
std::string PgIdentifier(std::string_view name);

// True when the connection's search path shows a table of that name.
bool PgTableExists(PgConnection& connection, std::string_view table);

// What the store must know of a table's columns to write it.
struct PgTableColumns {
    bool Exists = false;
    bool Versioned = false;      // it has the RowVersion column
    std::set<std::string> Bytes; // its bytea columns (lower case)
    std::set<std::string> Names; // all its columns (lower case)
};
PgTableColumns PgColumnsOf(PgConnection& connection, std::string_view table);

// The version of the site's layout this library makes, kept in the one row of table SiteSchema:
// none (no such table) for a site of an earlier version; 1: the Events table with its column
// UserName, and the change feed's triggers; 2: the AuditLog table, which refuses UPDATE and DELETE;
// 3: the tables of the template life cycle (PendingErasures, SiteSettings) and Users.TemplateStoredAt.
// 4: Readers has the column TimeZone.
inline constexpr int PgSiteSchemaVersion = 5;

// Records PgSiteSchemaVersion in the site (making table SiteSchema), inside the caller's
// transaction.
void SetPgSchemaVersion(PgConnection& connection);

// Brings a site whose version is below PgSiteSchemaVersion up to date, once: a writer
// (`everything`) makes the Events and AuditLog tables with its newer columns and the change feed and records
// the version; a connection that appends makes only the Events table and records nothing. Several
// programs may do so at the same moment. A site at the version is only read.
void BringPgSiteUpToDate(PgConnection& connection, bool everything);

} // namespace zel::data::detail
