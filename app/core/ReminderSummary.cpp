#include "ReminderSummary.h"

#include "Calendar.h"

#include <cstdio>

namespace {

constexpr std::size_t lineCapacity = 255; // the line buffer of 256 with its terminator

bool datedOn(const Event& event, const SystemTime& day)
{
    return sameDate(event.when, day);
}

// Appends the section of `day` for the events that ask for it; the cursor
// moves past every event of that day.
bool appendSection(const std::vector<Event>& events, std::size_t& cursor, const SystemTime& day, bool Event::*asks,
                   const std::string& heading, std::string& text)
{
    bool any = false;
    for (; cursor < events.size() && datedOn(events[cursor], day); ++cursor) {
        const Event& event = events[cursor];
        if (!(event.*asks))
            continue;
        if (!any)
            text += "\r\n" + heading + "\r\n";
        any = true;
        text += ReminderSummary::eventLine(event);
    }
    return any;
}

} // namespace

std::string ReminderSummary::eventLine(const Event& event)
{
    std::string line;
    if (event.noTime) {
        line = "-------\t";
    } else {
        char time[16];
        std::snprintf(time, sizeof time, "%02d.%02d\t", event.when.wHour, event.when.wMinute);
        line = time;
    }
    const std::size_t room = lineCapacity - line.size() - 2;
    if (event.description.size() > room)
        line += event.description.substr(0, room - 3) + "...";
    else
        line += event.description;
    return line + "\r\n";
}

std::string ReminderSummary::datedEventLine(const Event& event)
{
    char date[16];
    std::snprintf(date, sizeof date, "%04u-%02u-%02u ", event.when.wYear % 10000u, event.when.wMonth % 100u,
                  event.when.wDay % 100u);
    return date + eventLine(event);
}

bool ReminderSummary::compose(const std::vector<Event>& events, const SystemTime& now, const ReminderTexts& texts,
                              std::string& text)
{
    Event probe;
    probe.when = now;
    probe.noTime = true;

    std::size_t cursor = 0;
    while (cursor < events.size() && events[cursor] < probe && !datedOn(events[cursor], now))
        ++cursor;

    text = texts.today + "\r\n";
    bool anyToday = false;
    for (; cursor < events.size() && datedOn(events[cursor], now); ++cursor) {
        text += eventLine(events[cursor]);
        anyToday = true;
    }
    if (!anyToday)
        text += texts.noEventsToday + "\r\n";

    SystemTime day = now;
    addDays(day, 1);
    const bool anyTomorrow = appendSection(events, cursor, day, &Event::remind1Day, texts.tomorrow, text);

    addDays(day, 1);
    probe.when = day; // the day after tomorrow, which is never listed
    while (cursor < events.size() && !(probe < events[cursor]))
        ++cursor;

    addDays(day, 1);
    const bool anyThirdDay = appendSection(events, cursor, day, &Event::remind3Days, texts.threeDays, text);
    return anyToday || anyTomorrow || anyThirdDay;
}
