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
};
PgTableColumns PgColumnsOf(PgConnection& connection, std::string_view table);

} // namespace zel::data::detail
