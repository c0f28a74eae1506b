#include "zel/DateTime.h"

#include "zel/Error.h"

#include <cstdio>

namespace zel {
namespace {

// Days from civil, after H. Hinnant's public-domain algorithm; day 0 = 1970-01-01.
std::int64_t DaysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * static_cast<unsigned>(m + (m > 2 ? -3 : 9)) + 2) / 5 + static_cast<unsigned>(d) - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
}

constexpr std::int64_t kEpochOffsetDays = 719162; // days from 0001-01-01 to 1970-01-01

} // namespace

bool DateTime::IsValidDate(int year, int month, int day)
{
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

int DateTime::DaysInMonth(int year, int month)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

DateTime::DateTime(int year, int month, int day, int hour, int minute, int second)
    : mYear(year), mMonth(month), mDay(day), mHour(hour), mMinute(minute), mSecond(second)
{
    if (!IsValidDate(year, month, day) || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        throw Error(errc::InvalidArgument, "zel", "Invalid date or time");
}

DateTime DateTime::Now() { return FromTimeT(std::time(nullptr)); }

DateTime DateTime::FromTimeT(std::time_t t)
{
    std::tm tm{};
    localtime_r(&t, &tm);
    return DateTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec > 59 ? 59 : tm.tm_sec);
}

std::time_t DateTime::ToTimeT() const
{
    std::tm tm{};
    tm.tm_year = mYear - 1900;
    tm.tm_mon = mMonth - 1;
    tm.tm_mday = mDay;
    tm.tm_hour = mHour;
    tm.tm_min = mMinute;
    tm.tm_sec = mSecond;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

int DateTime::DayOfWeek() const
{
    auto days = DaysFromCivil(mYear, mMonth, mDay); // 1970-01-01 was a Thursday
    return static_cast<int>(((days % 7) + 7 + 4) % 7);
}

std::int64_t DateTime::TotalSeconds() const
{
    auto days = DaysFromCivil(mYear, mMonth, mDay) + kEpochOffsetDays;
    return days * 86400 + mHour * 3600 + mMinute * 60 + mSecond;
}

DateTime DateTime::FromTotalSeconds(std::int64_t seconds)
{
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    int y = 0, m = 0, d = 0;
    CivilFromDays(days - kEpochOffsetDays, y, m, d);
    return DateTime(y, m, d, static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60));
}

DateTime DateTime::AddSeconds(std::int64_t seconds) const { return FromTotalSeconds(TotalSeconds() + seconds); }
DateTime DateTime::AddDays(int days) const { return AddSeconds(static_cast<std::int64_t>(days) * 86400); }

std::string DateTime::ToString() const { return DateString() + " " + TimeString(); }

std::string DateTime::DateString() const
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", mYear, mMonth, mDay);
    return buf;
}

std::string DateTime::TimeString() const
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", mHour, mMinute, mSecond);
    return buf;
}

} // namespace zel
