#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace zel::data {

// One value of a table cell as the store hands it over: Null, an integer, a real number or a
// text (UTF-8; may hold NUL characters).
using FieldValue = std::variant<std::monostate, std::int64_t, double, std::string>;

inline bool IsNull(const FieldValue& value) noexcept
{
    return std::holds_alternative<std::monostate>(value);
}

// A column name with the value to write into it.
struct Field {
    std::string Name;
    FieldValue Value;
};

} // namespace zel::data
