#pragma once

#include "Calendar.h"
#include "TimeZones.h"

#include <string>

// Time zones without the system: the user's clock runs at a fixed offset
// from UTC, and the system knows four Windows zones, "W. Europe Standard
// Time" (UTC+1) and "GMT Standard Time" (UTC) with summer time by the EU's
// rule, "AUS Eastern Standard Time" (UTC+10, summer time by Sydney's) and
// "Eastern Standard Time" (UTC-5, kept without summer time).
class FixedTimeZones : public TimeZones {
public:
    explicit FixedTimeZones(int userOffsetMinutes)
        : userOffset(userOffsetMinutes)
    {
    }

    SystemTime localFromUtc(const SystemTime& utc) const override { return shifted(utc, userOffset); }

    bool utcFromZone(const std::string& zone, const SystemTime& local, SystemTime& utc) const override
    {
        int offset = 0;
        if (zone == "W. Europe Standard Time")
            offset = europeanSummer(local, 60) ? 120 : 60;
        else if (zone == "GMT Standard Time")
            offset = europeanSummer(local, 0) ? 60 : 0;
        else if (zone == "AUS Eastern Standard Time")
            offset = australianSummer(local) ? 660 : 600;
        else if (zone == "Eastern Standard Time")
            offset = -300;
        else
            return false;
        utc = shifted(local, -offset);
        return true;
    }

    static SystemTime shifted(const SystemTime& time, int minutes)
    {
        const long long total =
            dayNumber(time.wYear, time.wMonth, time.wDay) * 1440LL + time.wHour * 60LL + time.wMinute + minutes;
        const long long days = (total >= 0 ? total : total - 1439) / 1440;
        SystemTime out = time;
        setDayNumber(out, static_cast<long>(days));
        out.wHour = static_cast<std::uint16_t>((total - days * 1440) / 60);
        out.wMinute = static_cast<std::uint16_t>((total - days * 1440) % 60);
        return out;
    }

private:
    // The minute of the Sunday of `month` in the year of `local`, the first
    // or the last, at `hour`.
    static long long sunday(const SystemTime& local, int month, bool last, int hour)
    {
        long day = dayNumber(local.wYear, month, last ? daysInMonth(local.wYear, month) : 1);
        day += last ? -weekdayOf(day) : (7 - weekdayOf(day)) % 7;
        return day * 1440LL + hour * 60;
    }

    static long long minuteOf(const SystemTime& local)
    {
        return dayNumber(local.wYear, local.wMonth, local.wDay) * 1440LL + local.wHour * 60LL + local.wMinute;
    }

    // From the last Sunday of March to the last Sunday of October, at 01:00
    // UTC, for a zone `standard` minutes ahead of UTC.
    static bool europeanSummer(const SystemTime& local, int standard)
    {
        const int hour = 1 + standard / 60;
        return minuteOf(local) >= sunday(local, 3, true, hour) && minuteOf(local) < sunday(local, 10, true, hour + 1);
    }

    // Until the first Sunday of April, 03:00, and from the first Sunday of October, 02:00.
    static bool australianSummer(const SystemTime& local)
    {
        return minuteOf(local) < sunday(local, 4, false, 3) || minuteOf(local) >= sunday(local, 10, false, 2);
    }

    int userOffset;
};
