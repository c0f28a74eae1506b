#include "SqliteStatement.h"

#include "../Conversions.h"
#include "zel/data/DataErrors.h"

#include <sqlite3.h>

namespace zel::data::detail {

void CheckSqlite(sqlite3* db, int resultCode, std::string_view context)
{
    if (resultCode != SQLITE_OK && resultCode != SQLITE_ROW && resultCode != SQLITE_DONE)
        RaiseSqlite(db, resultCode, context);
}

void RaiseSqlite(sqlite3* db, int resultCode, std::string_view context)
{
    std::string message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(resultCode);
    std::string description =
        std::string(context) + ": " + message + " (SQLite error " + std::to_string(resultCode) + ")";
    long number = errc::StoreError;
    switch (resultCode & 0xFF) {
    case SQLITE_NOTADB:
        number = errc::UnrecognizedDatabaseFormat;
        break;
    case SQLITE_CANTOPEN:
        number = errc::PathFileAccessError;
        break;
    case SQLITE_READONLY:
    case SQLITE_PERM:
        number = errc::PermissionDenied;
        break;
    default:
        break;
    }
    Raise(number, std::move(description));
}

SqliteStatement::SqliteStatement(sqlite3* db, std::string_view sql, bool persistent) : mDb(db), mSql(sql)
{
    int rc = sqlite3_prepare_v3(db, mSql.c_str(), static_cast<int>(mSql.size()),
                                persistent ? SQLITE_PREPARE_PERSISTENT : 0, &mStatement, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(mStatement);
        mStatement = nullptr;
        RaiseSqlite(db, rc, "Preparing a statement");
    }
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(mStatement);
}

void SqliteStatement::Bind(int index, const FieldValue& value)
{
    int rc = SQLITE_OK;
    if (IsNull(value)) {
        rc = sqlite3_bind_null(mStatement, index);
    } else if (auto i = std::get_if<std::int64_t>(&value)) {
        rc = sqlite3_bind_int64(mStatement, index, *i);
    } else if (auto d = std::get_if<double>(&value)) {
        rc = sqlite3_bind_double(mStatement, index, *d);
    } else {
        const auto& text = std::get<std::string>(value);
        rc = sqlite3_bind_text64(mStatement, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    }
    CheckSqlite(mDb, rc, "Binding a value");
}

bool SqliteStatement::Step()
{
    int rc = sqlite3_step(mStatement);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    RaiseSqlite(mDb, rc, "Executing a statement");
}

void SqliteStatement::Reset() noexcept
{
    sqlite3_reset(mStatement);
    sqlite3_clear_bindings(mStatement);
}

int SqliteStatement::ColumnCount() const
{
    return sqlite3_column_count(mStatement);
}

std::string SqliteStatement::ColumnName(int column) const
{
    const char* name = sqlite3_column_name(mStatement, column);
    return name != nullptr ? name : "";
}

FieldValue SqliteStatement::Column(int column) const
{
    switch (sqlite3_column_type(mStatement, column)) {
    case SQLITE_INTEGER:
        return FieldValue(static_cast<std::int64_t>(sqlite3_column_int64(mStatement, column)));
    case SQLITE_FLOAT:
        return FieldValue(sqlite3_column_double(mStatement, column));
    case SQLITE_NULL:
        return FieldValue();
    case SQLITE_BLOB: {
        // Taken as text: its bytes as they are.
        const void* data = sqlite3_column_blob(mStatement, column);
        int size = sqlite3_column_bytes(mStatement, column);
        if (data == nullptr)
            return FieldValue(std::string());
        return FieldValue(std::string(static_cast<const char*>(data), static_cast<std::size_t>(size)));
    }
    default: {
        const unsigned char* text = sqlite3_column_text(mStatement, column);
        int size = sqlite3_column_bytes(mStatement, column);
        if (text == nullptr)
            return FieldValue(std::string());
        return FieldValue(std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size)));
    }
    }
}

} // namespace zel::data::detail
