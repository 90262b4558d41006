#include "EventMerge.h"

#include <algorithm>
#include <map>
#include <set>

namespace {

struct AllFieldsLess {
    bool operator()(const Event* a, const Event* b) const { return Event::fieldsBefore(*a, *b); }
};

struct Copies {
    int base = 0;
    int mine = 0;
    int theirs = 0;
    int taken = 0;

    // A side that changed nothing takes the other's count. Where both added
    // the same event it is added once, where both removed copies the larger
    // removal holds; otherwise both changes apply.
    int kept() const
    {
        const int ours = mine - base;
        const int others = theirs - base;
        if (ours == 0)
            return theirs;
        if (others == 0)
            return mine;
        if (ours > 0 && others > 0)
            return std::max(mine, theirs);
        if (ours < 0 && others < 0)
            return std::min(mine, theirs);
        return base + ours + others;
    }
};

} // namespace

EventMerge::Result EventMerge::merge(const std::vector<Event>& base, const std::vector<Event>& mine,
                                     const std::vector<Event>& theirs)
{
    std::map<const Event*, Copies, AllFieldsLess> copies;
    for (const Event& e : base)
        ++copies[&e].base;
    for (const Event& e : mine)
        ++copies[&e].mine;
    for (const Event& e : theirs)
        ++copies[&e].theirs;

    Result result;
    for (const auto& entry : copies) {
        const Copies& c = entry.second;
        if (c.theirs > c.base)
            result.addedByThem += static_cast<std::size_t>(c.theirs - c.base);
        else
            result.removedByThem += static_cast<std::size_t>(c.base - c.theirs);
    }
    // Their order first, so that taking a file in whole keeps its order;
    // our additions then go after the events equal to them.
    result.events.reserve(std::max(mine.size(), theirs.size()));
    for (const std::vector<Event>* side : {&theirs, &mine})
        for (const Event& e : *side) {
            Copies& c = copies.find(&e)->second;
            if (c.taken < c.kept()) {
                result.events.push_back(e);
                ++c.taken;
            }
        }
    std::stable_sort(result.events.begin(), result.events.end());
    return result;
}

void EventMerge::keepWhatOlderVersionsDrop(const std::vector<Event>& base, std::vector<Event>& theirs)
{
    // The events of base that carry something new and are gone from theirs,
    // each under its stripped self.
    std::multiset<const Event*, AllFieldsLess> inTheirs;
    for (const Event& e : theirs)
        inTheirs.insert(&e);
    std::vector<Event> stripped;
    std::vector<const Event*> whole;
    for (const Event& e : base) {
        if (!e.hasExtensions())
            continue;
        const auto found = inTheirs.find(&e);
        if (found != inTheirs.end()) {
            inTheirs.erase(found); // still there as it was
            continue;
        }
        stripped.push_back(e.withoutExtensions());
        whole.push_back(&e);
    }
    std::multimap<const Event*, const Event*, AllFieldsLess> dropped;
    for (std::size_t i = 0; i < stripped.size(); ++i)
        dropped.emplace(&stripped[i], whole[i]);
    for (Event& e : theirs) {
        if (e.hasExtensions())
            continue;
        const auto found = dropped.find(&e);
        if (found == dropped.end())
            continue;
        e = *found->second;
        dropped.erase(found);
    }
}
