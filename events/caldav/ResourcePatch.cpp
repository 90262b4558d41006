#include "ResourcePatch.h"

#include "Calendar.h"
#include "Occurrences.h"
#include "ValueText.h"

#include <algorithm>

namespace {

// One content line, its folds kept as they came.
struct Line {
    std::string raw;    // folded lines, each ended by CR LF
    std::string name;   // upper case
    std::string params; // between the name and the value, with its ';'
    std::string value;  // unfolded
};

// A VEVENT: its own properties, and each component within (VALARM and any
// other) whole.
struct VEvent {
    std::vector<Line> properties;
    std::vector<std::pair<std::string, std::string>> components; // name, raw
    std::string raw;
};

struct Resource {
    std::vector<Line> header;      // VCALENDAR's own properties
    std::vector<std::string> zones; // raw VTIMEZONEs
    std::vector<VEvent> events;
};

std::string upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return text;
}

std::vector<Line> linesOf(const std::string& text)
{
    std::vector<Line> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string physical = text.substr(at, end - at);
        if (!physical.empty() && physical.back() == '\r')
            physical.pop_back();
        at = end + 1;
        if (!physical.empty() && (physical[0] == ' ' || physical[0] == '\t') && !lines.empty()) {
            lines.back().raw += physical + "\r\n";
            lines.back().value += physical.substr(1);
            continue;
        }
        if (physical.empty())
            continue;
        Line line;
        line.raw = physical + "\r\n";
        // The value may hold ':' but a name and its parameters (outside quotes) not.
        bool quoted = false;
        std::size_t colon = physical.size();
        for (std::size_t i = 0; i < physical.size(); ++i) {
            if (physical[i] == '"')
                quoted = !quoted;
            else if (physical[i] == ':' && !quoted) {
                colon = i;
                break;
            }
        }
        const std::size_t semicolon = std::min(physical.find(';'), colon);
        line.name = upper(physical.substr(0, semicolon));
        line.params = physical.substr(semicolon, colon - semicolon);
        line.value = colon < physical.size() ? physical.substr(colon + 1) : std::string();
        lines.push_back(std::move(line));
    }
    return lines;
}

Resource resourceOf(const std::string& text)
{
    Resource resource;
    const std::vector<Line> lines = linesOf(text);
    std::size_t i = 0;
    // The raw text of the component that begins at `i`, `i` then past its end.
    const auto component = [&] {
        std::string raw;
        int depth = 0;
        for (; i < lines.size(); ++i) {
            raw += lines[i].raw;
            if (lines[i].name == "BEGIN")
                ++depth;
            else if (lines[i].name == "END" && --depth == 0)
                break;
        }
        ++i;
        return raw;
    };
    for (; i < lines.size();) {
        const Line& line = lines[i];
        if (line.name == "BEGIN" && upper(line.value) == "VTIMEZONE") {
            resource.zones.push_back(component());
        } else if (line.name == "BEGIN" && upper(line.value) == "VEVENT") {
            VEvent event;
            event.raw = line.raw;
            for (++i; i < lines.size() && lines[i].name != "END"; ) {
                if (lines[i].name == "BEGIN") {
                    const std::string name = upper(lines[i].value);
                    event.components.emplace_back(name, component());
                    event.raw += event.components.back().second;
                } else {
                    event.raw += lines[i].raw;
                    event.properties.push_back(lines[i++]);
                }
            }
            if (i < lines.size())
                event.raw += lines[i++].raw;
            resource.events.push_back(std::move(event));
        } else if (line.name == "BEGIN" && upper(line.value) != "VCALENDAR") {
            component(); // another kind: a resource of events holds none worth keeping
        } else {
            if (line.name != "BEGIN" && line.name != "END")
                resource.header.push_back(line);
            ++i;
        }
    }
    return resource;
}

const Line* property(const VEvent& event, const std::string& name)
{
    const auto found = std::find_if(event.properties.begin(), event.properties.end(),
                                    [&](const Line& line) { return line.name == name; });
    return found == event.properties.end() ? nullptr : &*found;
}

// Which occurrence a VEVENT or an event stands for: its RECURRENCE-ID's day,
// empty for the series (or lone event) itself. The server's RECURRENCE-ID
// may name a zone the event here has as local time; its day is the same.
std::string keyOf(const VEvent& event)
{
    const Line* recurrence = property(event, "RECURRENCE-ID");
    return recurrence ? recurrence->value.substr(0, 8) : std::string();
}

std::string keyOf(const Event& event)
{
    return event.movedFrom.substr(0, 8);
}

std::string withoutCount(const std::string& rule)
{
    std::string out;
    ValueText::forEachPart(rule, [&](std::string_view name, std::string_view value) {
        if (!ValueText::sameText(name, "COUNT"))
            out += (out.empty() ? "" : ";") + std::string(name) + "=" + std::string(value);
        return true;
    });
    return out;
}

// The start, the same here as there: carrying a series on to a later
// occurrence of its own is no change.
bool sameStart(const Event& here, const Event& there)
{
    if (here.noTime != there.noTime)
        return false;
    if (!here.noTime && (here.when.wHour != there.when.wHour || here.when.wMinute != there.when.wMinute))
        return false;
    const long day = dayNumber(here.when);
    if (day == dayNumber(there.when))
        return true;
    return there.repeats() && there.movedFrom.empty() && day > dayNumber(there.when) &&
           Occurrences(there).nextFrom(day) == day;
}

// The same repetition, but for the skipped days a series carried on passed.
bool sameRepetition(const Event& here, const Event& there)
{
    if (here.frequency != there.frequency || withoutCount(here.rule) != withoutCount(there.rule))
        return false;
    const long from = dayNumber(here.when);
    const auto has = [](const std::vector<long>& days, long day) {
        return std::find(days.begin(), days.end(), day) != days.end();
    };
    return std::all_of(here.skippedDays.begin(), here.skippedDays.end(),
                       [&](long day) { return has(there.skippedDays, day); }) &&
           std::all_of(there.skippedDays.begin(), there.skippedDays.end(),
                       [&](long day) { return day < from || has(here.skippedDays, day); });
}

bool sameReminders(const Event& here, const Event& there)
{
    return here.remind3Days == there.remind3Days && here.remind1Day == there.remind1Day &&
           here.remind1Hour == there.remind1Hour && here.remindBefore == there.remindBefore;
}

bool unchanged(const Event& here, const Event& there)
{
    return here.description == there.description && here.note == there.note && sameStart(here, there) &&
           sameRepetition(here, there) && sameReminders(here, there) && here.sendEmail == there.sendEmail &&
           here.launchProgram == there.launchProgram && here.emailAddress == there.emailAddress &&
           here.programPath == there.programPath;
}

// The server's length of the event, for a start that moved: DTEND goes, as
// it would now fall before the new start, and says its length as DURATION.
std::string durationOf(const VEvent& event)
{
    if (const Line* duration = property(event, "DURATION"))
        return duration->raw;
    const Line* start = property(event, "DTSTART");
    const Line* end = property(event, "DTEND");
    ValueText::Stamp from;
    ValueText::Stamp to;
    if (!start || !end || start->params != end->params || !ValueText::parseStamp(start->value, from) ||
        !ValueText::parseStamp(end->value, to) || from.date != to.date || from.utc != to.utc ||
        to.seconds() <= from.seconds())
        return {};
    return "DURATION:" + ValueText::durationText(to.seconds() - from.seconds()) + "\r\n";
}

std::string patchedEvent(const VEvent& theirs, const Event& there, const VEvent& ours, const Event& here)
{
    const bool start = sameStart(here, there);
    const bool repetition = start && sameRepetition(here, there);
    const auto held = [&](const std::string& name) -> const VEvent* {
        // Whose line of a property Vellumere holds goes up: nullptr for neither.
        if (name == "UID" || name == "RECURRENCE-ID")
            return &theirs;
        if (name == "DTSTAMP" || name.rfind("X-VELLUMERE-", 0) == 0)
            return &ours;
        if (name == "DTSTART" || name == "DTEND" || name == "DURATION")
            return start ? &theirs : &ours;
        if (name == "SUMMARY")
            return here.description == there.description ? &theirs : &ours;
        if (name == "DESCRIPTION")
            return here.note == there.note ? &theirs : &ours;
        if (name == "RRULE" || name == "RDATE" || name == "EXRULE" || name == "EXDATE")
            return repetition ? &theirs : &ours;
        return nullptr;
    };
    std::string out = "BEGIN:VEVENT\r\n";
    for (const VEvent* side : {&theirs, &ours}) {
        for (const Line& line : side->properties) {
            const VEvent* whose = held(line.name);
            if (whose == side || (!whose && side == &theirs))
                out += line.raw;
        }
    }
    if (!start)
        out += durationOf(theirs);
    const VEvent& alarms = sameReminders(here, there) ? theirs : ours;
    for (const VEvent* side : {&theirs, &ours}) {
        for (const auto& [name, raw] : side->components) {
            if (name == "VALARM" ? side == &alarms : side == &theirs)
                out += raw;
        }
    }
    return out + "END:VEVENT\r\n";
}

template <typename Item>
const Item* withKey(const std::vector<Item>& items, const std::string& key)
{
    const auto found = std::find_if(items.begin(), items.end(), [&](const Item& item) { return keyOf(item) == key; });
    return found == items.end() ? nullptr : &*found;
}

} // namespace

std::string ResourcePatch::patched(const std::string& serverText, const std::vector<Event>& serverEvents,
                                   const std::string& ourText, const std::vector<Event>& ours)
{
    const Resource theirs = resourceOf(serverText);
    const Resource mine = resourceOf(ourText);
    std::string out = "BEGIN:VCALENDAR\r\n";
    for (const Line& line : mine.header)
        out += line.raw;
    // The server's zones, for the TZIDs of the lines it keeps.
    for (const std::string& zone : theirs.zones)
        out += zone;
    for (const VEvent& written : mine.events) {
        const std::string key = keyOf(written);
        const VEvent* server = withKey(theirs.events, key);
        const Event* there = withKey(serverEvents, key);
        const Event* here = withKey(ours, key);
        if (!server || !there || !here)
            out += written.raw;
        else if (unchanged(*here, *there))
            out += server->raw;
        else
            out += patchedEvent(*server, *there, written, *here);
    }
    return out + "END:VCALENDAR\r\n";
}
