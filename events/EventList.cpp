#include "EventList.h"

#include "EventMerge.h"
#include "EventStore.h"

#include <algorithm>
#include <iterator>
#include <set>

EventList::EventList(EventStore& eventStore)
    : store(eventStore)
{
}

EventStore::Loaded EventList::load()
{
    return loadFrom(store.locateFile());
}

EventStore::Loaded EventList::loadFrom(const std::string& path)
{
    filePath = path;
    std::vector<Event> read;
    const EventStore::Loaded loaded = store.load(filePath, read);
    events.swap(read);
    // The file is kept in order by every save, but a hand-edited one need not
    // be, and everything that walks the list relies on the order.
    sortEvents();
    base = events;
    return loaded;
}

EventStore::SaveResult EventList::save()
{
    // Each round reads what the other program wrote; one that writes faster
    // than the list is merged and written gets a copy instead (the caller's).
    constexpr int rounds = 4;
    EventStore::SaveResult saved;
    for (int round = 0; round < rounds; ++round) {
        saved = store.save(filePath, events);
        if (saved.outcome != EventStore::SaveResult::Outcome::ChangedMeanwhile) {
            if (saved.outcome == EventStore::SaveResult::Outcome::Written)
                base = events;
            return saved;
        }
        std::vector<Event> theirs;
        if (store.reread(filePath, theirs) == EventStore::OnDisk::Changed)
            mergeIn(std::move(theirs));
    }
    return saved;
}

EventList::OutsideChanges EventList::takeOutsideChanges()
{
    OutsideChanges taken;
    std::vector<Event> theirs;
    taken.onDisk = store.reread(filePath, theirs);
    if (taken.onDisk == EventStore::OnDisk::Changed)
        taken.events = mergeIn(std::move(theirs));
    return taken;
}

std::size_t EventList::mergeIn(std::vector<Event> theirs)
{
    std::stable_sort(theirs.begin(), theirs.end());
    EventMerge::Result merged = EventMerge::merge(base, events, theirs);
    events.swap(merged.events);
    base.swap(theirs);
    ++changes;
    // An edit is one removal and one addition: one event changed.
    return std::max(merged.addedByThem, merged.removedByThem);
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

std::size_t EventList::addAbsent(const std::vector<Event>& incoming)
{
    std::set<const Event*, bool (*)(const Event*, const Event*)> present(
        [](const Event* a, const Event* b) { return Event::fieldsBefore(*a, *b); });
    for (const Event& e : events)
        present.insert(&e);
    std::vector<Event> fresh;
    for (const Event& e : incoming)
        if (present.insert(&e).second)
            fresh.push_back(e);
    // Nothing is changed before this, the last step that can fail.
    events.reserve(events.size() + fresh.size());
    events.insert(events.end(), std::make_move_iterator(fresh.begin()), std::make_move_iterator(fresh.end()));
    sortEvents();
    return fresh.size();
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
