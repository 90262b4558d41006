#pragma once

#include "Calendar.h"

#include <cstddef>
#include <string>
#include <string_view>

// Values as RFC 5545 writes them (numbers, dates and date-times, UTC offsets
// and durations): what a repetition rule's text is made of, and what the
// calendar reader takes.
class ValueText {
public:
    // A DATE (YYYYMMDD) or DATE-TIME (YYYYMMDDTHHMMSS, with Z for UTC), by
    // the day numbers of Calendar.h; its seconds are dropped.
    struct Stamp {
        long day = 0;
        long long second = 0; // of the day
        bool date = false;
        bool utc = false;
        long long seconds() const { return day * secondsPerDay + second; }
    };

    // Names, and values that are names (FREQ=WEEKLY, TRUE), are written in
    // any case.
    static bool sameText(std::string_view a, std::string_view b);

    // Calls `take` with each item of a comma-separated list; false when one
    // is empty or refused.
    template <typename Take>
    static bool forEachItem(std::string_view list, Take take)
    {
        while (true) {
            const std::size_t comma = list.find(',');
            const std::string_view item = list.substr(0, comma);
            if (item.empty() || !take(item))
                return false;
            if (comma == std::string_view::npos)
                return true;
            list.remove_prefix(comma + 1);
        }
    }

    // Calls `take(name, value)` with each NAME=VALUE part of a list such as
    // a rule's text (FREQ=WEEKLY;BYDAY=TU), empty parts passed over; false
    // when a part has no "=" or is refused.
    template <typename Take>
    static bool forEachPart(std::string_view list, Take take)
    {
        while (!list.empty()) {
            const std::size_t semicolon = list.find(';');
            const std::string_view part = list.substr(0, semicolon);
            list = semicolon == std::string_view::npos ? std::string_view() : list.substr(semicolon + 1);
            if (part.empty())
                continue;
            const std::size_t equals = part.find('=');
            if (equals == std::string_view::npos || !take(part.substr(0, equals), part.substr(equals + 1)))
                return false;
        }
        return true;
    }

    // The two-letter code of a weekday (0 Sunday to 6 Saturday): SU, MO, ...
    static const char* weekdayCode(int day);
    // The weekday of a two-letter code, in any case; -1 for none.
    static int weekdayOfCode(std::string_view code);
    // A BYDAY item: a weekday code after an optional signed ordinal (2TU,
    // -1FR, MO), the ordinal 0 where there is none; false for anything else
    // or an ordinal 0.
    static bool parseWeekdayItem(std::string_view item, int& weekday, long& ordinal);

    // `count` decimal digits at `at`.
    static bool digitsAt(std::string_view text, std::size_t at, std::size_t count, int& value);
    // A whole number of at most nine digits, signed when `withSign`.
    static bool parseNumber(std::string_view text, long& value, bool withSign);
    // A real date from year 1 on, with a valid time of day.
    static bool parseStamp(std::string_view text, Stamp& stamp);
    // A UTC offset: +HHMM or -HHMM, with optional seconds.
    static bool parseOffset(std::string_view text, long long& seconds);
    // An ISO 8601 duration as RFC 5545 writes it: [+-]P[nW][nD][T[nH][nM][nS]].
    static bool parseDuration(std::string_view text, long long& seconds);

    // The DATE YYYYMMDD of a day number.
    static std::string dateText(long day);
    // The DATE-TIME YYYYMMDDTHHMMSS (no zone) of a day number and a second of that day.
    static std::string dateTimeText(long day, long long second);
    // A duration as [-]P[nD][T[nH][nM][nS]], days rather than weeks: -P7D,
    // -PT15M, -P6DT15H; PT0S for none.
    static std::string durationText(long long seconds);
};
