#pragma once

#include "zel/data/FieldValue.h"

#include <cstdint>
#include <string>

// The conversions through which every value read from a table passes. They fail as the classic
// runtime conversions do: 94 for Null, 6 for a number out of range, 13 for a text that is no number.
namespace zel::data::detail {

[[noreturn]] void Raise(long number, std::string description);

std::int32_t ToInt16(const FieldValue& value);
std::int32_t ToInt32(const FieldValue& value);
// The value is first turned into its decimal text, then that text into a number 0 to 255.
std::uint8_t ToUInt8ViaText(const FieldValue& value);
bool ToBoolean(const FieldValue& value);
std::string ToText(const FieldValue& value);
// Like ToText, but Null gives the empty text.
std::string ToTextOrEmpty(const FieldValue& value);

// Values as they are written: the four kinds text, 32-bit, unsigned 8-bit and boolean.
inline FieldValue FromText(const std::string& text)
{
    return FieldValue(text);
}
inline FieldValue FromInt32(std::int32_t value)
{
    return FieldValue(static_cast<std::int64_t>(value));
}
inline FieldValue FromUInt8(std::uint8_t value)
{
    return FieldValue(static_cast<std::int64_t>(value));
}
inline FieldValue FromBoolean(bool value)
{
    return FieldValue(static_cast<std::int64_t>(value ? 1 : 0));
}

} // namespace zel::data::detail
