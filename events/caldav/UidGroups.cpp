#include "UidGroups.h"

#include <algorithm>

UidGroups::UidGroups(const std::vector<Event>& events_) : events(events_)
{
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (!events[i].uid.empty())
            positions[events[i].uid].push_back(i);
    }
}

std::vector<Event> UidGroups::eventsOf(const std::string& uid) const
{
    std::vector<Event> out;
    const auto found = positions.find(uid);
    if (found == positions.end())
        return out;
    for (const std::size_t i : found->second)
        out.push_back(events[i]);
    std::sort(out.begin(), out.end(), &Event::fieldsBefore);
    return out;
}

std::vector<std::string> UidGroups::uids() const
{
    std::vector<std::string> out;
    for (const auto& group : positions)
        out.push_back(group.first);
    return out;
}
