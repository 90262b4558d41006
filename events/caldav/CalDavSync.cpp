#include "CalDavSync.h"

#include "Calendar.h"
#include "DavNode.h"
#include "EventFileWriter.h"
#include "EventMerge.h"
#include "Fnv1a.h"
#include "ICalendarReader.h"
#include "ICalendarWriter.h"
#include "MultiStatus.h"
#include "Occurrences.h"
#include "ResourcePatch.h"

#include <algorithm>
#include <map>
#include <set>

namespace {

// The value of the first property `property` (upper case) in `text`.
std::string valueIn(const std::string& text, const std::string& property)
{
    std::string unfolded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r')
            continue;
        if (text[i] == '\n' && i + 1 < text.size() && (text[i + 1] == ' ' || text[i + 1] == '\t')) {
            ++i;
            continue;
        }
        unfolded += text[i];
    }
    std::size_t at = 0;
    while (at < unfolded.size()) {
        const std::size_t end = std::min(unfolded.find('\n', at), unfolded.size());
        const std::string line = unfolded.substr(at, end - at);
        at = end + 1;
        std::string name = line.substr(0, std::min(line.find_first_of(":;"), line.size()));
        for (char& c : name)
            c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        const std::size_t colon = line.find(':');
        if (name == property && colon != std::string::npos)
            return line.substr(colon + 1);
    }
    return {};
}

// The UID of a resource's text (the first one: a resource holds one).
std::string uidIn(const std::string& text)
{
    return valueIn(text, "UID");
}

// For a later stretch of a series the export writes in several, the UID of
// the first; empty for any other resource.
std::string ownerOf(const std::string& text)
{
    return valueIn(text, "X-VELLUMERE-CONTINUES");
}

// The writer's text as one text for each UID it holds, in its order: a
// series written in stretches goes up as one resource for each stretch.
std::vector<std::pair<std::string, std::string>> resourcesIn(const std::string& text)
{
    const std::string header = text.substr(0, text.find("BEGIN:VEVENT"));
    std::vector<std::pair<std::string, std::string>> out;
    std::size_t at = header.size();
    while (true) {
        const std::size_t begin = text.find("BEGIN:VEVENT\r\n", at);
        if (begin == std::string::npos)
            break;
        const std::string end = "END:VEVENT\r\n";
        const std::size_t stop = text.find(end, begin);
        if (stop == std::string::npos)
            break;
        at = stop + end.size();
        const std::string block = text.substr(begin, at - begin);
        const std::string uid = uidIn(block);
        const auto same = std::find_if(out.begin(), out.end(), [&](const auto& part) { return part.first == uid; });
        if (same == out.end())
            out.emplace_back(uid, header + block);
        else
            same->second += block;
    }
    for (auto& part : out)
        part.second += "END:VCALENDAR\r\n";
    return out;
}

// "0123abcd-2@vellumere", the UID a twin of an event went up under, is
// "0123abcd@vellumere", the UID of the first.
std::string firstTwinOf(const std::string& uid)
{
    const std::string tail = "@vellumere";
    if (uid.size() < tail.size() || uid.compare(uid.size() - tail.size(), tail.size(), tail) != 0)
        return uid;
    std::string head = uid.substr(0, uid.size() - tail.size());
    head.resize(std::min(head.find('-'), head.size()));
    return head + tail;
}

// A path segment for `uid`: what is not plainly safe in a URL is escaped.
std::string segmentFor(const std::string& uid)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : uid) {
        const auto byte = static_cast<unsigned char>(c);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
            c == '.' || c == '@') {
            out += c;
        } else {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 15];
        }
    }
    return out + ".ics";
}

// The positions of the events that carry each UID.
using Groups = std::map<std::string, std::vector<std::size_t>>;

Groups groupsOf(const std::vector<Event>& events)
{
    Groups groups;
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (!events[i].uid.empty())
            groups[events[i].uid].push_back(i);
    }
    return groups;
}

// In one order whatever the list's.
std::vector<Event> eventsAt(const std::vector<Event>& events, const std::vector<std::size_t>& positions)
{
    std::vector<Event> out;
    for (const std::size_t i : positions)
        out.push_back(events[i]);
    std::sort(out.begin(), out.end(), &Event::fieldsBefore);
    return out;
}

// A rule without its COUNT, which counts down as the series goes on.
std::string withoutCount(const std::string& rule)
{
    std::string out;
    std::size_t at = 0;
    while (at <= rule.size()) {
        const std::size_t end = std::min(rule.find(';', at), rule.size());
        const std::string part = rule.substr(at, end - at);
        std::string name = part.substr(0, std::min(part.find('='), part.size()));
        for (char& c : name)
            c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        if (name != "COUNT" && !part.empty())
            out += (out.empty() ? "" : ";") + part;
        at = end + 1;
    }
    return out;
}

// A series without what carrying it on to its next occurrence changes (the
// date of its start, the skipped days it passed, its COUNT): that changes
// nothing the server holds. Its time of day stays, and the weekday or day
// of the month or year a plain frequency keeps, so that a series moved here
// is a change.
Event carriedOnAside(Event e)
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

// The events of one resource as one number: whether they changed here since
// the last sync.
std::uint64_t fingerprintOf(std::vector<Event> events)
{
    for (Event& e : events)
        e = carriedOnAside(std::move(e));
    std::sort(events.begin(), events.end(), &Event::fieldsBefore);
    Fnv1a hash;
    hash.add(EventFileWriter::write(events));
    return hash.value();
}

// One resource's events changed on both sides, brought together as the
// event file's outside changes are: `base` as last synced, `ours` here,
// `theirs` the server's now, all under the resource's UID. What only one
// side changed takes that side's version; an event both sides changed is
// kept in both versions. The server's versions, and ours of what the server
// left as it was, keep the UID (`shared`); ours of what both changed become
// events of their own (`own`, without UID, to go up anew), unless nothing
// is left to keep the UID.
struct Merged {
    std::vector<Event> shared;
    std::vector<Event> own;
};

Merged merged(const std::vector<Event>& base, std::vector<Event> ours, const std::vector<Event>& theirs)
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

// The state's resources by address and by UID, kept in step as they change.
class Index {
public:
    explicit Index(SyncState& state_) : state(&state_)
    {
        for (std::size_t i = 0; i < state->resources.size(); ++i) {
            hrefs[SyncState::hrefKey(state->resources[i].href)] = i;
            uids[state->resources[i].uid] = i;
        }
    }
    SyncState::Resource* byHref(const std::string& key) { return find(hrefs, key); }
    SyncState::Resource* byUid(const std::string& uid) { return find(uids, uid); }
    void add(SyncState::Resource resource)
    {
        hrefs[SyncState::hrefKey(resource.href)] = state->resources.size();
        uids[resource.uid] = state->resources.size();
        state->resources.push_back(std::move(resource));
    }
    void setUid(SyncState::Resource& resource, const std::string& uid)
    {
        uids.erase(resource.uid);
        resource.uid = uid;
        uids[uid] = positionOf(resource);
    }
    void setHref(SyncState::Resource& resource, const std::string& href)
    {
        hrefs.erase(SyncState::hrefKey(resource.href));
        resource.href = href;
        hrefs[SyncState::hrefKey(href)] = positionOf(resource);
    }

private:
    SyncState::Resource* find(const std::map<std::string, std::size_t>& map, const std::string& key)
    {
        const auto found = map.find(key);
        return found == map.end() ? nullptr : &state->resources[found->second];
    }
    std::size_t positionOf(const SyncState::Resource& resource) const
    {
        return static_cast<std::size_t>(&resource - state->resources.data());
    }

    SyncState* state;
    std::map<std::string, std::size_t> hrefs; // by hrefKey
    std::map<std::string, std::size_t> uids;
};

CalDavProblem problemOf(const CalDavConnection::Answer& answer)
{
    return answer.problem != CalDavProblem::None ? answer.problem : CalDavConnection::problemOf(answer.status);
}

} // namespace

CalDavSync::CalDavSync(CalDavConnection& connection_, const CodePage& codePage_, const TimeZones& timeZones_,
                       std::string version_)
    : connection(connection_), codePage(codePage_), timeZones(timeZones_), version(std::move(version_))
{
}

bool CalDavSync::pushable(const Event& event, long today)
{
    return ICalendarWriter::writable(event) && (event.repeats() || dayNumber(event.when) >= today);
}

CalDavSync::Listing CalDavSync::syncCollection(const Url& calendar, const std::string& token)
{
    Listing listing;
    const std::string body = std::string(DavNode::declaration) + "<d:sync-collection xmlns:d=\"DAV:\">" +
                             (token.empty() ? "<d:sync-token/>" : "<d:sync-token>" + DavNode::escaped(token) + "</d:sync-token>") +
                             "<d:sync-level>1</d:sync-level><d:prop><d:getetag/></d:prop></d:sync-collection>";
    const auto answer = connection.send(
        "REPORT", calendar, {{"Content-Type", "application/xml; charset=utf-8"}, {"Depth", "0"}}, body);
    listing.status = answer.status;
    if (answer.problem != CalDavProblem::None) {
        listing.problem = answer.problem;
        return listing;
    }
    if (answer.status != 207) {
        // Anything but a refusal or a server's failure (501 is no such
        // report): no sync-collection here.
        const bool refused =
            answer.status == 401 || answer.status == 403 || (answer.status >= 500 && answer.status != 501);
        const bool tokenRefused = (answer.status == 403 || answer.status == 409) && !token.empty() &&
                                  answer.body.find("valid-sync-token") != std::string::npos;
        listing.problem = refused && !tokenRefused ? problemOf(answer) : CalDavProblem::Unexpected;
        return listing;
    }
    const auto multiStatus = MultiStatus::read(answer.body);
    const auto root = DavNode::parse(answer.body);
    const DavNode* newToken = root ? root->child(DavNode::dav, "sync-token") : nullptr;
    if (!multiStatus || !newToken) {
        listing.problem = CalDavProblem::Unexpected;
        return listing;
    }
    listing.token = newToken->text();
    listing.complete = token.empty();
    for (const MultiStatus::Resource& resource : multiStatus->resources) {
        const auto url = answer.url.resolve(resource.href);
        if (url && *url == calendar && resource.status == 507)
            listing.truncated = true;
        if (!url || *url == calendar)
            continue;
        const DavNode* etag = resource.property(DavNode::dav, "getetag");
        if (resource.status == 404)
            listing.resources.push_back({url->text(), {}, true});
        else if (etag)
            listing.resources.push_back({url->text(), etag->text(), false});
    }
    return listing;
}

CalDavSync::Listing CalDavSync::calendarQuery(const Url& calendar)
{
    Listing listing;
    const std::string body = std::string(DavNode::declaration) +
                             "<c:calendar-query xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\">"
                             "<d:prop><d:getetag/></d:prop><c:filter><c:comp-filter name=\"VCALENDAR\">"
                             "<c:comp-filter name=\"VEVENT\"/></c:comp-filter></c:filter></c:calendar-query>";
    const auto answer = connection.send(
        "REPORT", calendar, {{"Content-Type", "application/xml; charset=utf-8"}, {"Depth", "1"}}, body);
    listing.status = answer.status;
    const auto multiStatus = answer.status == 207 ? MultiStatus::read(answer.body) : std::nullopt;
    if (answer.problem != CalDavProblem::None || !multiStatus) {
        listing.problem = answer.status == 207 ? CalDavProblem::Unexpected : problemOf(answer);
        return listing;
    }
    listing.complete = true;
    for (const MultiStatus::Resource& resource : multiStatus->resources) {
        const auto url = answer.url.resolve(resource.href);
        const DavNode* etag = resource.property(DavNode::dav, "getetag");
        if (url && *url != calendar && etag)
            listing.resources.push_back({url->text(), etag->text(), false});
    }
    return listing;
}

CalDavSync::Listing CalDavSync::list(const Url& calendar, const std::string& token)
{
    Listing listing = syncCollection(calendar, token);
    // A token the server no longer knows: everything again, matched by UID.
    if (listing.problem == CalDavProblem::Unexpected && !token.empty())
        listing = syncCollection(calendar, {});
    if (listing.problem == CalDavProblem::Unexpected)
        listing = calendarQuery(calendar);
    // A listing cut short (RFC 6578 3.6) goes on from the token it ends
    // with; what a later part says of a resource is the newer word.
    for (int part = 1; listing.problem == CalDavProblem::None && listing.truncated; ++part) {
        if (part == maxListingParts) {
            listing.problem = CalDavProblem::Unexpected;
            break;
        }
        Listing more = syncCollection(calendar, listing.token);
        if (more.problem != CalDavProblem::None) {
            listing.problem = more.problem;
            listing.status = more.status;
            break;
        }
        listing.token = more.token;
        listing.truncated = more.truncated;
        listing.resources.insert(listing.resources.end(), more.resources.begin(), more.resources.end());
    }
    std::map<std::string, std::size_t> last;
    for (std::size_t i = 0; i < listing.resources.size(); ++i)
        last[SyncState::hrefKey(listing.resources[i].href)] = i;
    if (last.size() != listing.resources.size()) {
        std::vector<Listed> newest;
        for (std::size_t i = 0; i < listing.resources.size(); ++i) {
            if (last[SyncState::hrefKey(listing.resources[i].href)] == i)
                newest.push_back(std::move(listing.resources[i]));
        }
        listing.resources = std::move(newest);
    }
    return listing;
}

bool CalDavSync::fetchAll(const Url& calendar, const std::vector<Url>& urls, std::map<std::string, Fetched>& fetched,
                          Fetched& failed)
{
    bool multiget = urls.size() > 1;
    for (std::size_t start = 0; start < urls.size(); start += multigetBatch) {
        const std::size_t end = std::min(urls.size(), start + multigetBatch);
        if (multiget) {
            std::string body = std::string(DavNode::declaration) +
                               "<c:calendar-multiget xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\">"
                               "<d:prop><d:getetag/><c:calendar-data/></d:prop>";
            for (std::size_t i = start; i < end; ++i)
                body += "<d:href>" + DavNode::escaped(urls[i].path()) + "</d:href>";
            body += "</c:calendar-multiget>";
            Fetched answer{connection.send("REPORT", calendar,
                                           {{"Content-Type", "application/xml; charset=utf-8"}, {"Depth", "1"}}, body),
                           {}};
            const int status = answer.answer.status;
            if (answer.answer.problem != CalDavProblem::None || status == 401 || (status >= 500 && status != 501)) {
                failed = std::move(answer);
                return false;
            }
            const auto multiStatus = status == 207 ? MultiStatus::read(answer.answer.body) : std::nullopt;
            // Refused or not understood: each by GET from now on.
            multiget = multiStatus.has_value();
            if (multiStatus) {
                for (const MultiStatus::Resource& resource : multiStatus->resources) {
                    const auto url = answer.answer.url.resolve(resource.href);
                    if (!url)
                        continue;
                    const DavNode* data = resource.property(DavNode::caldav, "calendar-data");
                    const DavNode* etag = resource.property(DavNode::dav, "getetag");
                    Fetched one;
                    if (resource.status == 404) {
                        one.answer.status = 404;
                    } else if (data && etag) {
                        one.answer.status = 200;
                        one.answer.body = data->text();
                        one.etag = etag->text();
                    } else {
                        continue;
                    }
                    fetched[SyncState::hrefKey(url->text())] = std::move(one);
                }
            }
        }
        // What the report left out comes by GET.
        for (std::size_t i = start; i < end; ++i) {
            const std::string key = SyncState::hrefKey(urls[i].text());
            if (fetched.count(key))
                continue;
            Fetched one = fetch(urls[i]);
            if (one.answer.problem != CalDavProblem::None ||
                (one.answer.status != 200 && one.answer.status != 404)) {
                failed = std::move(one);
                return false;
            }
            fetched[key] = std::move(one);
        }
    }
    return true;
}

CalDavSync::Fetched CalDavSync::fetch(const Url& url)
{
    Fetched fetched{connection.send("GET", url, {}, {}), {}};
    fetched.etag = fetched.answer.header("ETag");
    return fetched;
}

std::vector<Event> CalDavSync::eventsOf(const std::string& text, const SystemTime& now) const
{
    const std::string uid = uidIn(text);
    std::vector<Event> events = ICalendarReader::read(text, now, codePage, timeZones).events;
    for (Event& e : events) {
        if (e.uid.empty())
            e.uid = uid;
        e = EventFileWriter::stored(std::move(e));
    }
    return events;
}

CalDavSync::Result CalDavSync::run(std::vector<Event>& liveEvents, SyncState& liveState, const SystemTime& now,
                                   const SystemTime& stampUtc)
{
    Result result;
    const auto fail = [&result](CalDavProblem problem, int status) {
        result = Result{};
        result.problem = problem;
        result.status = status;
        return result;
    };
    auto calendar = Url::parse(liveState.calendarUrl);
    if (!calendar)
        return fail(CalDavProblem::BadAddress, 0);
    if (calendar->path().back() != '/')
        calendar = calendar->withPath(calendar->path() + "/");

    std::vector<Event> events = liveEvents;
    SyncState state = liveState;
    state.calendarUrl = calendar->text();
    // A resource that changed there between the listing and its PUT or
    // DELETE is merged in another round, so that the sides end equal.
    bool raced = true;
    for (int round = 0; raced && round < maxRounds; ++round) {
        raced = false;
        Index index(state);
        std::set<std::string> touched; // the UIDs whose events here are as synced now

        // The events never sent, by the UID they would go up under first: a
        // resource that already holds it was sent by a run cut short.
        std::multimap<std::string, std::size_t> unsent;
        std::set<std::string> uidsHere;
        for (std::size_t i = 0; i < events.size(); ++i) {
            if (events[i].uid.empty())
                unsent.emplace(ICalendarWriter::uidOf(events[i], 0), i);
            else
                uidsHere.insert(events[i].uid);
        }

        // Pull.
        const Listing listing = list(*calendar, state.syncToken);
        if (listing.problem != CalDavProblem::None)
            return fail(listing.problem, listing.status);
        std::set<std::string> gone; // by hrefKey
        std::set<std::string> listed;
        {
            const Groups here = groupsOf(events);
            // Taken in after the listing, so that the positions above stay.
            std::set<std::string> replaced;
            std::vector<Event> incoming;
            std::vector<Url> wanted;
            for (const Listed& item : listing.resources) {
                const SyncState::Resource* known = index.byHref(SyncState::hrefKey(item.href));
                const auto url = Url::parse(item.href);
                if (!item.gone && url && !(known && !known->etag.empty() && known->etag == item.etag))
                    wanted.push_back(*url);
            }
            std::map<std::string, Fetched> texts;
            Fetched failed;
            if (!fetchAll(*calendar, wanted, texts, failed))
                return fail(problemOf(failed.answer), failed.answer.status);
            for (const Listed& item : listing.resources) {
                const std::string key = SyncState::hrefKey(item.href);
                listed.insert(key);
                if (item.gone) {
                    gone.insert(key);
                    continue;
                }
                SyncState::Resource* known = index.byHref(key);
                if (known && !known->etag.empty() && known->etag == item.etag)
                    continue;
                const auto found = texts.find(key);
                if (found == texts.end())
                    continue;
                const Fetched& fetched = found->second;
                if (fetched.answer.status == 404) {
                    gone.insert(key);
                    continue;
                }
                const std::string& text = fetched.answer.body;
                const std::string uid = uidIn(text);
                const std::string etag = fetched.etag.empty() ? item.etag : fetched.etag;
                std::vector<Event> theirs = eventsOf(text, now);
                if (known) {
                    const auto mine = here.find(known->uid);
                    const std::vector<Event> ours =
                        mine == here.end() ? std::vector<Event>{} : eventsAt(events, mine->second);
                    if (!ours.empty() && fingerprintOf(ours) != known->localFingerprint) {
                        std::vector<Event> base = eventsOf(known->text, now);
                        std::sort(base.begin(), base.end(), &Event::fieldsBefore);
                        std::sort(theirs.begin(), theirs.end(), &Event::fieldsBefore);
                        known->etag = etag;
                        known->text = text;
                        // Only its text or ETag is new: the change here goes up.
                        if (theirs == base)
                            continue;
                        // Changed on both sides.
                        std::vector<Event> sameUid = ours;
                        for (Event& e : sameUid)
                            e.uid = uid;
                        Merged both = merged(base, sameUid, theirs);
                        ++result.conflicts;
                        result.received += theirs.size();
                        replaced.insert(known->uid);
                        incoming.insert(incoming.end(), both.shared.begin(), both.shared.end());
                        incoming.insert(incoming.end(), both.own.begin(), both.own.end());
                        index.setUid(*known, uid);
                        // The server's version as synced: what is left of ours goes up.
                        if (fingerprintOf(both.shared) == fingerprintOf(theirs))
                            touched.insert(uid);
                        else
                            known->localFingerprint = fingerprintOf(theirs);
                        continue;
                    }
                    // Removed here but changed there, the edit comes back.
                    std::sort(theirs.begin(), theirs.end(), &Event::fieldsBefore);
                    if (text != known->text && theirs != ours) {
                        result.received += theirs.size();
                        replaced.insert(known->uid);
                        incoming.insert(incoming.end(), theirs.begin(), theirs.end());
                    }
                    index.setUid(*known, uid);
                    known->etag = etag;
                    known->text = text;
                    touched.insert(uid);
                    continue;
                }
                // New to this side, unless the events here already carry its
                // UID (a sync cut short before the state was kept) or would go
                // up under it.
                if (!uidsHere.count(uid)) {
                    const auto [first, last] = unsent.equal_range(firstTwinOf(uid));
                    const auto waiting =
                        std::find_if(first, last, [&](const auto& entry) { return events[entry.second].uid.empty(); });
                    if (waiting != last) {
                        events[waiting->second].uid = uid;
                    } else {
                        result.received += theirs.size();
                        incoming.insert(incoming.end(), theirs.begin(), theirs.end());
                    }
                    uidsHere.insert(uid);
                }
                if (SyncState::Resource* sameUid = index.byUid(uid)) {
                    // The same event under another address: the server's word goes.
                    index.setHref(*sameUid, item.href);
                    sameUid->etag = etag;
                    sameUid->text = text;
                } else {
                    index.add({item.href, etag, uid, 0, text});
                }
                touched.insert(uid);
            }
            events.erase(std::remove_if(events.begin(), events.end(),
                                        [&](const Event& e) { return replaced.count(e.uid) > 0; }),
                         events.end());
            events.insert(events.end(), incoming.begin(), incoming.end());
        }
        if (listing.complete) {
            for (const SyncState::Resource& resource : state.resources) {
                if (!listed.count(SyncState::hrefKey(resource.href)))
                    gone.insert(SyncState::hrefKey(resource.href));
            }
        }
        if (!gone.empty()) {
            const Groups here = groupsOf(events);
            std::set<std::string> removedUids;
            for (const SyncState::Resource& resource : state.resources) {
                if (!gone.count(SyncState::hrefKey(resource.href)))
                    continue;
                const auto mine = here.find(resource.uid);
                // Changed here since, the user's version stays, and goes up again.
                if (mine != here.end() && fingerprintOf(eventsAt(events, mine->second)) == resource.localFingerprint) {
                    removedUids.insert(resource.uid);
                    result.removed += mine->second.size();
                }
                touched.erase(resource.uid);
            }
            events.erase(std::remove_if(events.begin(), events.end(),
                                        [&](const Event& e) { return removedUids.count(e.uid) > 0; }),
                         events.end());
            state.resources.erase(std::remove_if(state.resources.begin(), state.resources.end(),
                                                 [&](const SyncState::Resource& r) {
                                                     return gone.count(SyncState::hrefKey(r.href)) > 0;
                                                 }),
                                  state.resources.end());
            index = Index(state);
        }
        state.syncToken = listing.token;

        // Push. Each event never sent gets the UID it goes up under first, or
        // takes up again the resource it was sent as when the file that kept
        // that UID was not written.
        const long today = dayNumber(now);
        for (Event& e : events) {
            if (!e.uid.empty() || !pushable(e, today))
                continue;
            // Twins (equal events) go up under UIDs of their own.
            std::string uid;
            for (unsigned twin = 0; uid.empty() || uidsHere.count(uid); ++twin)
                uid = ICalendarWriter::uidOf(e, twin);
            e.uid = uid;
            uidsHere.insert(uid);
            if (index.byUid(uid))
                touched.insert(uid);
        }
        // Puts `text` as the resource of `uid`: over the one known (If-Match)
        // or anew (If-None-Match; one already there was sent by a run cut
        // short, and what the server holds is what was synced).
        enum class Outcome { Done, Raced, Failed };
        const auto put = [&](const std::string& uid, const std::string& text) {
            SyncState::Resource* known = index.byUid(uid);
            HttpClient::Headers headers{{"Content-Type", "text/calendar; charset=utf-8"}};
            Url url = calendar->withPath(calendar->path() + segmentFor(uid));
            if (known) {
                const auto parsed = Url::parse(known->href);
                if (!parsed || known->etag.empty())
                    return Outcome::Done;
                headers.emplace_back("If-Match", known->etag);
                url = *parsed;
            } else {
                headers.emplace_back("If-None-Match", "*");
            }
            const auto answer = connection.send("PUT", url, headers, text);
            if (answer.problem != CalDavProblem::None) {
                fail(answer.problem, answer.status);
                return Outcome::Failed;
            }
            // Changed or removed there meanwhile: the next round brings that in.
            if (known && (answer.status == 412 || answer.status == 404))
                return Outcome::Raced;
            SyncState::Resource sent{url.text(), answer.header("ETag"), uid, 0, text};
            if (answer.status == 412) {
                const Fetched fetched = fetch(url);
                if (fetched.answer.problem != CalDavProblem::None || fetched.answer.status != 200) {
                    fail(problemOf(fetched.answer), fetched.answer.status);
                    return Outcome::Failed;
                }
                sent.etag = fetched.etag;
                sent.text = fetched.answer.body;
            } else if (answer.status < 200 || answer.status > 299) {
                fail(problemOf(answer), answer.status);
                return Outcome::Failed;
            } else {
                ++result.sent;
            }
            if (known) {
                known->etag = sent.etag;
                known->text = sent.text;
            } else {
                index.add(std::move(sent));
            }
            touched.insert(uid);
            return Outcome::Done;
        };

        // A series goes with the occurrences moved out of it, as one resource
        // (and the later stretches of one that needs several, each as one).
        const Groups here = groupsOf(events);
        std::set<std::string> rewritten; // the UIDs that went up
        std::set<std::string> stretches; // the later stretches that went up with them
        for (const auto& [uid, positions] : here) {
            const std::vector<Event> ours = eventsAt(events, positions);
            if (!std::all_of(ours.begin(), ours.end(), &ICalendarWriter::writable))
                continue;
            SyncState::Resource* known = index.byUid(uid);
            if (!known) {
                if (!std::any_of(ours.begin(), ours.end(), [&](const Event& e) { return pushable(e, today); }))
                    continue;
            } else if (touched.count(uid) || known->etag.empty() ||
                       fingerprintOf(ours) == known->localFingerprint) {
                continue;
            }
            // The series first: clients take the first VEVENT for it.
            std::vector<Event> seriesFirst = ours;
            std::stable_partition(seriesFirst.begin(), seriesFirst.end(),
                                  [](const Event& e) { return e.movedFrom.empty(); });
            const auto parts = resourcesIn(ICalendarWriter::write(seriesFirst, stampUtc, codePage, version));
            bool firstRaced = false;
            for (const auto& [partUid, written] : parts) {
                const bool first = partUid == uid;
                std::string text = written;
                if (first && known)
                    text = ResourcePatch::patched(known->text, eventsOf(known->text, now), written, ours);
                const Outcome done = put(partUid, text);
                if (done == Outcome::Failed)
                    return result;
                if (!first)
                    stretches.insert(partUid);
                if (done == Outcome::Raced) {
                    raced = true;
                    firstRaced = first;
                    if (first)
                        break;
                }
            }
            if (firstRaced)
                continue;
            rewritten.insert(uid);
        }

        // Removed here: removed there, unless it changed there meanwhile. A
        // resource that never had events here (one the reader could not hold),
        // or whose events are all past, is not the user's to remove.
        const std::uint64_t nothing = fingerprintOf({});
        const auto stillAhead = [&](const std::string& text) {
            const std::vector<Event> theirs = eventsOf(text, now);
            return std::any_of(theirs.begin(), theirs.end(),
                               [&](const Event& e) { return Occurrences(e).nextFrom(today) != Occurrences::noDay; });
        };
        std::set<std::string> deleted;
        const auto remove = [&](const SyncState::Resource& resource) {
            const auto url = Url::parse(resource.href);
            if (!url)
                return Outcome::Done;
            HttpClient::Headers headers;
            if (!resource.etag.empty())
                headers.emplace_back("If-Match", resource.etag);
            const auto answer = connection.send("DELETE", *url, headers, {});
            if (answer.problem != CalDavProblem::None) {
                fail(answer.problem, answer.status);
                return Outcome::Failed;
            }
            if (answer.status == 412)
                return Outcome::Raced;
            if (answer.status != 404 && (answer.status < 200 || answer.status > 299)) {
                fail(problemOf(answer), answer.status);
                return Outcome::Failed;
            }
            ++result.deleted;
            deleted.insert(resource.uid);
            return Outcome::Done;
        };
        for (const SyncState::Resource& resource : state.resources) {
            if (here.count(resource.uid) || resource.localFingerprint == nothing || touched.count(resource.uid) ||
                !ownerOf(resource.text).empty())
                continue;
            // A series that ended here leaves its past occurrences without a
            // UID: the server keeps it as it is.
            if (!stillAhead(resource.text))
                continue;
            const Outcome done = remove(resource);
            if (done == Outcome::Failed)
                return result;
            raced = raced || done == Outcome::Raced;
        }
        // A later stretch goes with its series, and when the series went up
        // in other stretches.
        for (const SyncState::Resource& resource : state.resources) {
            const std::string owner = ownerOf(resource.text);
            if (owner.empty() || stretches.count(resource.uid))
                continue;
            const bool ownerGone = !here.count(owner) && (deleted.count(owner) || !index.byUid(owner));
            if (!ownerGone && !rewritten.count(owner))
                continue;
            const Outcome done = remove(resource);
            if (done == Outcome::Failed)
                return result;
            raced = raced || done == Outcome::Raced;
        }
        state.resources.erase(std::remove_if(state.resources.begin(), state.resources.end(),
                                             [&](const SyncState::Resource& r) { return deleted.count(r.uid) > 0; }),
                              state.resources.end());

        const Groups synced = groupsOf(events);
        for (SyncState::Resource& resource : state.resources) {
            if (!touched.count(resource.uid))
                continue;
            const auto mine = synced.find(resource.uid);
            resource.localFingerprint =
                fingerprintOf(mine == synced.end() ? std::vector<Event>{} : eventsAt(events, mine->second));
        }
    }
    std::stable_sort(events.begin(), events.end());
    liveEvents = std::move(events);
    liveState = std::move(state);
    return result;
}
