#pragma once

#include "Event.h"

#include <cstddef>
#include <string>
#include <vector>

class EventStore;

// Every event of the user, past occurrences included, always in the Event
// order, with the path of the file they live in. Reading and writing the file
// are explicit calls; building and destroying the list touch no file. An
// event is known by its 0-based position.
class EventList {
public:
    explicit EventList(EventStore& eventStore);
    EventList(const EventList&) = delete;
    EventList& operator=(const EventList&) = delete;

    // Finds the event file and reads it, in place of what the list held.
    // False when the file exists but could not be read; the list is then
    // empty, and the file is kept aside by the next save.
    bool load();
    // Writes the whole list; false when the file was left as it was.
    bool save();

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

private:
    void sortEvents();

    EventStore& store;
    std::vector<Event> events;
    std::string filePath;
};
