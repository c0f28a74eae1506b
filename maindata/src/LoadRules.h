#pragma once

#include "zel/Error.h"
#include "zel/data/Record.h"

#include <cstdint>
#include <string>
#include <string_view>

// Reading the columns of a row while a list loads. A value that a column cannot take is raised as
// a SiteLoadError that names the file, the table, the row's ID, the column and the rule, with the
// number of the conversion that refused it (94, 6, 13; 3265 for a missing column).
namespace zel::data::detail {

// A column that could not be read, before the table and row are known (LoadFromRecord raises it;
// the list's load turns it into a SiteLoadError).
class ColumnError : public zel::Error {
public:
    ColumnError(long number, std::string column, std::string rule);
    const std::string& Column() const noexcept { return mColumn; }
    const std::string& Rule() const noexcept { return mRule; }

private:
    std::string mColumn;
    std::string mRule;
};

std::int32_t ReadInt16(const Record& row, std::string_view column);
std::int32_t ReadInt32(const Record& row, std::string_view column);
std::uint8_t ReadUInt8ViaText(const Record& row, std::string_view column);
bool ReadBoolean(const Record& row, std::string_view column);
std::string ReadText(const Record& row, std::string_view column);
std::string ReadTextOrEmpty(const Record& row, std::string_view column);

// The row's ID as the file holds it, for messages ("?" when there is no ID column).
std::string RowIDText(const Record& row);

// Runs `load` on one row of `table`; a ColumnError becomes the SiteLoadError of that row.
template <typename F> void LoadRow(std::string_view table, const Record& row, F load);
[[noreturn]] void RaiseLoadError(std::string_view table, const Record& row, const ColumnError& error);
// Two rows with one key (letters compared without regard to case): error 457.
[[noreturn]] void RaiseDuplicateKey(std::string_view table, const std::string& rowID, std::string_view column,
                                    const std::string& key, const std::string& otherRowID);
// A value that is none of those a column allows (the channel type): error 13.
[[noreturn]] void RaiseBadValue(std::string_view table, const Record& row, std::string_view column,
                                const std::string& rule);

template <typename F> void LoadRow(std::string_view table, const Record& row, F load)
{
    try {
        load();
    } catch (const ColumnError& error) {
        RaiseLoadError(table, row, error);
    }
}

} // namespace zel::data::detail
