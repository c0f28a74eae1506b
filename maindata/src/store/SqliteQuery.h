#pragma once

#include "SqliteStatement.h"

#include <sqlite3.h>

#include <string>

namespace zel::data::detail {

// A prepared statement of the append-only tables (Events, AuditLog), finalized when it goes. Its
// values are bound and its columns read through the SQLite calls on the handle (*query); a failed
// step raises the engine's error with what was being done.
class SqliteQuery {
public:
    SqliteQuery(sqlite3* db, const std::string& sql) : mDb(db)
    {
        CheckSqlite(db, sqlite3_prepare_v2(db, sql.c_str(), -1, &mStatement, nullptr), "Preparing a statement");
    }
    ~SqliteQuery() { sqlite3_finalize(mStatement); }
    SqliteQuery(const SqliteQuery&) = delete;
    SqliteQuery& operator=(const SqliteQuery&) = delete;

    sqlite3_stmt* operator*() const { return mStatement; }
    // True: a row is ready; false: the statement has run to its end.
    bool Step(const char* context)
    {
        const int rc = sqlite3_step(mStatement);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            RaiseSqlite(mDb, rc, context);
        return false;
    }
    void Reset()
    {
        sqlite3_reset(mStatement);
        sqlite3_clear_bindings(mStatement);
    }

    static void BindText(sqlite3_stmt* s, int index, const std::string& text)
    {
        sqlite3_bind_text(s, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
    // The column as text ("" for Null).
    static std::string Text(sqlite3_stmt* s, int column)
    {
        const auto* text = sqlite3_column_text(s, column);
        return text ? std::string(reinterpret_cast<const char*>(text),
                                  static_cast<std::size_t>(sqlite3_column_bytes(s, column)))
                    : std::string();
    }

private:
    sqlite3* mDb;
    sqlite3_stmt* mStatement = nullptr;
};

} // namespace zel::data::detail
