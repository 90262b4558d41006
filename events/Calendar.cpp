#include "Calendar.h"

bool isLeapYear(int year)
{
    if (year % 4 != 0)
        return false;
    if (year % 100 != 0)
        return true;
    return (year / 100) % 4 == 0;
}

int daysInMonth(int year, int month)
{
    static const int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    if (month == 2 && isLeapYear(year))
        return 29;
    return lengths[month - 1];
}

bool isValidDate(const SystemTime& date)
{
    return date.wDay >= 1 && date.wDay <= daysInMonth(date.wYear, date.wMonth);
}

void addDays(SystemTime& date, int count)
{
    if (!isValidDate(date))
        return;
    int year = date.wYear;   // 0..65535, may pass 65535 below; wraps on store
    int month = date.wMonth; // 1..12
    int day = date.wDay;     // 1..daysInMonth(year, month)
    for (; count > 0; --count) {
        if (++day > daysInMonth(year, month)) {
            day = 1;
            if (++month == 13) {
                month = 1;
                ++year; // the leap rule is taken afresh for each year crossed
            }
        }
    }
    date.wYear = static_cast<std::uint16_t>(year);
    date.wMonth = static_cast<std::uint16_t>(month);
    date.wDay = static_cast<std::uint16_t>(day);
}

bool sameDate(const SystemTime& a, const SystemTime& b)
{
    return a.wDay == b.wDay && a.wMonth == b.wMonth && a.wYear == b.wYear;
}

long dayNumber(int year, int month, int day)
{
    // Howard Hinnant's days_from_civil: eras of 400 years from 1 March 0000.
    const long y = year - (month <= 2 ? 1 : 0);
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yearOfEra = y - era * 400;                                          // [0, 399]
    const long dayOfYear = (153L * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1; // [0, 365]
    const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;  // [0, 146096]
    return era * 146097 + dayOfEra - 719468;
}

void setDayNumber(SystemTime& date, long days)
{
    // Howard Hinnant's civil_from_days.
    const long shifted = days + 719468;
    const long era = (shifted >= 0 ? shifted : shifted - 146096) / 146097;
    const long dayOfEra = shifted - era * 146097;                                            // [0, 146096]
    const long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365; // [0, 399]
    const long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);   // [0, 365]
    const long monthFromMarch = (5 * dayOfYear + 2) / 153;                                   // [0, 11]
    const long day = dayOfYear - (153 * monthFromMarch + 2) / 5 + 1;                         // [1, 31]
    const long month = monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9;        // [1, 12]
    const long year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    date.wYear = static_cast<std::uint16_t>(year);
    date.wMonth = static_cast<std::uint16_t>(month);
    date.wDay = static_cast<std::uint16_t>(day);
}

int weekdayOf(long days)
{
    // Day 0, 1 January 1970, was a Thursday.
    const long weekday = (days + 4) % 7;
    return static_cast<int>(weekday < 0 ? weekday + 7 : weekday);
}

long long secondsOf(const SystemTime& time)
{
    return static_cast<long long>(dayNumber(time)) * secondsPerDay +
           time.wHour * 3600LL + time.wMinute * 60LL + time.wSecond;
}

SystemTime timeAt(long long seconds)
{
    SystemTime time;
    // Rounded down, so that the time of day is never negative.
    const long long day = seconds >= 0 ? seconds / secondsPerDay : -((-seconds + secondsPerDay - 1) / secondsPerDay);
    const long long ofDay = seconds - day * secondsPerDay;
    setDayNumber(time, static_cast<long>(day));
    time.wHour = static_cast<std::uint16_t>(ofDay / 3600);
    time.wMinute = static_cast<std::uint16_t>(ofDay / 60 % 60);
    time.wSecond = static_cast<std::uint16_t>(ofDay % 60);
    return time;
}

bool dateBefore(const SystemTime& a, const SystemTime& b)
{
    if (a.wYear != b.wYear)
        return a.wYear < b.wYear;
    if (a.wMonth != b.wMonth)
        return a.wMonth < b.wMonth;
    return a.wDay < b.wDay;
}

SystemTime oneYearBefore(const SystemTime& date)
{
    SystemTime earlier = date;
    if (earlier.wYear > 0)
        --earlier.wYear;
    if (earlier.wMonth == 2 && earlier.wDay == 29 && !isLeapYear(earlier.wYear))
        earlier.wDay = 28;
    return earlier;
}
