#pragma once

#include "Calendar.h"
#include "TimeZones.h"

#include <string>

// Time zones without the system: the user's clock runs at a fixed offset
// from UTC, and the system knows two Windows zones, "W. Europe Standard
// Time" (UTC+1, summer time by the EU's rule) and "Eastern Standard Time"
// (UTC-5, kept without summer time).
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
            offset = europeanSummer(local) ? 120 : 60;
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
    // From the last Sunday of March, 02:00, to the last Sunday of October, 03:00.
    static bool europeanSummer(const SystemTime& local)
    {
        const auto lastSunday = [&](int month) {
            const long last = dayNumber(local.wYear, month, daysInMonth(local.wYear, month));
            return last - ((last % 7 + 11) % 7); // day 0 was a Thursday
        };
        const long long minute =
            dayNumber(local.wYear, local.wMonth, local.wDay) * 1440LL + local.wHour * 60LL + local.wMinute;
        return minute >= lastSunday(3) * 1440LL + 120 && minute < lastSunday(10) * 1440LL + 180;
    }

    int userOffset;
};
