#include "PosixTimeZones.h"

#include "CalendarTime.h"

#include <ctime>

SystemTime PosixTimeZones::localFromUtc(const SystemTime& utc) const
{
    std::tm universal{};
    universal.tm_year = utc.wYear - 1900;
    universal.tm_mon = utc.wMonth - 1;
    universal.tm_mday = utc.wDay;
    universal.tm_hour = utc.wHour;
    universal.tm_min = utc.wMinute;
    universal.tm_sec = utc.wSecond;
    const std::time_t seconds = ::timegm(&universal);
    std::tm local{};
    if (seconds == static_cast<std::time_t>(-1) || !::localtime_r(&seconds, &local))
        return utc;
    return fromCalendarTime(local);
}
