#pragma once

#include "zel/data/FieldValue.h"

#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace zel::data::detail {

// Turns a failed SQLite call into a raised zel::Error. Every SQLite result code of the store
// passes through here. `context` says what was being done.
void CheckSqlite(sqlite3* db, int resultCode, std::string_view context);
[[noreturn]] void RaiseSqlite(sqlite3* db, int resultCode, std::string_view context);

// A prepared statement, finalized when it goes. Values are bound, never pasted into the text.
class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, std::string_view sql, bool persistent = false);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // 1-based parameter index.
    void Bind(int index, const FieldValue& value);
    // true: a row is ready; false: the statement has run to its end.
    bool Step();
    // Makes the statement ready for the next use and drops its bound values.
    void Reset() noexcept;

    int ColumnCount() const;
    std::string ColumnName(int column) const;
    FieldValue Column(int column) const;

    // Resets the statement when the scope of one use ends, also on failure.
    class Use {
    public:
        explicit Use(SqliteStatement& statement) : mStatement(statement) {}
        ~Use() { mStatement.Reset(); }
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;
        SqliteStatement* operator->() const { return &mStatement; }

    private:
        SqliteStatement& mStatement;
    };

private:
    sqlite3* mDb;
    sqlite3_stmt* mStatement = nullptr;
    std::string mSql;
};

} // namespace zel::data::detail
