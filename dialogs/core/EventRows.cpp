#include "EventRows.h"

#include "Calendar.h"

namespace {

Event presentMoment(const SystemTime& now)
{
    Event moment;
    moment.when = now;
    return moment;
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

int EventRows::findRow(const std::vector<Event>& events, int start, bool wrap,
                       const std::function<bool(const Event&)>& matches) const
{
    if (count <= 0 || firstShownIndex < 0)
        return -1;
    const int from = start >= 0 && start < count ? start : 0;
    const int rows = wrap ? count : count - from;
    for (int step = 0; step < rows; ++step) {
        const int row = (from + step) % count;
        if (matches(events[static_cast<std::size_t>(firstShownIndex + row)]))
            return row;
    }
    return -1;
}
