#pragma once

#include "zel/data/FieldValue.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zel::data {

// One row read from a table: column names (shared by all rows of one read) and their values.
// Column names are found without regard to letter case.
class Record {
public:
    Record() = default;
    Record(std::shared_ptr<const std::vector<std::string>> columns, std::vector<FieldValue> values);

    // The value of `column`; error 3265 when the row has no such column.
    const FieldValue& Value(std::string_view column) const;
    bool Has(std::string_view column) const;

    int Count() const noexcept { return static_cast<int>(mValues.size()); }
    const std::vector<std::string>& Columns() const;
    const std::vector<FieldValue>& Values() const noexcept { return mValues; }

private:
    int IndexOf(std::string_view column) const;

    std::shared_ptr<const std::vector<std::string>> mColumns;
    std::vector<FieldValue> mValues;
};

} // namespace zel::data
