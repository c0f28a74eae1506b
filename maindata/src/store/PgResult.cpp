#include "PgResult.h"

#include <libpq-fe.h>

#include <cstring>
#include <utility>

namespace zel::data::detail {

namespace {

// Type numbers of the server's catalogue (pg_type.oid) that the site's tables use.
constexpr Oid BoolType = 16;
constexpr Oid ByteaType = 17;
constexpr Oid Int8Type = 20;
constexpr Oid Int2Type = 21;
constexpr Oid Int4Type = 23;
constexpr Oid OidType = 26;
constexpr Oid Float4Type = 700;
constexpr Oid Float8Type = 701;

std::uint64_t BigEndian(const char* bytes, int size)
{
    std::uint64_t value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}

std::int64_t SignedOf(std::uint64_t value, int size)
{
    if (size >= 8)
        return static_cast<std::int64_t>(value);
    const std::uint64_t sign = std::uint64_t{1} << (size * 8 - 1);
    return static_cast<std::int64_t>((value ^ sign)) - static_cast<std::int64_t>(sign);
}

} // namespace

PgResult::~PgResult()
{
    PQclear(mResult);
}

PgResult::PgResult(PgResult&& other) noexcept : mResult(std::exchange(other.mResult, nullptr)) {}

PgResult& PgResult::operator=(PgResult&& other) noexcept
{
    if (this != &other) {
        PQclear(mResult);
        mResult = std::exchange(other.mResult, nullptr);
    }
    return *this;
}

int PgResult::Rows() const
{
    return mResult != nullptr ? PQntuples(mResult) : 0;
}

int PgResult::Columns() const
{
    return mResult != nullptr ? PQnfields(mResult) : 0;
}

std::string PgResult::ColumnName(int column) const
{
    const char* name = PQfname(mResult, column);
    return name != nullptr ? name : "";
}

int PgResult::Affected() const
{
    const char* count = mResult != nullptr ? PQcmdTuples(mResult) : "";
    return *count != '\0' ? std::atoi(count) : 0;
}

FieldValue PgResult::Value(int row, int column) const
{
    if (PQgetisnull(mResult, row, column))
        return FieldValue();
    const char* bytes = PQgetvalue(mResult, row, column);
    const int size = PQgetlength(mResult, row, column);
    if (PQfformat(mResult, column) == 0)
        return FieldValue(std::string(bytes, static_cast<std::size_t>(size)));
    switch (PQftype(mResult, column)) {
    case BoolType:
        return FieldValue(static_cast<std::int64_t>(size > 0 && bytes[0] != 0 ? 1 : 0));
    case Int2Type:
    case Int4Type:
    case Int8Type:
        return FieldValue(SignedOf(BigEndian(bytes, size), size));
    case OidType:
        return FieldValue(static_cast<std::int64_t>(BigEndian(bytes, size)));
    case Float4Type: {
        auto bits = static_cast<std::uint32_t>(BigEndian(bytes, 4));
        float value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return FieldValue(static_cast<double>(value));
    }
    case Float8Type: {
        auto bits = BigEndian(bytes, 8);
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return FieldValue(value);
    }
    case ByteaType:
    default:
        // Text, varchar and bytea: the binary form is the bytes themselves.
        return FieldValue(std::string(bytes, static_cast<std::size_t>(size)));
    }
}

std::int64_t PgResult::Integer(int row, int column) const
{
    auto value = Value(row, column);
    if (auto number = std::get_if<std::int64_t>(&value))
        return *number;
    if (auto text = std::get_if<std::string>(&value))
        return std::atoll(text->c_str());
    return 0;
}

} // namespace zel::data::detail
