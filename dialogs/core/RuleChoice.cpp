#include "RuleChoice.h"

#include "Calendar.h"
#include "Event.h"
#include "RecurrenceRule.h"
#include "ValueText.h"

#include <algorithm>

namespace {

// A whole number within [low, high], with a sign when `low` is negative.
bool numberIn(std::string_view text, long low, long high, long& value)
{
    return ValueText::parseNumber(text, value, low < 0) && value >= low && value <= high && value != 0;
}

SystemTime dateOf(long day)
{
    SystemTime date;
    setDayNumber(date, day);
    return date;
}

// The day of the `week`th (or last) `weekday` of a month.
long nthWeekday(int year, int month, int week, int weekday)
{
    if (week == RuleChoice::lastWeek) {
        const long last = dayNumber(year, month, daysInMonth(year, month));
        return last - (weekdayOf(last) - weekday + 7) % 7;
    }
    const long first = dayNumber(year, month, 1);
    return first + (weekday - weekdayOf(first) + 7) % 7 + 7L * (week - 1);
}

// The parts of a rule text, each at most once.
struct RuleParts {
    std::string_view freq, interval, count, until, byDay, byMonthDay, byMonth, weekStart;

    bool read(std::string_view text)
    {
        const bool ok = ValueText::forEachPart(text, [&](std::string_view name, std::string_view value) {
            std::string_view* slot = nullptr;
            const struct {
                const char* name;
                std::string_view* value;
            } names[] = {{"FREQ", &freq},         {"INTERVAL", &interval}, {"COUNT", &count},
                         {"UNTIL", &until},       {"BYDAY", &byDay},       {"BYMONTHDAY", &byMonthDay},
                         {"BYMONTH", &byMonth},   {"WKST", &weekStart}};
            for (const auto& known : names) {
                if (ValueText::sameText(name, known.name))
                    slot = known.value;
            }
            // Any other part (BYSETPOS, BYHOUR, X- names) is more than the dialog shows.
            if (!slot || !slot->empty() || value.empty())
                return false;
            *slot = value;
            return true;
        });
        return ok && !freq.empty();
    }
};

} // namespace

RuleChoice RuleChoice::startingOn(long startDay)
{
    const SystemTime start = dateOf(startDay);
    RuleChoice choice;
    choice.weekdays = 1u << weekdayOf(startDay);
    choice.date = start.wDay;
    choice.weekday = weekdayOf(startDay);
    choice.week = (start.wDay - 1) / 7 + 1;
    if (choice.week > 4)
        choice.week = lastWeek;
    choice.untilDay = startDay;
    return choice;
}

std::optional<RuleChoice> RuleChoice::fromRule(std::string_view text, long startDay)
{
    RuleParts parts;
    if (!parts.read(text))
        return std::nullopt;
    RuleChoice choice = startingOn(startDay);
    const SystemTime start = dateOf(startDay);

    static const char* const units[] = {"DAILY", "WEEKLY", "MONTHLY", "YEARLY"};
    bool known = false;
    for (int unit = 0; unit < 4; ++unit) {
        if (ValueText::sameText(parts.freq, units[unit])) {
            choice.unit = static_cast<Unit>(unit);
            known = true;
        }
    }
    long number = 0;
    if (!known || (!parts.interval.empty() && !numberIn(parts.interval, 1, maxInterval, number)))
        return std::nullopt;
    choice.interval = parts.interval.empty() ? 1 : static_cast<int>(number);
    // Weeks start on Monday unless it says otherwise, which only the default does here.
    if (!parts.weekStart.empty() && !ValueText::sameText(parts.weekStart, "MO"))
        return std::nullopt;

    if (!parts.count.empty() && !parts.until.empty())
        return std::nullopt;
    if (!parts.count.empty()) {
        if (!numberIn(parts.count, 1, maxCount, number))
            return std::nullopt;
        choice.ending = Ending::AfterCount;
        choice.count = static_cast<int>(number);
    } else if (!parts.until.empty()) {
        ValueText::Stamp until;
        if (!ValueText::parseStamp(parts.until, until) || !until.date)
            return std::nullopt;
        choice.ending = Ending::OnDate;
        choice.untilDay = until.day;
    }

    // BYDAY: plain weekdays, or one nth weekday.
    unsigned weekdays = 0;
    int nthWeek = 0, nthWeekday = -1, items = 0;
    if (!parts.byDay.empty()) {
        const bool read = ValueText::forEachItem(parts.byDay, [&](std::string_view item) {
            ++items;
            int day = -1;
            long ordinal = 0;
            if (!ValueText::parseWeekdayItem(item, day, ordinal))
                return false;
            if (ordinal == 0) {
                weekdays |= 1u << day;
                return true;
            }
            if (ordinal < -1 || ordinal > 4)
                return false;
            nthWeek = static_cast<int>(ordinal);
            nthWeekday = day;
            return true;
        });
        if (!read || (nthWeekday >= 0 && items > 1))
            return std::nullopt;
    }
    long monthDate = 0, month = 0;
    if (!parts.byMonthDay.empty() && !numberIn(parts.byMonthDay, -1, 31, monthDate))
        return std::nullopt;
    if (!parts.byMonth.empty() && !numberIn(parts.byMonth, 1, 12, month))
        return std::nullopt;

    switch (choice.unit) {
    case Unit::Days:
        if (!parts.byDay.empty() || monthDate != 0 || month != 0)
            return std::nullopt;
        break;
    case Unit::Weeks:
        if (nthWeekday >= 0 || monthDate != 0 || month != 0)
            return std::nullopt;
        if (weekdays != 0)
            choice.weekdays = weekdays;
        break;
    case Unit::Months:
        if (month != 0 || weekdays != 0 || (nthWeekday >= 0 && monthDate != 0))
            return std::nullopt;
        if (nthWeekday >= 0) {
            choice.monthDay = MonthDay::Weekday;
            choice.week = nthWeek;
            choice.weekday = nthWeekday;
        } else if (monthDate == -1) {
            choice.monthDay = MonthDay::LastDay;
        } else {
            choice.monthDay = MonthDay::Date;
            choice.date = monthDate != 0 ? static_cast<int>(monthDate) : start.wDay;
        }
        break;
    case Unit::Years:
        // Only the start's own month and day, restated: a month day alone
        // would mean that day of every month.
        if (!parts.byDay.empty() || (month != 0 && month != start.wMonth) ||
            (monthDate != 0 && (month == 0 || monthDate != start.wDay)))
            return std::nullopt;
        break;
    }
    return choice;
}

std::string RuleChoice::toRule() const
{
    static const char* const units[] = {"DAILY", "WEEKLY", "MONTHLY", "YEARLY"};
    std::string text = "FREQ=";
    text += units[static_cast<int>(unit)];
    if (interval != 1)
        text += ";INTERVAL=" + std::to_string(interval);
    if (unit == Unit::Weeks && weekdays != 0) {
        text += ";BYDAY=";
        // From Monday, where the rule's weeks start.
        for (int i = 1; i <= 7; ++i) {
            const int day = i % 7;
            if (weekdays & (1u << day)) {
                text += text.back() == '=' ? "" : ",";
                text += ValueText::weekdayCode(day);
            }
        }
    }
    if (unit == Unit::Months) {
        switch (monthDay) {
        case MonthDay::Date:
            text += ";BYMONTHDAY=" + std::to_string(date);
            break;
        case MonthDay::Weekday:
            text += ";BYDAY=" + std::to_string(week) + ValueText::weekdayCode(weekday);
            break;
        case MonthDay::LastDay:
            text += ";BYMONTHDAY=-1";
            break;
        }
    }
    if (ending == Ending::AfterCount)
        text += ";COUNT=" + std::to_string(count);
    else if (ending == Ending::OnDate)
        text += ";UNTIL=" + ValueText::dateText(untilDay);
    return text;
}

RuleChoice::Problem RuleChoice::firstProblem() const
{
    if (interval < 1 || interval > maxInterval)
        return Problem::Interval;
    if (unit == Unit::Months && monthDay == MonthDay::Date && (date < 1 || date > 31))
        return Problem::Date;
    if (ending == Ending::AfterCount && (count < 1 || count > maxCount))
        return Problem::Count;
    return Problem::None;
}

std::optional<RuleChoice> RuleChoice::ofEvent(const Event& event)
{
    const long start = dayNumber(event.when);
    std::optional<RuleChoice> choice;
    if (!event.rule.empty()) {
        choice = fromRule(event.rule, start);
        if (!choice)
            return std::nullopt;
    } else {
        choice = startingOn(start);
        switch (event.frequency) {
        case Daily:
            choice->unit = Unit::Days;
            break;
        case Fortnightly:
            choice->interval = 2;
            break;
        case Monthly:
            choice->unit = Unit::Months;
            break;
        case Yearly:
            choice->unit = Unit::Years;
            break;
        default: // weekly, and where the dialog starts for the others
            break;
        }
    }
    choice->skippedDays = event.skippedDays;
    return choice;
}

void RuleChoice::applyTo(Event& event) const
{
    long start = dayNumber(event.when);
    const long first = firstDayFrom(start);
    if (ending != Ending::OnDate || first <= untilDay) {
        start = first;
        setDayNumber(event.when, start);
        event.when.wDayOfWeek = static_cast<std::uint16_t>(weekdayOf(start));
    }
    const std::string text = toRule();
    RecurrenceRule rule;
    const int plain = rule.parse(text) ? rule.plainFrequency(start) : -1;
    if (plain >= 0) {
        event.frequency = static_cast<EventFrequency>(plain);
        event.rule.clear();
    } else {
        event.frequency = Once;
        event.rule = text;
    }
    event.skippedDays = skippedDays;
    std::sort(event.skippedDays.begin(), event.skippedDays.end());
    event.skippedDays.erase(std::unique(event.skippedDays.begin(), event.skippedDays.end()), event.skippedDays.end());
}

long RuleChoice::firstDayFrom(long day) const
{
    if (unit == Unit::Weeks) {
        for (long next = day; next < day + 7; ++next) {
            if (weekdays == 0 || (weekdays & (1u << weekdayOf(next))))
                return next;
        }
        return day;
    }
    if (unit != Unit::Months)
        return day;
    const SystemTime from = dateOf(day);
    for (int months = 0; months < 8 * 12; ++months) {
        const int year = from.wYear + (from.wMonth - 1 + months) / 12;
        const int month = (from.wMonth - 1 + months) % 12 + 1;
        long candidate = 0;
        switch (monthDay) {
        case MonthDay::Date:
            if (date > daysInMonth(year, month))
                continue;
            candidate = dayNumber(year, month, date);
            break;
        case MonthDay::Weekday:
            candidate = nthWeekday(year, month, week, weekday);
            break;
        case MonthDay::LastDay:
            candidate = dayNumber(year, month, daysInMonth(year, month));
            break;
        }
        if (candidate >= day)
            return candidate;
    }
    return day;
}
