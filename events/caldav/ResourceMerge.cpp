#include "ResourceMerge.h"

#include "Calendar.h"
#include "EventFileWriter.h"
#include "EventMerge.h"
#include "Fnv1a.h"
#include "ValueText.h"

#include <algorithm>
#include <set>
#include <string>
#include <utility>

namespace {

// A rule without its COUNT, which counts down as the series goes on.
std::string withoutCount(const std::string& rule)
{
    std::string out;
    std::size_t at = 0;
    while (at <= rule.size()) {
        const std::size_t end = std::min(rule.find(';', at), rule.size());
        const std::string part = rule.substr(at, end - at);
        const std::string name = part.substr(0, std::min(part.find('='), part.size()));
        if (!ValueText::sameText(name, "COUNT") && !part.empty())
            out += (out.empty() ? "" : ";") + part;
        at = end + 1;
    }
    return out;
}

} // namespace

// The date of its start, the skipped days it passed and its COUNT go: that
// changes nothing the server holds. Its time of day stays, and the weekday
// or day of the month or year a plain frequency keeps, so that a series
// moved here is a change.
Event ResourceMerge::carriedOnAside(Event e)
{
    if (e.repeats() && e.movedFrom.empty()) {
        SystemTime kept{};
        kept.wHour = e.when.wHour;
        kept.wMinute = e.when.wMinute;
        if (e.rule.empty() && (e.frequency == Weekly || e.frequency == Fortnightly))
            kept.wDay = static_cast<std::uint16_t>(weekdayOf(dayNumber(e.when)) + 1);
        if (e.rule.empty() && (e.frequency == Monthly || e.frequency == Yearly))
            kept.wDay = e.when.wDay;
        if (e.rule.empty() && e.frequency == Yearly)
            kept.wMonth = e.when.wMonth;
        e.when = kept;
        e.skippedDays.clear();
        e.rule = withoutCount(e.rule);
    }
    return e;
}

std::uint64_t ResourceMerge::fingerprintOf(std::vector<Event> events)
{
    for (Event& e : events)
        e = carriedOnAside(std::move(e));
    std::sort(events.begin(), events.end(), &Event::fieldsBefore);
    Fnv1a hash;
    hash.add(EventFileWriter::write(events));
    return hash.value();
}

ResourceMerge::Merged ResourceMerge::merge(const std::vector<Event>& base, std::vector<Event> ours,
                                           const std::vector<Event>& theirs)
{
    // A series carried on here is no edit: it meets the merge as it was
    // synced, and comes out as carried on.
    std::vector<std::pair<Event, Event>> carried; // as synced, as here
    std::vector<bool> matched(base.size(), false);
    for (Event& o : ours) {
        for (std::size_t i = 0; i < base.size(); ++i) {
            if (!matched[i] && base[i] != o && carriedOnAside(base[i]) == carriedOnAside(o)) {
                matched[i] = true;
                carried.emplace_back(base[i], o);
                o = base[i];
                break;
            }
        }
    }
    std::multiset<Event, decltype(&Event::fieldsBefore)> fromThem(theirs.begin(), theirs.end(), &Event::fieldsBefore);
    // The series (movedFrom empty) or moved occurrence of a side that `e` is a version of.
    const auto sameOne = [](const std::vector<Event>& side, const Event& e) {
        const auto found =
            std::find_if(side.begin(), side.end(), [&](const Event& other) { return other.movedFrom == e.movedFrom; });
        return found == side.end() ? nullptr : &*found;
    };
    Merged out;
    for (Event& e : EventMerge::merge(base, ours, theirs).events) {
        const auto found = fromThem.find(e);
        if (found == fromThem.end()) {
            // Ours alone changed it: it stays in the resource.
            const Event* was = sameOne(base, e);
            const Event* there = sameOne(theirs, e);
            (was && there && *was != *there ? out.own : out.shared).push_back(std::move(e));
            continue;
        }
        fromThem.erase(found);
        const auto same = std::find_if(carried.begin(), carried.end(), [&](const auto& c) { return c.first == e; });
        if (same != carried.end()) {
            e = same->second;
            carried.erase(same);
        }
        out.shared.push_back(std::move(e));
    }
    if (out.shared.empty()) {
        out.shared.swap(out.own);
    } else {
        // Apart from its series, a moved occurrence is a plain event.
        for (Event& e : out.own) {
            e.uid.clear();
            e.movedFrom.clear();
        }
    }
    return out;
}
