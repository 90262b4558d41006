#include "Occurrences.h"

#include "Calendar.h"

#include <algorithm>

namespace {

// Days looked at for one question about a rule: a rule whose pattern gives
// no day stops there.
constexpr long ruleBudget = 4 * 146097;

// Days between occurrences of the repetitions that step by whole days; 0
// for the others.
long stepOf(EventFrequency frequency)
{
    switch (frequency) {
    case Daily:
        return 1;
    case Weekly:
        return 7;
    case Fortnightly:
        return 14;
    default:
        return 0;
    }
}

} // namespace

Occurrences::Occurrences(const Event& of)
    : event(of)
{
    if (!isValidDate(event.when))
        return;
    start = dayNumber(event.when);
    minute = event.noTime ? 0 : event.when.wHour * 60 + event.when.wMinute;
    if (!event.rule.empty())
        ruled = repeating = rule.parse(event.rule) && rule.inVocabulary();
    else
        repeating = event.frequency >= Daily && event.frequency <= Fortnightly;
}

bool Occurrences::skipped(long day) const
{
    return std::binary_search(event.skippedDays.begin(), event.skippedDays.end(), day);
}

void Occurrences::within(long fromDay, long toDay, std::vector<long>& days) const
{
    if (!isValidDate(event.when))
        return;
    const auto keep = [&](long day) {
        if (day >= fromDay && day <= toDay && !skipped(day))
            days.push_back(day);
    };
    if (!repeating) {
        keep(start);
        return;
    }
    if (ruled) {
        long budget = ruleBudget;
        std::vector<long> ruledDays;
        rule.occurrences(start, fromDay, toDay, ruledDays, budget, minute);
        for (const long day : ruledDays)
            keep(day);
        return;
    }
    if (const long step = stepOf(event.frequency)) {
        // Straight to the first occurrence in the window.
        long day = start;
        if (day < fromDay)
            day += (fromDay - day + step - 1) / step * step;
        for (; day <= toDay; day += step)
            keep(day);
        return;
    }
    // Month by month or year by year: a clamped day of the month is kept
    // from then on.
    SystemTime date = event.when;
    for (long day = start; day <= toDay;) {
        keep(day);
        const SystemTime next = Event::nextDate(date, event.frequency);
        if (!dateBefore(date, next))
            break; // the year overflowed: it cannot move on
        date = next;
        day = dayNumber(date);
    }
}

long Occurrences::nextFrom(long day) const
{
    if (!isValidDate(event.when))
        return noDay;
    if (!repeating)
        return start >= day && !skipped(start) ? start : noDay;
    if (ruled) {
        long budget = ruleBudget;
        long next = rule.nextOccurrenceFrom(start, day, budget, minute);
        while (next != RecurrenceRule::noDay && skipped(next))
            next = rule.nextOccurrenceFrom(start, next + 1, budget, minute);
        return next == RecurrenceRule::noDay ? noDay : next;
    }
    if (const long step = stepOf(event.frequency)) {
        long at = start;
        if (at < day)
            at += (day - at + step - 1) / step * step;
        while (skipped(at))
            at += step;
        return at;
    }
    SystemTime date = event.when;
    for (long at = start; !(at >= day && !skipped(at));) {
        const SystemTime next = Event::nextDate(date, event.frequency);
        if (!dateBefore(date, next))
            return noDay; // the year overflowed: it cannot move on
        date = next;
        at = dayNumber(date);
    }
    return dayNumber(date);
}

Event Occurrences::movedTo(long day) const
{
    Event moved = event;
    setDayNumber(moved.when, day);
    // Skipped days that are past now say nothing more.
    moved.skippedDays.erase(moved.skippedDays.begin(),
                            std::lower_bound(moved.skippedDays.begin(), moved.skippedDays.end(), day));
    if (ruled && rule.hasCount()) {
        long budget = ruleBudget;
        std::vector<long> passed;
        rule.occurrences(start, start, day - 1, passed, budget, minute);
        moved.rule = rule.afterOccurrences(static_cast<long>(passed.size())).text();
    }
    return moved;
}
