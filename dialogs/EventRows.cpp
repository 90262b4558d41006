#include "EventRows.h"

#include "Calendar.h"
#include "EventList.h"

#include <cstring>

namespace {

Event presentMoment(const SystemTime& now)
{
    Event moment;
    moment.when = now;
    return moment;
}

bool sameEvent(const Event& a, const Event& b)
{
    // Frequency aside: carrying an event forward makes it a one-time event.
    return a.description == b.description && a.noTime == b.noTime && a.remind3Days == b.remind3Days &&
           a.remind1Day == b.remind1Day && a.remind1Hour == b.remind1Hour && a.sendEmail == b.sendEmail &&
           a.launchProgram == b.launchProgram && a.emailAddress == b.emailAddress && a.programPath == b.programPath &&
           a.note == b.note && a.when.wYear == b.when.wYear && a.when.wMonth == b.when.wMonth &&
           a.when.wDay == b.when.wDay && a.when.wHour == b.when.wHour && a.when.wMinute == b.when.wMinute;
}

} // namespace

bool EventRows::isOld(const Event& event, const SystemTime& now)
{
    return event < presentMoment(now);
}

bool EventRows::stillToCome(const Event& event, const SystemTime& now)
{
    return presentMoment(now) < event;
}

EventRows::Image EventRows::imageOf(const Event& event, const SystemTime& now)
{
    if (isOld(event, now))
        return Old;
    return sameDate(event.when, now) ? Today : Ordinary;
}

EventRows EventRows::select(const EventList& events, const Filter& filter, const SystemTime& now)
{
    const bool byMonth = filter.year != 0 && filter.month != 0;
    EventRows rows;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const Event& event = events[i];
        if (byMonth && (event.when.wYear != filter.year || event.when.wMonth != filter.month))
            continue;
        if (filter.hideOld && isOld(event, now))
            continue;
        if (rows.firstShownIndex < 0)
            rows.firstShownIndex = static_cast<int>(i);
        ++rows.count;
    }
    return rows;
}

long EventRows::locate(const EventList& events, std::size_t position, const Event& original)
{
    if (position < events.size() && sameEvent(events[position], original))
        return static_cast<long>(position);
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (sameEvent(events[i], original))
            return static_cast<long>(i);
    }
    return -1;
}
