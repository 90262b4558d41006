#include "CalDavSync.h"

#include "Calendar.h"
#include "DavNode.h"
#include "EventFileWriter.h"
#include "Fnv1a.h"
#include "ICalendarReader.h"
#include "ICalendarWriter.h"
#include "MultiStatus.h"

#include <algorithm>
#include <map>
#include <set>

namespace {

const char* const xmlStart = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";

std::string escaped(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += c;
        }
    }
    return out;
}

// The UID of a resource's text (the first one: a resource holds one).
std::string uidIn(const std::string& text)
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
        if (name == "UID" && colon != std::string::npos)
            return line.substr(colon + 1);
    }
    return {};
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

// What the events here that carry `uid` are, as one number: whether they
// changed here since the last sync. A repeating event's start is left out,
// as carrying it on to its next occurrence changes nothing the server holds.
std::uint64_t fingerprintOf(const std::vector<Event>& events, const std::string& uid)
{
    std::vector<Event> ours;
    for (const Event& e : events) {
        if (e.uid != uid)
            continue;
        ours.push_back(e);
        if (e.repeats() && e.movedFrom.empty())
            ours.back().when = SystemTime{};
    }
    std::sort(ours.begin(), ours.end(), &Event::fieldsBefore);
    Fnv1a hash;
    hash.add(EventFileWriter::write(ours));
    return hash.value();
}

void removeUid(std::vector<Event>& events, const std::string& uid)
{
    events.erase(std::remove_if(events.begin(), events.end(), [&](const Event& e) { return e.uid == uid; }),
                 events.end());
}

std::vector<Event> withUid(const std::vector<Event>& events, const std::string& uid)
{
    std::vector<Event> out;
    for (const Event& e : events) {
        if (e.uid == uid)
            out.push_back(e);
    }
    std::sort(out.begin(), out.end(), &Event::fieldsBefore);
    return out;
}

// The export writes these as several resources' worth of VEVENTs under
// distinct UIDs, which one resource cannot hold.
bool needsStretches(const Event& e)
{
    return (e.frequency == Monthly && e.when.wDay > 28) ||
           (e.frequency == Yearly && e.when.wMonth == 2 && e.when.wDay == 29);
}

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
    return ICalendarWriter::writable(event) && !needsStretches(event) &&
           (event.repeats() || !event.movedFrom.empty() || dayNumber(event.when) >= today);
}

CalDavSync::Listing CalDavSync::syncCollection(const Url& calendar, const std::string& token)
{
    Listing listing;
    const std::string body = std::string(xmlStart) + "<d:sync-collection xmlns:d=\"DAV:\">" +
                             (token.empty() ? "<d:sync-token/>" : "<d:sync-token>" + escaped(token) + "</d:sync-token>") +
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
    const std::string body = std::string(xmlStart) +
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
    return listing;
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
    std::vector<std::string> gone;
    std::set<std::string> listed;
    // Taken in after the listing, so that the positions above stay.
    std::set<std::string> replaced;
    std::vector<Event> incoming;
    for (const Listed& item : listing.resources) {
        listed.insert(SyncState::hrefKey(item.href));
        if (item.gone) {
            gone.push_back(item.href);
            continue;
        }
        const SyncState::Resource* known = state.byHref(item.href);
        if (known && !known->etag.empty() && known->etag == item.etag)
            continue;
        const auto url = Url::parse(item.href);
        const Fetched fetched = fetch(*url);
        if (fetched.answer.problem == CalDavProblem::None && fetched.answer.status == 404) {
            gone.push_back(item.href);
            continue;
        }
        if (fetched.answer.problem != CalDavProblem::None || fetched.answer.status != 200)
            return fail(problemOf(fetched.answer), fetched.answer.status);
        const std::string& text = fetched.answer.body;
        const std::string uid = uidIn(text);
        std::vector<Event> theirs = eventsOf(text, now);
        if (known) {
            SyncState::Resource& resource = *state.byHref(item.href);
            if (fingerprintOf(events, resource.uid) != resource.localFingerprint)
                continue; // changed on both sides: kept as the last sync left it, for the merge
            std::sort(theirs.begin(), theirs.end(), &Event::fieldsBefore);
            if (text != resource.text && theirs != withUid(events, resource.uid)) {
                result.received += theirs.size();
                replaced.insert(resource.uid);
                incoming.insert(incoming.end(), theirs.begin(), theirs.end());
            }
            resource.etag = fetched.etag.empty() ? item.etag : fetched.etag;
            resource.uid = uid;
            resource.text = text;
            touched.insert(uid);
            continue;
        }
        // New to this side, unless the events here already carry its UID
        // (a sync cut short before the state was kept) or would go up under it.
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
        if (SyncState::Resource* sameUid = state.byUid(uid))
            *sameUid = {item.href, fetched.etag.empty() ? item.etag : fetched.etag, uid, 0, text};
        else
            state.resources.push_back({item.href, fetched.etag.empty() ? item.etag : fetched.etag, uid, 0, text});
        touched.insert(uid);
    }
    events.erase(std::remove_if(events.begin(), events.end(), [&](const Event& e) { return replaced.count(e.uid) > 0; }),
                 events.end());
    events.insert(events.end(), incoming.begin(), incoming.end());
    if (listing.complete) {
        for (const SyncState::Resource& resource : state.resources) {
            if (!listed.count(SyncState::hrefKey(resource.href)))
                gone.push_back(resource.href);
        }
    }
    for (const std::string& href : gone) {
        const SyncState::Resource* resource = state.byHref(href);
        if (!resource)
            continue;
        // Changed here since: the user's version stays, and goes up again.
        if (fingerprintOf(events, resource->uid) == resource->localFingerprint) {
            const auto before = events.size();
            removeUid(events, resource->uid);
            result.removed += before - events.size();
        }
        touched.erase(resource->uid);
        state.resources.erase(state.resources.begin() + (resource - state.resources.data()));
    }
    state.syncToken = listing.token;

    // Push: each event never sent, with the occurrences moved out of it.
    const long today = dayNumber(now);
    std::set<std::string> grouped;
    for (std::size_t i = 0; i < events.size(); ++i) {
        Event& e = events[i];
        if (!e.uid.empty() && (state.byUid(e.uid) || grouped.count(e.uid)))
            continue;
        std::vector<std::size_t> group;
        if (e.uid.empty()) {
            if (!pushable(e, today))
                continue;
            // Twins (equal events) go up under UIDs of their own.
            std::string uid;
            for (unsigned twin = 0; uid.empty() || uidsHere.count(uid); ++twin)
                uid = ICalendarWriter::uidOf(e, twin);
            e.uid = uid;
            uidsHere.insert(uid);
            if (state.byUid(uid)) {
                // Sent before, but the file that kept its UID was not written.
                touched.insert(uid);
                continue;
            }
            group.push_back(i);
        } else {
            grouped.insert(e.uid);
            for (std::size_t j = i; j < events.size(); ++j) {
                if (events[j].uid == e.uid)
                    group.push_back(j);
            }
            if (!std::all_of(group.begin(), group.end(),
                             [&](std::size_t j) { return ICalendarWriter::writable(events[j]) && !needsStretches(events[j]); }) ||
                !std::any_of(group.begin(), group.end(), [&](std::size_t j) { return pushable(events[j], today); }))
                continue;
        }
        const std::string uid = e.uid;
        std::vector<Event> sent;
        for (const std::size_t j : group)
            sent.push_back(events[j]);
        const std::string text = ICalendarWriter::write(sent, stampUtc, codePage, version);
        const Url url = calendar->withPath(calendar->path() + segmentFor(uid));
        const auto answer = connection.send(
            "PUT", url, {{"Content-Type", "text/calendar; charset=utf-8"}, {"If-None-Match", "*"}}, text);
        if (answer.problem != CalDavProblem::None)
            return fail(answer.problem, answer.status);
        SyncState::Resource resource{url.text(), answer.header("ETag"), uid, 0, text};
        if (answer.status == 412) {
            // Sent by a run cut short: what the server holds is what was synced.
            const Fetched fetched = fetch(url);
            if (fetched.answer.problem != CalDavProblem::None || fetched.answer.status != 200)
                return fail(problemOf(fetched.answer), fetched.answer.status);
            resource.etag = fetched.etag;
            resource.text = fetched.answer.body;
        } else if (answer.status < 200 || answer.status > 299) {
            return fail(problemOf(answer), answer.status);
        } else {
            ++result.sent;
        }
        state.resources.push_back(std::move(resource));
        touched.insert(uid);
    }

    for (SyncState::Resource& resource : state.resources) {
        if (touched.count(resource.uid))
            resource.localFingerprint = fingerprintOf(events, resource.uid);
    }
    std::stable_sort(events.begin(), events.end());
    liveEvents = std::move(events);
    liveState = std::move(state);
    return result;
}
