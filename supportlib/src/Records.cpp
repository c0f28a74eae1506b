#include "zel/support/Records.h"

#include "zel/Error.h"
#include "zel/support/ZelErrors.h"

namespace zel::support {

std::int32_t GetInt32LE(const std::uint8_t* p)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                                     (static_cast<std::uint32_t>(p[2]) << 16) |
                                     (static_cast<std::uint32_t>(p[3]) << 24));
}

void PutInt32LE(std::uint8_t* p, std::int32_t value)
{
    auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::int16_t GetInt16LE(const std::uint8_t* p)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}

void PutInt16LE(std::uint8_t* p, std::int16_t value)
{
    auto v = static_cast<std::uint16_t>(value);
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

int ExpandTwoDigitYear(int yearInCentury)
{
    return yearInCentury < 30 ? 2000 + yearInCentury : 1900 + yearInCentury;
}

zel::DateTime ReadTimeRecord(const std::uint8_t* p)
{
    int second = p[0], minute = p[1], hour = p[2], day = p[3], month = p[4], year = p[5];
    if (year > 99)
        throw zel::Error(zel::errc::InvalidArgument, "Channel", "Invalid date or time");
    return zel::DateTime(ExpandTwoDigitYear(year), month, day, hour, minute, second);
}

void CheckClockYear(const zel::DateTime& value)
{
    if (value.Year() < 1930 || value.Year() > 2029)
        RaiseInvalidArgument("The clock keeps dates from 1930 to 2029 only.");
}

void WriteTimeRecord(std::uint8_t* p, const zel::DateTime& value)
{
    CheckClockYear(value);
    p[0] = static_cast<std::uint8_t>(value.Second());
    p[1] = static_cast<std::uint8_t>(value.Minute());
    p[2] = static_cast<std::uint8_t>(value.Hour());
    p[3] = static_cast<std::uint8_t>(value.Day());
    p[4] = static_cast<std::uint8_t>(value.Month());
    p[5] = static_cast<std::uint8_t>(value.Year() % 100);
}

} // namespace zel::support
