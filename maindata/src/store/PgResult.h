#pragma once

#include "zel/data/FieldValue.h"

#include <string>

struct pg_result;

namespace zel::data::detail {

// The result of one statement on the PostgreSQL server, cleared when it goes. Rows come in the
// binary format; Value turns a cell into the store's value kinds.
class PgResult {
public:
    PgResult() = default;
    explicit PgResult(pg_result* result) : mResult(result) {}
    ~PgResult();
    PgResult(PgResult&& other) noexcept;
    PgResult& operator=(PgResult&& other) noexcept;
    PgResult(const PgResult&) = delete;
    PgResult& operator=(const PgResult&) = delete;

    pg_result* Get() const { return mResult; }
    int Rows() const;
    int Columns() const;
    std::string ColumnName(int column) const;
    // The number of rows the statement changed (UPDATE, DELETE, INSERT).
    int Affected() const;

    // Null, an integer (integer and boolean columns), a real number or a text (text and bytea
    // columns: the bytes as they are).
    FieldValue Value(int row, int column) const;
    // The cell as a 64-bit integer (0 for Null).
    std::int64_t Integer(int row, int column) const;

private:
    pg_result* mResult = nullptr;
};

} // namespace zel::data::detail
