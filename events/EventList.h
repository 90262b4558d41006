#pragma once

#include "Event.h"

#include <cstddef>
#include <vector>

// Every event of the user, past occurrences included, always in the Event
// order. The list knows no file: whoever keeps the file reads into it and
// writes it out. An event is known by its 0-based position.
class EventList {
public:
    EventList() = default;
    EventList(const EventList&) = delete;
    EventList& operator=(const EventList&) = delete;

    // Takes `read` in place of what the list held, in the Event order; equal
    // events keep the order they come in.
    void assign(std::vector<Event> read);

    void add(const Event& event);
    // Adds, in one step, each of `incoming` the list does not hold yet, both
    // compared as `asStored` makes them (what the file will hold): an event
    // that comes twice is added twice, unless the list holds it twice
    // already. Returns those added, as `asStored` made them, in their order.
    // Either all of it happens or, when memory runs out, nothing.
    std::vector<Event> addAbsent(const std::vector<Event>& incoming, Event (*asStored)(Event));
    void replace(std::size_t position, const Event& event);
    void remove(std::size_t position);

    // Carries repeating events forward in one step: the events at
    // `endedSeries` become one-time events and `next` joins the list. Either
    // all of it happens or, when memory runs out, nothing.
    void carryForward(const std::vector<std::size_t>& endedSeries, std::vector<Event> next);
    // The same for sorted events held elsewhere (another program's version
    // of the file).
    static void carryForward(std::vector<Event>& events, const std::vector<std::size_t>& endedSeries,
                             std::vector<Event> next);

    std::size_t size() const { return events.size(); }
    bool empty() const { return events.empty(); }
    const Event& operator[](std::size_t position) const { return events[position]; }
    std::vector<Event>::const_iterator begin() const { return events.begin(); }
    std::vector<Event>::const_iterator end() const { return events.end(); }
    // The sorted events, read-only: what every decision about them takes.
    const std::vector<Event>& all() const { return events; }

    // Changes with every change of the events: the same number means the
    // same events at the same positions.
    unsigned long version() const { return changes; }

private:
    void sortEvents();

    std::vector<Event> events;
    unsigned long changes = 0;
};
