#include "SimulatedClock.h"

#include "Calendar.h"

std::int64_t SimulatedClock::milliseconds(int year, int month, int day, int hour, int minute, int second)
{
    return ((static_cast<std::int64_t>(dayNumber(year, month, day)) * 24 + hour) * 60 + minute) * 60000 +
           second * 1000;
}

SystemTime SimulatedClock::toSystemTime(std::int64_t ms)
{
    // Howard Hinnant's civil_from_days.
    std::int64_t days = ms / 86400000;
    std::int64_t rest = ms % 86400000;
    if (rest < 0) {
        rest += 86400000;
        --days;
    }
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t dayOfEra = z - era * 146097;                                                // [0, 146096]
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365; // [0, 399]
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);  // [0, 365]
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;                                            // [0, 11]
    const std::int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;                                   // [1, 31]
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;                                         // [1, 12]
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);

    SystemTime time;
    time.wYear = static_cast<std::uint16_t>(year);
    time.wMonth = static_cast<std::uint16_t>(month);
    time.wDay = static_cast<std::uint16_t>(day);
    time.wDayOfWeek = static_cast<std::uint16_t>((days % 7 + 11) % 7); // 1970-01-01 was a Thursday
    time.wHour = static_cast<std::uint16_t>(rest / 3600000);
    time.wMinute = static_cast<std::uint16_t>(rest / 60000 % 60);
    time.wSecond = static_cast<std::uint16_t>(rest / 1000 % 60);
    time.wMilliseconds = static_cast<std::uint16_t>(rest % 1000);
    return time;
}
