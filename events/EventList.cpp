#include "EventList.h"

#include "EventStore.h"

#include <algorithm>
#include <iterator>

EventList::EventList(EventStore& eventStore)
    : store(eventStore)
{
}

EventStore::Loaded EventList::load()
{
    filePath = store.locateFile();
    std::vector<Event> read;
    const EventStore::Loaded loaded = store.load(filePath, read);
    events.swap(read);
    // The file is kept in order by every save, but a hand-edited one need not
    // be, and everything that walks the list relies on the order.
    sortEvents();
    return loaded;
}

EventStore::SaveResult EventList::save()
{
    return store.save(filePath, events);
}

EventStore::SaveResult EventList::saveCopy()
{
    return store.saveCopy(filePath, events);
}

void EventList::add(const Event& event)
{
    events.push_back(event);
    sortEvents();
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
    // The only step that can fail comes first; the rest moves, and sorts
    // without throwing (a stable sort short of memory sorts in place).
    events.reserve(events.size() + next.size());
    for (const std::size_t position : endedSeries)
        events[position].frequency = Once;
    events.insert(events.end(), std::make_move_iterator(next.begin()), std::make_move_iterator(next.end()));
    sortEvents();
}

void EventList::sortEvents()
{
    ++changes;
    // Stable, so that equal events (one minute, one untimed day) keep the
    // order they were read or added in, and a save that changes nothing
    // writes the same bytes.
    std::stable_sort(events.begin(), events.end());
}
