#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace zel {

// A plain calendar date and time of day (local, no time zone), to the second.
class DateTime {
public:
    DateTime() = default; // 1899-12-30 00:00:00, the classic zero date
    DateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

    static DateTime Now();
    static bool IsValidDate(int year, int month, int day);
    static int DaysInMonth(int year, int month);
    static DateTime FromTimeT(std::time_t t); // local time
    std::time_t ToTimeT() const;              // local time

    int Year() const { return mYear; }
    int Month() const { return mMonth; }
    int Day() const { return mDay; }
    int Hour() const { return mHour; }
    int Minute() const { return mMinute; }
    int Second() const { return mSecond; }
    // 0 Sunday .. 6 Saturday
    int DayOfWeek() const;

    DateTime AddSeconds(std::int64_t seconds) const;
    DateTime AddDays(int days) const;
    DateTime DatePart() const { return DateTime(mYear, mMonth, mDay); }

    // Seconds since 0001-01-01 00:00:00 (proleptic Gregorian).
    std::int64_t TotalSeconds() const;
    static DateTime FromTotalSeconds(std::int64_t seconds);

    // "YYYY-MM-DD HH:MM:SS"
    std::string ToString() const;
    std::string DateString() const; // "YYYY-MM-DD"
    std::string TimeString() const; // "HH:MM:SS"

    friend bool operator==(const DateTime& a, const DateTime& b) { return a.TotalSeconds() == b.TotalSeconds(); }
    friend bool operator!=(const DateTime& a, const DateTime& b) { return !(a == b); }
    friend bool operator<(const DateTime& a, const DateTime& b) { return a.TotalSeconds() < b.TotalSeconds(); }
    friend bool operator<=(const DateTime& a, const DateTime& b) { return !(b < a); }
    friend bool operator>(const DateTime& a, const DateTime& b) { return b < a; }
    friend bool operator>=(const DateTime& a, const DateTime& b) { return !(a < b); }

private:
    int mYear = 1899;
    int mMonth = 12;
    int mDay = 30;
    int mHour = 0;
    int mMinute = 0;
    int mSecond = 0;
};

} // namespace zel
