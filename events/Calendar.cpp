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
