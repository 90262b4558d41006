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
};
