#pragma once

#include "Event.h"

#include <cstdint>
#include <vector>

// The events of one resource as the sync compares and merges them.
class ResourceMerge {
public:
    // The events as one number: whether they changed here since the last
    // sync. A series carried on to its next occurrence is no change.
    static std::uint64_t fingerprintOf(std::vector<Event> events);

    struct Merged {
        std::vector<Event> shared; // under the resource's UID
        std::vector<Event> own;    // without UID, to go up anew
    };
    // One resource's events changed on both sides, brought together as the
    // event file's outside changes are: `base` as last synced, `ours` here,
    // `theirs` the server's now, all under the resource's UID. What only one
    // side changed takes that side's version; an event both sides changed
    // is kept in both versions. The server's versions, and ours of what the
    // server left as it was, keep the UID; ours of what both changed become
    // events of their own, unless nothing is left to keep the UID.
    static Merged merge(const std::vector<Event>& base, std::vector<Event> ours, const std::vector<Event>& theirs);

private:
    // A series without what carrying it on to its next occurrence changes.
    static Event carriedOnAside(Event e);
};
