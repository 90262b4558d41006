#include "RecurrenceRule.h"

#include "Calendar.h"
#include "EventFrequency.h"

#include <algorithm>
#include <cstdio>

namespace {

using Stamp = ValueText::Stamp;
constexpr auto sameText = &ValueText::sameText;

// The Gregorian calendar repeats after 400 years: a rule that has no
// occurrence in that span has none at all.
constexpr long daysIn400Years = 146097;

long long floorDivide(long long value, long long divisor)
{
    return value >= 0 ? value / divisor : -((-value + divisor - 1) / divisor);
}

const char* const frequencyNames[] = {"SECONDLY", "MINUTELY", "HOURLY", "DAILY", "WEEKLY", "MONTHLY", "YEARLY"};

bool signedInRange(std::string_view item, long limit, long& value)
{
    return ValueText::parseNumber(item, value, true) && value != 0 && value >= -limit && value <= limit;
}

} // namespace

// The days of a rule's periods, counted from the one its start lies in.
class RecurrenceRule::Days {
public:
    Days(const RecurrenceRule& repeating, long first, long& work)
        : rule(repeating), start(first), budget(work)
    {
        setDayNumber(startDate, start);
        startWeekday = weekdayOf(start);
    }

    // The period that holds `day`; before the start, the first.
    long long periodOf(long day) const
    {
        if (day <= start)
            return 0;
        switch (rule.frequency) {
        case Frequency::Weekly:
            return (weekStartOf(day) - weekStartOf(start)) / 7;
        case Frequency::Monthly:
        case Frequency::Yearly: {
            SystemTime date;
            setDayNumber(date, day);
            if (rule.frequency == Frequency::Yearly)
                return date.wYear - startDate.wYear;
            return (date.wYear - startDate.wYear) * 12LL + date.wMonth - startDate.wMonth;
        }
        default:
            return day - start;
        }
    }

    // The first and last day of `period`; false beyond the year 9999.
    bool range(long long period, long& first, long& last) const
    {
        switch (rule.frequency) {
        case Frequency::Weekly: {
            const long long from = weekStartOf(start) + period * 7;
            if (from > lastDay)
                return false;
            first = static_cast<long>(from);
            last = first + 6;
            return true;
        }
        case Frequency::Monthly: {
            const long long index = startDate.wMonth - 1 + period;
            const long long year = startDate.wYear + index / 12;
            if (year > 9999)
                return false;
            const int month = static_cast<int>(index % 12) + 1;
            first = dayNumber(static_cast<int>(year), month, 1);
            last = first + daysInMonth(static_cast<int>(year), month) - 1;
            return true;
        }
        case Frequency::Yearly: {
            const long long year = startDate.wYear + period;
            if (year > 9999)
                return false;
            first = dayNumber(static_cast<int>(year), 1, 1);
            last = dayNumber(static_cast<int>(year), 12, 31);
            return true;
        }
        default:
            if (start + period > lastDay)
                return false;
            first = last = static_cast<long>(start + period);
            return true;
        }
    }

    // The rule's days within `period`, in order; false when the budget is spent.
    bool collect(long long period, std::vector<long>& days)
    {
        days.clear();
        long first = 0;
        long last = 0;
        if (!range(period, first, last))
            return true;
        SystemTime date;
        setDayNumber(date, first);
        Day day{first, date.wYear, date.wMonth, date.wDay, daysInMonth(date.wYear, date.wMonth), weekdayOf(first)};
        while (day.number <= last) {
            if (--budget < 0)
                return false;
            if (!monthAllowed(day.month)) {
                day.advance(day.length - day.ofMonth + 1); // to the next month
                continue;
            }
            if (matches(day))
                days.push_back(day.number);
            day.advance(1);
        }
        if (rule.hasPositions) {
            const std::size_t found = days.size();
            std::size_t kept = 0;
            for (std::size_t i = 0; i < found && i < 366; ++i) {
                if (rule.positions[i + 1] || (found - i <= 366 && rule.positionsFromEnd[found - i]))
                    days[kept++] = days[i];
            }
            days.resize(kept);
        }
        return true;
    }

private:
    // A day of the walk, its date kept up to date without dividing.
    struct Day {
        long number;
        int year, month, ofMonth, length, weekday;

        // By `step` days, at most to the next month's first.
        void advance(int step)
        {
            number += step;
            weekday = (weekday + step) % 7;
            ofMonth += step;
            if (ofMonth > length) {
                ofMonth = 1;
                if (++month == 13) {
                    month = 1;
                    ++year;
                }
                length = daysInMonth(year, month);
            }
        }
    };

    long weekStartOf(long day) const { return day - (weekdayOf(day) - rule.weekStart + 7) % 7; }

    bool monthAllowed(int month) const
    {
        if (rule.months != 0)
            return (rule.months >> month & 1u) != 0;
        // A yearly rule with no day parts repeats its start's date.
        return rule.frequency != Frequency::Yearly || rule.hasDays() || rule.hasMonthDays() ||
               month == startDate.wMonth;
    }

    bool matches(const Day& day) const
    {
        const int weekday = day.weekday;
        const bool withinMonths = rule.frequency == Frequency::Monthly || rule.frequency == Frequency::Yearly;
        if (rule.hasMonthDays()) {
            if ((rule.monthDays >> day.ofMonth & 1u) == 0 &&
                (rule.monthDaysFromEnd >> (day.length - day.ofMonth + 1) & 1u) == 0)
                return false;
        } else if (!rule.hasDays() && withinMonths && day.ofMonth != startDate.wDay) {
            return false;
        }
        if (!rule.hasDays())
            return rule.frequency != Frequency::Weekly || weekday == startWeekday;
        if ((rule.weekdays >> weekday & 1u) != 0)
            return true;
        if (rule.nth[weekday] == 0 && rule.nthFromEnd[weekday] == 0)
            return false;
        // The nth weekday of the month, or of the year for a yearly rule without months.
        int index = (day.ofMonth - 1) / 7 + 1;
        int fromEnd = (day.length - day.ofMonth) / 7 + 1;
        if (rule.frequency == Frequency::Yearly && rule.months == 0) {
            const long ofYear = day.number - dayNumber(day.year, 1, 1);
            const long yearLength = isLeapYear(day.year) ? 366 : 365;
            index = static_cast<int>(ofYear / 7 + 1);
            fromEnd = static_cast<int>((yearLength - 1 - ofYear) / 7 + 1);
        }
        return (rule.nth[weekday] >> index & 1u) != 0 || (rule.nthFromEnd[weekday] >> fromEnd & 1u) != 0;
    }

    const RecurrenceRule& rule;
    long start;
    long& budget;
    long lastDay = dayNumber(9999, 12, 31);
    SystemTime startDate;
    int startWeekday = 0;
};

bool RecurrenceRule::parse(std::string_view text)
{
    *this = RecurrenceRule{};
    const bool read = ValueText::forEachPart(text, [&](std::string_view name, std::string_view value) {
        long number = 0;
        bool ok = true;
        if (sameText(name, "FREQ")) {
            frequency = Frequency::None;
            for (int i = 0; i < 7; ++i) {
                if (sameText(value, frequencyNames[i]))
                    frequency = static_cast<Frequency>(i + 1);
            }
            ok = frequency != Frequency::None;
        } else if (sameText(name, "INTERVAL")) {
            ok = ValueText::parseNumber(value, every, false) && every > 0;
        } else if (sameText(name, "COUNT")) {
            ok = ValueText::parseNumber(value, count, false) && count > 0;
        } else if (sameText(name, "UNTIL")) {
            ok = hasUntil = ValueText::parseStamp(value, untilStamp);
        } else if (sameText(name, "BYMONTH")) {
            ok = ValueText::forEachItem(value, [&](std::string_view item) {
                if (!ValueText::parseNumber(item, number, false) || number < 1 || number > 12)
                    return false;
                months |= 1u << number;
                return true;
            });
        } else if (sameText(name, "BYMONTHDAY")) {
            ok = ValueText::forEachItem(value, [&](std::string_view item) {
                if (!signedInRange(item, 31, number))
                    return false;
                (number > 0 ? monthDays : monthDaysFromEnd) |= 1u << (number > 0 ? number : -number);
                return true;
            });
        } else if (sameText(name, "BYDAY")) {
            ok = ValueText::forEachItem(value, [&](std::string_view item) {
                int day = -1;
                if (!ValueText::parseWeekdayItem(item, day, number))
                    return false;
                if (number == 0) {
                    weekdays |= 1u << day;
                    return true;
                }
                if (number < -53 || number > 53)
                    return false;
                hasNth = true;
                (number > 0 ? nth : nthFromEnd)[day] |= std::uint64_t{1} << (number > 0 ? number : -number);
                return true;
            });
        } else if (sameText(name, "BYSETPOS")) {
            hasPositions = true;
            ok = ValueText::forEachItem(value, [&](std::string_view item) {
                if (!signedInRange(item, 366, number))
                    return false;
                const auto position = static_cast<std::size_t>(number > 0 ? number : -number);
                (number > 0 ? positions : positionsFromEnd).set(position);
                return true;
            });
        } else if (sameText(name, "WKST")) {
            weekStart = ValueText::weekdayOfCode(value);
            ok = weekStart >= 0;
        } else if (sameText(name, "BYHOUR") || sameText(name, "BYMINUTE") || sameText(name, "BYSECOND")) {
            timeParts = true;
        } else if (name.size() < 2 || !sameText(name.substr(0, 2), "X-")) {
            return false; // BYWEEKNO, BYYEARDAY and what no rule knows
        }
        return ok;
    });
    // An nth weekday has a meaning only within a month or a year.
    return read && frequency != Frequency::None &&
           (!hasNth || frequency == Frequency::Monthly || frequency == Frequency::Yearly);
}

// Google restates the weekday, Apple the month and day.
int RecurrenceRule::plainFrequency(long startDay) const
{
    SystemTime start;
    setDayNumber(start, startDay);
    const bool weekly = frequency == Frequency::Weekly;
    const bool yearly = frequency == Frequency::Yearly;
    const bool withinMonths = frequency == Frequency::Monthly || yearly;
    if (count != 0 || hasUntil || hasPositions || timeParts || hasNth ||
        (weekdays != 0 && (!weekly || weekdays != 1u << weekdayOf(startDay))) ||
        (hasMonthDays() && (!withinMonths || monthDays != 1u << start.wDay || monthDaysFromEnd != 0 ||
                            (yearly && months == 0))) ||
        (months != 0 && (!yearly || months != 1u << start.wMonth)))
        return -1;
    // Vellumere's months and years move a day that a month lacks to its last
    // day and keep that; a rule skips such months.
    if ((frequency == Frequency::Monthly && start.wDay > 28) ||
        (yearly && start.wMonth == 2 && start.wDay == 29))
        return -1;
    if (every == 2 && weekly)
        return Fortnightly;
    if (every != 1)
        return -1;
    switch (frequency) {
    case Frequency::Daily:
        return Daily;
    case Frequency::Weekly:
        return Weekly;
    case Frequency::Monthly:
        return Monthly;
    case Frequency::Yearly:
        return Yearly;
    default:
        return -1; // hourly and finer
    }
}

long RecurrenceRule::nextOccurrence(const Stamp& start, long long now, const Clocks& clocks, long& budget) const
{
    const long first = start.day;
    if (start.date)
        now = floorDivide(now, secondsPerDay) * secondsPerDay;
    // The user's wall clock at an occurrence; dates compare as dates.
    const auto localOf = [&](long day) {
        return start.date ? day * secondsPerDay : clocks.fromEvent(day * secondsPerDay + start.second);
    };
    // Zones lie within a day of each other: far from `target` the day alone decides.
    const auto compare = [&](long day, long long target) {
        const long long targetDay = floorDivide(target, secondsPerDay);
        if (day < targetDay - 2)
            return -1;
        if (day > targetDay + 2)
            return 1;
        const long long local = localOf(day);
        return local < target ? -1 : local > target ? 1 : 0;
    };
    long long end = 0; // UNTIL on the user's wall clock
    if (hasUntil) {
        if (untilStamp.utc)
            end = clocks.fromUtc(untilStamp.seconds());
        else if (untilStamp.date)
            end = clocks.fromEvent(untilStamp.seconds() + secondsPerDay - 1);
        else
            end = clocks.fromEvent(untilStamp.seconds());
        if (start.date)
            end = floorDivide(end, secondsPerDay) * secondsPerDay;
    }
    const auto pastUntil = [&](long day) { return hasUntil && compare(day, end) > 0; };

    if (compare(first, now) >= 0 || count == 1 || pastUntil(first))
        return first;

    // Finer than daily is taken by the day.
    RecurrenceRule byDay = *this;
    if (frequency < Frequency::Daily) {
        byDay.frequency = Frequency::Daily;
        byDay.every = 1;
    }
    const long step = byDay.every;
    Days rules(byDay, first, budget);
    std::vector<long> days;
    const long limit = static_cast<long>(std::max<long long>(first, now / secondsPerDay) + daysIn400Years);
    long last = first;
    long seen = 1;
    bool ended = false;
    // Without COUNT, earlier occurrences do not matter: start near now.
    long long period = 0;
    if (count == 0) {
        period = rules.periodOf(static_cast<long>(floorDivide(now, secondsPerDay)) - 3);
        period -= period % step;
    }
    for (; !ended; period += step) {
        long from = 0;
        long to = 0;
        if (!rules.range(period, from, to) || from > limit || !rules.collect(period, days))
            return first;
        for (const long day : days) {
            if (day <= first)
                continue;
            if (pastUntil(day)) {
                ended = true;
                break;
            }
            if (compare(day, now) >= 0)
                return day;
            last = day;
            if (count != 0 && ++seen == count) {
                ended = true;
                break;
            }
        }
    }
    if (count != 0 || !hasUntil)
        return last;
    // Ended by UNTIL: its last occurrence, looked for back from there.
    const long untilDay = static_cast<long>(floorDivide(end, secondsPerDay)) + 1;
    period = rules.periodOf(untilDay);
    for (period -= period % step; period >= 0; period -= step) {
        long from = 0;
        long to = 0;
        if (!rules.range(period, from, to) || to < untilDay - daysIn400Years || !rules.collect(period, days))
            return first;
        for (auto day = days.rbegin(); day != days.rend(); ++day) {
            if (*day > first && !pastUntil(*day))
                return *day;
        }
    }
    return first;
}

bool RecurrenceRule::collect(long startDay, long long period, std::vector<long>& days, long& budget) const
{
    return Days(*this, startDay, budget).collect(period, days);
}

bool RecurrenceRule::inVocabulary() const
{
    // RFC 5545 forbids BYMONTHDAY in a weekly rule, and a BYSETPOS alone.
    return frequency >= Frequency::Daily && !timeParts && count <= maxCount && (count == 0 || !hasUntil) &&
           (frequency != Frequency::Weekly || !hasMonthDays()) &&
           (!hasPositions || hasDays() || hasMonthDays() || months != 0);
}

std::string RecurrenceRule::text() const
{
    if (frequency == Frequency::None)
        return {};
    std::string out = "FREQ=";
    out += frequencyNames[static_cast<int>(frequency) - 1];
    std::string items;
    const auto item = [&](long number, const char* suffix = "") {
        items += items.empty() ? "" : ",";
        items += std::to_string(number) + suffix;
    };
    const auto part = [&](const char* name) {
        if (!items.empty())
            out += std::string(";") + name + "=" + items;
        items.clear();
    };
    if (every != 1)
        out += ";INTERVAL=" + std::to_string(every);
    for (int i = 1; i <= 7; ++i) {
        if (weekdays >> (i % 7) & 1u)
            items += (items.empty() ? "" : ",") + std::string(ValueText::weekdayCode(i % 7));
    }
    for (long sign : {1, -1}) {
        // Through a pointer: g++ 12 with -fsanitize=undefined misreads
        // `(sign > 0 ? nth : nthFromEnd)[i]` here.
        const std::uint64_t* ordinals = sign > 0 ? nth : nthFromEnd;
        for (int n = 1; n <= 53; ++n) {
            for (int i = 1; i <= 7; ++i) {
                if (ordinals[i % 7] >> n & 1u)
                    item(sign * n, ValueText::weekdayCode(i % 7));
            }
        }
    }
    part("BYDAY");
    for (long sign : {1, -1}) {
        for (int d = 1; d <= 31; ++d) {
            if ((sign > 0 ? monthDays : monthDaysFromEnd) >> d & 1u)
                item(sign * d);
        }
    }
    part("BYMONTHDAY");
    for (int m = 1; m <= 12; ++m) {
        if (months >> m & 1u)
            item(m);
    }
    part("BYMONTH");
    for (long sign : {1, -1}) {
        const std::bitset<367>& at = sign > 0 ? positions : positionsFromEnd;
        for (std::size_t n = 1; n <= 366; ++n) {
            if (at[n])
                item(sign * static_cast<long>(n));
        }
    }
    part("BYSETPOS");
    if (count != 0)
        out += ";COUNT=" + std::to_string(count);
    if (hasUntil) {
        SystemTime date;
        setDayNumber(date, untilStamp.day);
        char stamp[32];
        const int hour = static_cast<int>(untilStamp.second / 3600);
        const int minute = static_cast<int>(untilStamp.second / 60 % 60);
        if (untilStamp.date)
            std::snprintf(stamp, sizeof stamp, "%04d%02d%02d", date.wYear, date.wMonth, date.wDay);
        else
            std::snprintf(stamp, sizeof stamp, "%04d%02d%02dT%02d%02d00%s", date.wYear, date.wMonth, date.wDay,
                          hour, minute, untilStamp.utc ? "Z" : "");
        out += std::string(";UNTIL=") + stamp;
    }
    if (weekStart != 1)
        out += std::string(";WKST=") + ValueText::weekdayCode(weekStart);
    return out;
}

bool RecurrenceRule::operator==(const RecurrenceRule& other) const
{
    const auto sameUntil = [&] {
        return !hasUntil || (untilStamp.day == other.untilStamp.day && untilStamp.second == other.untilStamp.second &&
                             untilStamp.date == other.untilStamp.date && untilStamp.utc == other.untilStamp.utc);
    };
    return frequency == other.frequency && every == other.every && count == other.count &&
           hasUntil == other.hasUntil && sameUntil() && months == other.months && monthDays == other.monthDays &&
           monthDaysFromEnd == other.monthDaysFromEnd && weekdays == other.weekdays &&
           std::equal(std::begin(nth), std::end(nth), std::begin(other.nth)) &&
           std::equal(std::begin(nthFromEnd), std::end(nthFromEnd), std::begin(other.nthFromEnd)) &&
           positions == other.positions && positionsFromEnd == other.positionsFromEnd &&
           hasPositions == other.hasPositions && hasNth == other.hasNth && timeParts == other.timeParts &&
           weekStart == other.weekStart;
}

template <typename Take>
bool RecurrenceRule::walk(long startDay, int minute, long fromDay, long toDay, long& budget, Take take) const
{
    if (startDay > toDay)
        return true;
    if (startDay >= fromDay && !take(startDay))
        return true;
    if (frequency == Frequency::None || count == 1)
        return true;
    long end = toDay;
    if (hasUntil) {
        const bool untilDayCounts = untilStamp.date || minute * 60LL <= untilStamp.second;
        end = std::min(end, untilDayCounts ? untilStamp.day : untilStamp.day - 1);
    }
    // Finer than daily is taken by the day.
    const RecurrenceRule* rule = this;
    RecurrenceRule byDay;
    if (frequency < Frequency::Daily) {
        byDay = *this;
        byDay.frequency = Frequency::Daily;
        byDay.every = 1;
        rule = &byDay;
    }
    // The periods' days repeat after 400 years: so many days, weeks, months
    // or years, each `step` periods long, and one more for the start's own.
    const long long cycle = rule->frequency == Frequency::Yearly    ? 400
                            : rule->frequency == Frequency::Monthly ? 4800
                            : rule->frequency == Frequency::Weekly  ? daysIn400Years / 7
                                                                    : daysIn400Years;
    const long step = rule->every;
    Days periods(*rule, startDay, budget);
    // COUNT needs every earlier occurrence; otherwise start at `fromDay`.
    long long period = 0;
    if (count == 0) {
        period = periods.periodOf(fromDay);
        period -= period % step;
    }
    std::vector<long> days;
    long seen = 1;
    long long empty = 0;
    for (;; period += step) {
        long first = 0;
        long last = 0;
        if (!periods.range(period, first, last) || first > end)
            return true;
        if (!periods.collect(period, days))
            return false;
        bool found = false;
        for (const long day : days) {
            if (day <= startDay)
                continue;
            if (day > end)
                return true;
            found = true;
            if (day >= fromDay && !take(day))
                return true;
            if (count != 0 && ++seen == count)
                return true;
        }
        if (found)
            empty = 0;
        else if (++empty > cycle)
            return true;
    }
}

bool RecurrenceRule::occurrences(long startDay, long fromDay, long toDay, std::vector<long>& days, long& budget,
                                 int minute) const
{
    days.clear();
    return walk(startDay, minute, fromDay, toDay, budget, [&](long day) {
        days.push_back(day);
        return true;
    });
}

long RecurrenceRule::nextOccurrenceFrom(long startDay, long day, long& budget, int minute) const
{
    long next = noDay;
    walk(startDay, minute, day, LONG_MAX, budget, [&](long found) {
        next = found;
        return false;
    });
    return next;
}

bool RecurrenceRule::hasEnded(long startDay, long day, long& budget, int minute) const
{
    return nextOccurrenceFrom(startDay, day + 1, budget, minute) == noDay && budget >= 0;
}
