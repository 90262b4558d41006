#pragma once

#include "Event.h"

#include <vector>

// What will happen, day by day: every occurrence of every event and every
// reminder balloon ahead of one (the hour before, and the early ones), in
// time order, as the program will hand them out. The events are taken as
// the file holds them: a repeating event's first occurrence is its date
// (Occurrences).
class Agenda {
public:
    enum class Kind { Event, Reminder };
    struct Line {
        long day = 0;     // Calendar.h day number
        int minute = -1;  // of the day; -1 for the occurrence of an event without a time
        Kind kind = Kind::Event;
        const Event* event = nullptr; // the event, or the series, it is of
    };

    // The lines of the `days` days from 00:00 of `fromDay`; the day of an
    // event without a time counts whole.
    static std::vector<Line> of(const std::vector<Event>& events, long fromDay, long days);
};
