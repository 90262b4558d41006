#include "EventList.h"

#include "EventStore.h"

#include <algorithm>

EventList::EventList(EventStore& eventStore)
    : store(eventStore), filePath(eventStore.locateFile())
{
    load();
    // The file is kept in order by every save, but a hand-edited one need not
    // be, and everything that walks the list relies on the order.
    sortEvents();
}

EventList::~EventList()
{
    save();
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
}

void EventList::append(const Event& event)
{
    events.push_back(event);
}

void EventList::sortEvents()
{
    std::sort(events.begin(), events.end());
}

void EventList::load()
{
    store.load(filePath, events);
}

bool EventList::save()
{
    return store.save(filePath, events);
}
