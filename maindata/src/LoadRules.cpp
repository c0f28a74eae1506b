#include "LoadRules.h"

#include "Conversions.h"
#include "DatabaseState.h"
#include "Schema.h"
#include "zel/data/DataErrors.h"
#include "zel/data/SiteErrors.h"

namespace zel::data::detail {

namespace {

// A value as a message shows it: its text, cut short when long.
std::string Shown(const FieldValue& value)
{
    if (IsNull(value))
        return "Null";
    std::string text = ToText(value);
    if (text.size() > 40)
        text = text.substr(0, 40) + "...";
    return "'" + text + "'";
}

std::string RuleFor(long number, const FieldValue* value, const char* expected)
{
    switch (number) {
    case errc::InvalidUseOfNull:
        return std::string("the value is Null, which is not allowed here (") + expected + " is required)";
    case errc::Overflow:
        return "the value " + (value ? Shown(*value) : std::string("?")) + " is out of range (" + expected +
               " is required)";
    case errc::TypeMismatch:
        return "the value " + (value ? Shown(*value) : std::string("?")) + " does not convert (" + expected +
               " is required)";
    case errc::ItemNotFound:
        return "the table has no such column";
    default:
        return "the value " + (value ? Shown(*value) : std::string("?")) + " cannot be read";
    }
}

template <typename F> auto Read(const Record& row, std::string_view column, const char* expected, F convert)
{
    const FieldValue* value = nullptr;
    try {
        value = &row.Value(column);
        return convert(*value);
    } catch (const ColumnError&) {
        throw;
    } catch (const zel::Error& error) {
        throw ColumnError(error.Number(), std::string(column), RuleFor(error.Number(), value, expected));
    }
}

std::string FileName()
{
    auto store = CurrentStore();
    return store ? store->FileName() : std::string();
}

} // namespace

ColumnError::ColumnError(long number, std::string column, std::string rule)
    : zel::Error(number, ErrorSource, "Column " + column + ": " + rule), mColumn(std::move(column)),
      mRule(std::move(rule))
{
}

std::int32_t ReadInt16(const Record& row, std::string_view column)
{
    return Read(row, column, "a whole number from -32768 to 32767", ToInt16);
}

std::int32_t ReadInt32(const Record& row, std::string_view column)
{
    return Read(row, column, "a whole number from -2147483648 to 2147483647", ToInt32);
}

std::uint8_t ReadUInt8ViaText(const Record& row, std::string_view column)
{
    return Read(row, column, "a whole number from 0 to 255", ToUInt8ViaText);
}

bool ReadBoolean(const Record& row, std::string_view column)
{
    return Read(row, column, "a yes/no value", ToBoolean);
}

std::string ReadText(const Record& row, std::string_view column)
{
    return Read(row, column, "a text", ToText);
}

std::string ReadTextOrEmpty(const Record& row, std::string_view column)
{
    return Read(row, column, "a text", ToTextOrEmpty);
}

std::string RowIDText(const Record& row)
{
    if (!row.Has(schema::ID))
        return "?";
    const auto& value = row.Value(schema::ID);
    return IsNull(value) ? std::string("Null") : ToText(value);
}

void RaiseLoadError(std::string_view table, const Record& row, const ColumnError& error)
{
    throw SiteLoadError(error.Number(), FileName(), std::string(table), RowIDText(row), error.Column(), error.Rule());
}

void RaiseDuplicateKey(std::string_view table, const std::string& rowID, std::string_view column,
                       const std::string& key, const std::string& otherRowID)
{
    throw SiteLoadError(errc::DuplicateKey, FileName(), std::string(table), rowID, std::string(column),
                        "the key '" + key + "' is held by row ID " + otherRowID +
                            " too (keys are compared without regard to letter case)");
}

void RaiseBadValue(std::string_view table, const Record& row, std::string_view column, const std::string& rule)
{
    throw SiteLoadError(errc::TypeMismatch, FileName(), std::string(table), RowIDText(row), std::string(column), rule);
}

} // namespace zel::data::detail
