#pragma once

#include "Event.h"

#include <cstddef>
#include <map>
#include <string>
#include <vector>

// The events of a list that carry each UID: the events of one resource. It
// reads the list it was made from, which must stay as it was.
class UidGroups {
public:
    explicit UidGroups(const std::vector<Event>& events);

    bool contains(const std::string& uid) const { return positions.count(uid) > 0; }
    // The events under `uid`, in one order whatever the list's; none for a
    // UID the list does not hold.
    std::vector<Event> eventsOf(const std::string& uid) const;
    std::vector<std::string> uids() const;

private:
    const std::vector<Event>& events;
    std::map<std::string, std::vector<std::size_t>> positions;
};
