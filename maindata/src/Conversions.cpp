#include "Conversions.h"

#include "zel/Text.h"
#include "zel/data/DataErrors.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

namespace zel::data::detail {

namespace {

[[noreturn]] void Overflow()
{
    Raise(errc::Overflow, "Overflow");
}
[[noreturn]] void TypeMismatch()
{
    Raise(errc::TypeMismatch, "Type mismatch");
}
[[noreturn]] void InvalidUseOfNull()
{
    Raise(errc::InvalidUseOfNull, "Invalid use of Null");
}

// A decimal number written as text, with blanks around it allowed.
std::optional<double> ParseNumber(const std::string& text)
{
    std::string trimmed = Trim(text);
    if (trimmed.empty())
        return std::nullopt;
    const char* first = trimmed.data();
    const char* last = first + trimmed.size();
    if (*first == '+')
        ++first;
    double value = 0;
    auto [end, ec] = std::from_chars(first, last, value);
    if (end != last)
        return std::nullopt;
    if (ec == std::errc::result_out_of_range)
        return std::numeric_limits<double>::infinity();
    if (ec != std::errc())
        return std::nullopt;
    return value;
}

// A number of any kind as a whole number within [low, high]; reals round half to even.
std::int64_t ToWhole(const FieldValue& value, std::int64_t low, std::int64_t high)
{
    if (IsNull(value))
        InvalidUseOfNull();
    std::int64_t whole = 0;
    if (auto i = std::get_if<std::int64_t>(&value)) {
        whole = *i;
    } else {
        double real = 0;
        if (auto d = std::get_if<double>(&value)) {
            real = *d;
        } else {
            auto parsed = ParseNumber(std::get<std::string>(value));
            if (!parsed)
                TypeMismatch();
            real = *parsed;
        }
        if (!std::isfinite(real))
            Overflow();
        real = std::nearbyint(real);
        if (real < static_cast<double>(low) || real > static_cast<double>(high))
            Overflow();
        whole = static_cast<std::int64_t>(real);
    }
    if (whole < low || whole > high)
        Overflow();
    return whole;
}

std::string RealToText(double value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return buffer;
}

} // namespace

void Raise(long number, std::string description)
{
    throw Error(number, ErrorSource, std::move(description));
}

std::int32_t ToInt16(const FieldValue& value)
{
    return static_cast<std::int32_t>(
        ToWhole(value, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()));
}

std::int32_t ToInt32(const FieldValue& value)
{
    return static_cast<std::int32_t>(
        ToWhole(value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

std::uint8_t ToUInt8ViaText(const FieldValue& value)
{
    return static_cast<std::uint8_t>(ToWhole(FieldValue(ToText(value)), 0, 255));
}

bool ToBoolean(const FieldValue& value)
{
    if (IsNull(value))
        InvalidUseOfNull();
    if (auto i = std::get_if<std::int64_t>(&value))
        return *i != 0;
    if (auto d = std::get_if<double>(&value))
        return *d != 0;
    const auto& text = std::get<std::string>(value);
    std::string word = FoldCase(Trim(text));
    if (word == "true")
        return true;
    if (word == "false")
        return false;
    auto parsed = ParseNumber(text);
    if (!parsed)
        TypeMismatch();
    return *parsed != 0;
}

std::string ToText(const FieldValue& value)
{
    if (IsNull(value))
        InvalidUseOfNull();
    if (auto i = std::get_if<std::int64_t>(&value))
        return std::to_string(*i);
    if (auto d = std::get_if<double>(&value))
        return RealToText(*d);
    return std::get<std::string>(value);
}

std::string ToTextOrEmpty(const FieldValue& value)
{
    return IsNull(value) ? std::string() : ToText(value);
}

} // namespace zel::data::detail
