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
    // Reads the event file at `path` instead.
    EventStore::Loaded loadFrom(const std::string& path);
    // Writes the whole list. When another program changed the file since it
    // was read or written here, its changes are merged in first, and again
    // (a few times) when it changes while the list is written.
    EventStore::SaveResult save();

    // Brings in what another program changed in the file since it was read
    // or written here, merged with the changes of the list not yet saved.
    struct OutsideChanges {
        EventStore::OnDisk onDisk = EventStore::OnDisk::Same;
        std::size_t events = 0; // how many events came, went or changed
    };
    OutsideChanges takeOutsideChanges();
    // Writes the whole list beside the file, for when the file takes nothing.
    EventStore::SaveResult saveCopy();

    void add(const Event& event);
    // Adds, in one step, each of `events` not equal to one the list holds (or
    // to one added before it); returns how many were added. Either all of it
    // happens or, when memory runs out, nothing.
    std::size_t addAbsent(const std::vector<Event>& incoming);
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
    // Merges the file's new version into the list; returns how many events it changed.
    std::size_t mergeIn(std::vector<Event> theirs);

    EventStore& store;
    std::vector<Event> events;
    // The version of the file the list last read, wrote or merged: where both
    // the list and another program's version of the file started from.
    std::vector<Event> base;
    std::string filePath;
    unsigned long changes = 0;
};
