#include "EventList.h"


#include <algorithm>
#include <deque>
#include <iterator>
#include <map>

void EventList::assign(std::vector<Event> read)
{
    events.swap(read);
    // A hand-edited file need not be in order, and everything that walks the
    // list relies on the order.
    sortEvents();
}

void EventList::add(const Event& event)
{
    events.push_back(event);
    sortEvents();
}

std::vector<Event> EventList::addAbsent(const std::vector<Event>& incoming, Event (*asStored)(Event))
{
    // How many of each event the list holds; most are as they will be
    // stored, the others (typed, not saved yet) are restated.
    std::map<const Event*, std::size_t, bool (*)(const Event*, const Event*)> present(
        [](const Event* a, const Event* b) { return Event::fieldsBefore(*a, *b); });
    std::deque<Event> restated;
    for (const Event& e : events) {
        Event stored = asStored(e);
        const Event* held = &e;
        if (stored != e) {
            restated.push_back(std::move(stored));
            held = &restated.back();
        }
        ++present[held];
    }
    std::vector<Event> fresh;
    for (const Event& e : incoming) {
        Event stored = asStored(e);
        const auto held = present.find(&stored);
        if (held != present.end() && held->second > 0)
            --held->second;
        else
            fresh.push_back(std::move(stored));
    }
    std::vector<Event> added = fresh;
    // Nothing is changed before this, the last step that can fail.
    events.reserve(events.size() + fresh.size());
    events.insert(events.end(), std::make_move_iterator(fresh.begin()), std::make_move_iterator(fresh.end()));
    sortEvents();
    return added;
}

void EventList::replace(std::size_t position, const Event& event)
{
    events[position] = event;
    sortEvents();
}

void EventList::remove(std::size_t position)
{
    events.erase(events.begin() + static_cast<std::ptrdiff_t>(position));
    ++changes;
}

void EventList::carryForward(const std::vector<std::size_t>& endedSeries, std::vector<Event> next)
{
    carryForward(events, endedSeries, std::move(next));
    ++changes;
}

void EventList::carryForward(std::vector<Event>& events, const std::vector<std::size_t>& endedSeries,
                             std::vector<Event> next)
{
    // The only step that can fail comes first; the rest moves, and sorts
    // without throwing (a stable sort or merge short of memory works in place).
    events.reserve(events.size() + next.size());
    for (const std::size_t position : endedSeries)
        events[position].becomeOneOccurrence();
    const auto before = static_cast<std::ptrdiff_t>(events.size());
    events.insert(events.end(), std::make_move_iterator(next.begin()), std::make_move_iterator(next.end()));
    // The list is sorted: only the new events need sorting, then one merge
    // in which equal events keep their order, the list's first, as a stable
    // sort of the whole would leave them.
    const auto added = events.begin() + before;
    std::stable_sort(added, events.end());
    std::inplace_merge(events.begin(), added, events.end());
}

void EventList::sortEvents()
{
    ++changes;
    // Stable, so that equal events (one minute, one untimed day) keep the
    // order they were read or added in, and a save that changes nothing
    // writes the same bytes.
    std::stable_sort(events.begin(), events.end());
}
