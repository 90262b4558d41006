#include "Agenda.h"

#include "Calendar.h"
#include "RecurrenceRule.h"
#include "ReminderSchedule.h"

#include <algorithm>

namespace {

constexpr long minutesPerDay = 24 * 60;

long dayOf(const SystemTime& date)
{
    return dayNumber(date.wYear, date.wMonth, date.wDay);
}

} // namespace

void Agenda::occurrences(const Event& event, long fromDay, long toDay, std::vector<long>& days)
{
    if (!isValidDate(event.when))
        return;
    const auto keep = [&](long day) {
        if (day >= fromDay && day <= toDay && !std::binary_search(event.skippedDays.begin(), event.skippedDays.end(), day))
            days.push_back(day);
    };
    const long first = dayOf(event.when);
    if (!event.rule.empty()) {
        RecurrenceRule rule;
        if (!rule.parse(event.rule) || !rule.inVocabulary()) {
            keep(first); // a rule it cannot read: the event is taken as once
            return;
        }
        long budget = 4 * 146097;
        std::vector<long> ruled;
        rule.occurrences(first, fromDay, toDay, ruled, budget, event.noTime ? 0 : event.when.wHour * 60 + event.when.wMinute);
        for (const long day : ruled)
            keep(day);
        return;
    }
    long step = 0;
    switch (event.frequency) {
    case Daily:
        step = 1;
        break;
    case Weekly:
        step = 7;
        break;
    case Fortnightly:
        step = 14;
        break;
    case Monthly:
    case Yearly: {
        // Step by step: a clamped day of the month is kept from then on, as
        // the catch-up keeps it.
        SystemTime date = event.when;
        for (long day = first; day <= toDay;) {
            keep(day);
            const SystemTime next = Event::nextDate(date, event.frequency);
            if (!dateBefore(date, next))
                break;
            date = next;
            day = dayOf(date);
        }
        return;
    }
    default:
        keep(first);
        return;
    }
    // Straight to the first occurrence in the window.
    long day = first;
    if (day < fromDay)
        day += (fromDay - day + step - 1) / step * step;
    for (; day <= toDay; day += step)
        keep(day);
}

std::vector<Agenda::Line> Agenda::of(const std::vector<Event>& events, long fromDay, long days)
{
    const long toDay = fromDay + days - 1;
    const long long windowStart = static_cast<long long>(fromDay) * minutesPerDay;
    const long long windowEnd = static_cast<long long>(toDay + 1) * minutesPerDay;
    std::vector<Line> lines;
    for (const Event& event : events) {
        if (ReminderSchedule::startMinute(event) < 0)
            continue; // not a real date and time: no moment of it comes
        long long earliest = event.remind1Hour && !event.noTime ? 60 : 0;
        for (const std::int32_t before : event.remindBefore)
            earliest = std::max<long long>(earliest, before);
        // Reminders of occurrences after the window may fall inside it.
        const long lastDay = toDay + static_cast<long>(earliest / minutesPerDay) + 1;
        const auto add = [&](long long moment, Kind kind) {
            if (moment >= windowStart && moment < windowEnd)
                lines.push_back(Line{static_cast<long>(moment / minutesPerDay), static_cast<int>(moment % minutesPerDay),
                                     kind, &event});
        };
        forEachOccurrence(event, fromDay, lastDay, [&](long day) {
            const long long start = static_cast<long long>(day) * minutesPerDay +
                                    (event.noTime ? 0 : event.when.wHour * 60 + event.when.wMinute);
            if (event.noTime) {
                if (day <= toDay)
                    lines.push_back(Line{day, -1, Kind::Event, &event});
            } else {
                add(start, Kind::Event);
                if (event.remind1Hour)
                    add(start - 60, Kind::Reminder);
            }
            for (const std::int32_t before : event.remindBefore)
                add(start - before, Kind::Reminder);
        });
    }
    // Time order; on one day the events without a time after the timed
    // lines, as the program lists them; equal moments in list order.
    std::stable_sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) {
        const int aMinute = a.minute < 0 ? minutesPerDay : a.minute;
        const int bMinute = b.minute < 0 ? minutesPerDay : b.minute;
        return a.day != b.day ? a.day < b.day : aMinute < bMinute;
    });
    return lines;
}
