#pragma once

#include "SystemTime.h"

// Gregorian calendar arithmetic on SystemTime. Except where said, only
// wYear, wMonth and wDay are read or changed.

constexpr long long secondsPerDay = 86400;

bool isLeapYear(int year);

// Days in `month` (1..12) of `year`; 0 for a month outside 1..12.
int daysInMonth(int year, int month);

// True for a real calendar date: month 1..12 and day within that month.
bool isValidDate(const SystemTime& date);

// Moves `date` forward by `count` whole days. A date that is not a real
// calendar date (a hand-edited file may hold month 13) is left as it is.
void addDays(SystemTime& date, int count);

bool sameDate(const SystemTime& a, const SystemTime& b);

// Days since 1 January 1970 of a real calendar date (negative before it).
long dayNumber(int year, int month, int day);
inline long dayNumber(const SystemTime& date)
{
    return dayNumber(date.wYear, date.wMonth, date.wDay);
}

// The date of a day number: its year, month and day; the rest of `date` is
// left as it is.
void setDayNumber(SystemTime& date, long days);

// 0 for Sunday to 6 for Saturday, as wDayOfWeek counts, of a day number.
int weekdayOf(long days);

// Seconds since 1 January 1970 00:00 of a real date and time, its hour,
// minute and second included.
long long secondsOf(const SystemTime& time);

// The date and time `seconds` after 1 January 1970 00:00 (before it when
// negative); its day of the week and milliseconds are 0.
SystemTime timeAt(long long seconds);

// True when the date of `a` (year, month, day) comes before the date of `b`.
bool dateBefore(const SystemTime& a, const SystemTime& b);

// The same day one year earlier; 29 February becomes 28 February.
SystemTime oneYearBefore(const SystemTime& date);
