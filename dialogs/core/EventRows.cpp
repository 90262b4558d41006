#include "EventRows.h"

#include "Calendar.h"

namespace {

Event presentMoment(const SystemTime& now)
{
    Event moment;
    moment.when = now;
    return moment;
}

bool isEdited(const Event& candidate, const Event& original)
{
    if (candidate.frequency == original.frequency)
        return candidate == original;
    // Carrying an event forward makes it a one-time event; it is still the
    // one edited. Only events of its own minute can be.
    if (candidate < original || original < candidate)
        return false;
    Event asOriginal = candidate;
    asOriginal.frequency = original.frequency;
    return asOriginal == original;
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

EventRows EventRows::select(const std::vector<Event>& events, const Filter& filter, const SystemTime& now)
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

long EventRows::locate(const std::vector<Event>& events, std::size_t position, const Event& original)
{
    if (position < events.size() && isEdited(events[position], original))
        return static_cast<long>(position);
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (isEdited(events[i], original))
            return static_cast<long>(i);
    }
    return -1;
}
