#pragma once

#include "Event.h"

#include <cstddef>
#include <vector>

// Three versions of one event list brought together: the version both sides
// started from, ours and theirs (the file as another program left it). An
// event is known by all its stored fields, so an edit is one event removed
// and another added. Every event added on either side is kept, every event
// removed on either side goes, and an event both sides edited is kept in
// both versions: nothing anyone entered is lost.
class EventMerge {
public:
    struct Result {
        std::vector<Event> events; // sorted; equal events in their order
        std::size_t addedByThem = 0;
        std::size_t removedByThem = 0;
    };

    static Result merge(const std::vector<Event>& base, const std::vector<Event>& mine,
                        const std::vector<Event>& theirs);

    // An older version of the program that saves the file drops what it
    // does not know (a rule, skipped days, early reminders): that is no one's
    // edit. Each event of `theirs` that equals an event of `base` but for
    // those alone becomes that event of `base` again.
    static void keepWhatOlderVersionsDrop(const std::vector<Event>& base, std::vector<Event>& theirs);
};
