#pragma once

#include "Event.h"

#include <cstddef>
#include <string>
#include <vector>

class EventStore;

// Every event of the user, past occurrences included, in the Event order,
// with the path of the file they live in. Built by reading the file, and
// written back when destroyed. An event is known by its 0-based position.
class EventList {
public:
    explicit EventList(EventStore& eventStore);
    EventList(const EventList&) = delete;
    EventList& operator=(const EventList&) = delete;
    virtual ~EventList();

    void add(const Event& event);
    void replace(std::size_t position, const Event& event);
    void remove(std::size_t position);
    // Appends without sorting; call sortEvents once after a batch.
    void append(const Event& event);
    void sortEvents();

    void load();
    bool save();

    std::size_t size() const { return events.size(); }
    bool empty() const { return events.empty(); }
    Event& operator[](std::size_t position) { return events[position]; }
    const Event& operator[](std::size_t position) const { return events[position]; }
    std::vector<Event>::iterator begin() { return events.begin(); }
    std::vector<Event>::iterator end() { return events.end(); }
    std::vector<Event>::const_iterator begin() const { return events.begin(); }
    std::vector<Event>::const_iterator end() const { return events.end(); }

    const std::string& path() const { return filePath; }

private:
    EventStore& store;
    std::vector<Event> events;
    std::string filePath;
};
