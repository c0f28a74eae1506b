#include "zel/data/Record.h"

#include "Conversions.h"
#include "zel/Text.h"
#include "zel/data/DataErrors.h"

namespace zel::data {

Record::Record(std::shared_ptr<const std::vector<std::string>> columns, std::vector<FieldValue> values)
    : mColumns(std::move(columns)), mValues(std::move(values))
{
}

const std::vector<std::string>& Record::Columns() const
{
    static const std::vector<std::string> none;
    return mColumns ? *mColumns : none;
}

int Record::IndexOf(std::string_view column) const
{
    const auto& names = Columns();
    // Folding keeps the length of a text: names of another length are passed over unfolded.
    for (std::size_t i = 0; i < names.size() && i < mValues.size(); ++i)
        if (names[i].size() == column.size() && (names[i] == column || EqualsNoCase(names[i], column)))
            return static_cast<int>(i);
    return -1;
}

bool Record::Has(std::string_view column) const
{
    return IndexOf(column) >= 0;
}

const FieldValue& Record::Value(std::string_view column) const
{
    int index = IndexOf(column);
    if (index < 0)
        detail::Raise(errc::ItemNotFound, "Item cannot be found in the collection corresponding to the requested "
                                          "name or ordinal: column '" +
                                              std::string(column) + "'");
    return mValues[static_cast<std::size_t>(index)];
}

} // namespace zel::data
