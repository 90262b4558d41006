#pragma once

#include "Event.h"
#include "EventStore.h"

#include <cstddef>
#include <string>
#include <vector>

// Every event of the user, past occurrences included, always in the Event
// order, with the path of the file they live in. Reading and writing the file
// are explicit calls; building and destroying the list touch no file. An
// event is known by its 0-based position.
class EventList {
public:
    explicit EventList(EventStore& eventStore);
    EventList(const EventList&) = delete;
    EventList& operator=(const EventList&) = delete;

    // Finds the event file and reads it, in place of what the list held;
    // a file that could not be read leaves the list empty.
    EventStore::Loaded load();
    // Writes the whole list; false when the file was left as it was.
    EventStore::SaveResult save();
    // Writes the whole list beside the file, for when the file takes nothing.
    EventStore::SaveResult saveCopy();

    void add(const Event& event);
    void replace(std::size_t position, const Event& event);
    void remove(std::size_t position);

    // Carries repeating events forward in one step: the events at
    // `endedSeries` become one-time events and `next` joins the list. Either
    // all of it happens or, when memory runs out, nothing.
    void carryForward(const std::vector<std::size_t>& endedSeries, std::vector<Event> next);

    std::size_t size() const { return events.size(); }
    bool empty() const { return events.empty(); }
    const Event& operator[](std::size_t position) const { return events[position]; }
    std::vector<Event>::const_iterator begin() const { return events.begin(); }
    std::vector<Event>::const_iterator end() const { return events.end(); }
    // The sorted events, read-only: what every decision about them takes.
    const std::vector<Event>& all() const { return events; }

    const std::string& path() const { return filePath; }

    // Changes with every change of the events: the same number means the
    // same events at the same positions.
    unsigned long version() const { return changes; }

private:
    void sortEvents();

    EventStore& store;
    std::vector<Event> events;
    std::string filePath;
    unsigned long changes = 0;
};
