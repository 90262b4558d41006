#include "Agenda.h"

#include "Occurrences.h"
#include "ReminderSchedule.h"

#include <algorithm>

namespace {

constexpr long minutesPerDay = 24 * 60;

} // namespace

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
        std::vector<long> occurrenceDays;
        Occurrences(event).within(fromDay, lastDay, occurrenceDays);
        for (const long day : occurrenceDays) {
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
        }
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
