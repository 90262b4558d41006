#include "CalDavSync.h"

#include "Calendar.h"
#include "EventFileWriter.h"
#include "ICalendarReader.h"
#include "ICalendarWriter.h"
#include "Occurrences.h"
#include "ResourceMerge.h"
#include "ResourcePatch.h"
#include "ResourceText.h"
#include "SyncStateIndex.h"
#include "UidGroups.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

namespace {

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

// Whether the server says of a resource what it said when last synced.
bool unchanged(const SyncState::Resource* known, const CalendarCollection::Listed& item)
{
    return known && !known->etag.empty() && known->etag == item.etag;
}

} // namespace

struct CalDavSync::Run {
    Run(CalDavConnection& connection, const Url& calendar_, const std::vector<Event>& events_, const SyncState& state_,
        const SystemTime& now_, const SystemTime& stampUtc_)
        : calendar(calendar_), collection(connection, calendar_), events(events_), state(state_), now(now_),
          stampUtc(stampUtc_), today(dayNumber(now_)), index(state)
    {
        state.calendarUrl = calendar.text();
    }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    // Leaves in the result only the problem: nothing else of the run holds.
    bool fail(CalDavProblem problem, int status)
    {
        result = Result{};
        result.problem = problem;
        result.status = status;
        return false;
    }

    void beginRound()
    {
        raced = false;
        index = SyncStateIndex(state);
        touched.clear();
        unsent.clear();
        uidsHere.clear();
        gone.clear();
        listed.clear();
        replaced.clear();
        incoming.clear();
        rewritten.clear();
        stretches.clear();
        deleted.clear();
        for (std::size_t i = 0; i < events.size(); ++i) {
            if (events[i].uid.empty())
                unsent.emplace(ICalendarWriter::uidOf(events[i], 0), i);
            else
                uidsHere.insert(events[i].uid);
        }
    }

    const Url calendar;
    CalendarCollection collection;
    std::vector<Event> events;
    SyncState state;
    Result result;
    const SystemTime now;
    const SystemTime stampUtc;
    const long today;
    // A resource changed there between the listing and its PUT or DELETE:
    // another round merges it, so that the sides end equal.
    bool raced = true;

    SyncStateIndex index;
    std::set<std::string> touched; // the UIDs whose events here are as synced now
    // The events never sent, by the UID they would go up under first: a
    // resource that already holds it was sent by a run cut short.
    std::multimap<std::string, std::size_t> unsent;
    std::set<std::string> uidsHere;
    std::set<std::string> gone;   // by hrefKey
    std::set<std::string> listed; // by hrefKey
    // Taken in after the listing, so that the positions in `unsent` stay.
    std::set<std::string> replaced; // the UIDs whose events here the server's replace
    std::vector<Event> incoming;
    std::set<std::string> rewritten; // the UIDs that went up
    std::set<std::string> stretches; // the later stretches that went up with them
    std::set<std::string> deleted;   // the UIDs deleted on the server
};

struct CalDavSync::Arrived {
    std::string href;
    std::string uid;
    std::string etag;
    const std::string& text;
    std::vector<Event> events;
};

CalDavSync::CalDavSync(CalDavConnection& connection_, const CodePage& codePage_, const TimeZones& timeZones_,
                       std::string version_)
    : connection(connection_), codePage(codePage_), timeZones(timeZones_), version(std::move(version_))
{
}

bool CalDavSync::pushable(const Event& event, long today)
{
    return ICalendarWriter::writable(event) && (event.repeats() || dayNumber(event.when) >= today);
}

std::vector<Event> CalDavSync::eventsOf(const std::string& text, const SystemTime& now) const
{
    const std::string uid = ResourceText::uidOf(text);
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
    auto calendar = Url::parse(liveState.calendarUrl);
    if (!calendar) {
        Result failed;
        failed.problem = CalDavProblem::BadAddress;
        return failed;
    }
    if (calendar->path().back() != '/')
        calendar = calendar->withPath(calendar->path() + "/");
    Run run(connection, *calendar, liveEvents, liveState, now, stampUtc);
    for (int round = 0; run.raced && round < maxRounds; ++round) {
        if (!syncRound(run))
            return run.result;
    }
    std::stable_sort(run.events.begin(), run.events.end());
    liveEvents = std::move(run.events);
    liveState = std::move(run.state);
    return run.result;
}

bool CalDavSync::syncRound(Run& run)
{
    run.beginRound();
    const CalendarCollection::Listing listing = run.collection.list(run.state.syncToken);
    if (listing.problem != CalDavProblem::None)
        return run.fail(listing.problem, listing.status);
    if (!pull(run, listing))
        return false;
    takeInWhatWent(run, listing.complete);
    run.state.syncToken = listing.token;

    nameUnsent(run);
    const UidGroups here(run.events);
    if (!push(run, here) || !removeWhatWentHere(run, here) || !removeStretchesLeft(run, here))
        return false;
    keepState(run);
    return true;
}

// Takes in what the listing says changed there; what went there is only
// noted, for takeInWhatWent.
bool CalDavSync::pull(Run& run, const CalendarCollection::Listing& listing)
{
    std::vector<Url> wanted;
    for (const CalendarCollection::Listed& item : listing.resources) {
        const auto url = Url::parse(item.href);
        if (!item.gone && url && !unchanged(run.index.byHref(SyncState::hrefKey(item.href)), item))
            wanted.push_back(*url);
    }
    std::map<std::string, CalendarCollection::Fetched> texts;
    CalendarCollection::Fetched failed;
    if (!run.collection.fetchAll(wanted, texts, failed))
        return run.fail(CalDavConnection::problemOf(failed.answer), failed.answer.status);

    const UidGroups here(run.events);
    for (const CalendarCollection::Listed& item : listing.resources) {
        const std::string key = SyncState::hrefKey(item.href);
        run.listed.insert(key);
        if (item.gone) {
            run.gone.insert(key);
            continue;
        }
        SyncState::Resource* known = run.index.byHref(key);
        const auto found = texts.find(key);
        if (unchanged(known, item) || found == texts.end())
            continue;
        const CalendarCollection::Fetched& fetched = found->second;
        if (fetched.answer.status == 404) {
            run.gone.insert(key);
            continue;
        }
        const std::string& text = fetched.answer.body;
        const Arrived arrived{item.href, ResourceText::uidOf(text), fetched.etag.empty() ? item.etag : fetched.etag,
                              text, eventsOf(text, run.now)};
        if (known)
            takeInChange(run, arrived, *known, here);
        else
            takeInNew(run, arrived);
    }
    run.events.erase(std::remove_if(run.events.begin(), run.events.end(),
                                    [&](const Event& e) { return run.replaced.count(e.uid) > 0; }),
                     run.events.end());
    run.events.insert(run.events.end(), run.incoming.begin(), run.incoming.end());
    return true;
}

void CalDavSync::takeInChange(Run& run, const Arrived& arrived, SyncState::Resource& known, const UidGroups& here)
{
    const std::vector<Event> ours = here.eventsOf(known.uid);
    if (!ours.empty() && ResourceMerge::fingerprintOf(ours) != known.localFingerprint) {
        mergeChange(run, arrived, known, ours);
        return;
    }
    // Removed here but changed there, the edit comes back.
    std::vector<Event> theirs = arrived.events;
    std::sort(theirs.begin(), theirs.end(), &Event::fieldsBefore);
    if (arrived.text != known.text && theirs != ours) {
        run.result.received += theirs.size();
        run.replaced.insert(known.uid);
        run.incoming.insert(run.incoming.end(), theirs.begin(), theirs.end());
    }
    run.index.setUid(known, arrived.uid);
    known.etag = arrived.etag;
    known.text = arrived.text;
    run.touched.insert(arrived.uid);
}

// Changed on both sides since the last sync.
void CalDavSync::mergeChange(Run& run, const Arrived& arrived, SyncState::Resource& known,
                             const std::vector<Event>& ours)
{
    std::vector<Event> base = eventsOf(known.text, run.now);
    std::sort(base.begin(), base.end(), &Event::fieldsBefore);
    std::vector<Event> theirs = arrived.events;
    std::sort(theirs.begin(), theirs.end(), &Event::fieldsBefore);
    known.etag = arrived.etag;
    known.text = arrived.text;
    // Only its text or ETag is new: the change here goes up.
    if (theirs == base)
        return;
    std::vector<Event> sameUid = ours;
    for (Event& e : sameUid)
        e.uid = arrived.uid;
    const ResourceMerge::Merged both = ResourceMerge::merge(base, sameUid, theirs);
    ++run.result.conflicts;
    run.result.received += theirs.size();
    run.replaced.insert(known.uid);
    run.incoming.insert(run.incoming.end(), both.shared.begin(), both.shared.end());
    run.incoming.insert(run.incoming.end(), both.own.begin(), both.own.end());
    run.index.setUid(known, arrived.uid);
    // The server's version as synced: what is left of ours goes up.
    if (ResourceMerge::fingerprintOf(both.shared) == ResourceMerge::fingerprintOf(theirs))
        run.touched.insert(arrived.uid);
    else
        known.localFingerprint = ResourceMerge::fingerprintOf(theirs);
}

void CalDavSync::takeInNew(Run& run, const Arrived& arrived)
{
    // New to this side, unless the events here already carry its UID (a sync
    // cut short before the state was kept), would go up under it, or are
    // the same event never sent (a first sync with a calendar that already
    // holds it): then the two are one.
    if (!run.uidsHere.count(arrived.uid)) {
        const auto waitingUnder = [&run](const std::string& key, const Event* same) -> std::optional<std::size_t> {
            const auto [first, last] = run.unsent.equal_range(key);
            for (auto entry = first; entry != last; ++entry) {
                const Event& e = run.events[entry->second];
                if (e.uid.empty() && (!same || e == *same))
                    return entry->second;
            }
            return std::nullopt;
        };
        std::optional<std::size_t> waiting = waitingUnder(firstTwinOf(arrived.uid), nullptr);
        if (!waiting && arrived.events.size() == 1) {
            Event same = arrived.events.front();
            same.uid.clear();
            waiting = waitingUnder(ICalendarWriter::uidOf(same, 0), &same);
        }
        if (waiting) {
            run.events[*waiting].uid = arrived.uid;
        } else {
            run.result.received += arrived.events.size();
            run.incoming.insert(run.incoming.end(), arrived.events.begin(), arrived.events.end());
        }
        run.uidsHere.insert(arrived.uid);
    }
    if (SyncState::Resource* sameUid = run.index.byUid(arrived.uid)) {
        // The same event under another address: the server's word goes.
        run.index.setHref(*sameUid, arrived.href);
        sameUid->etag = arrived.etag;
        sameUid->text = arrived.text;
    } else {
        run.index.add({arrived.href, arrived.etag, arrived.uid, 0, arrived.text});
    }
    run.touched.insert(arrived.uid);
}

void CalDavSync::takeInWhatWent(Run& run, bool listingComplete)
{
    if (listingComplete) {
        for (const SyncState::Resource& resource : run.state.resources) {
            if (!run.listed.count(SyncState::hrefKey(resource.href)))
                run.gone.insert(SyncState::hrefKey(resource.href));
        }
    }
    if (run.gone.empty())
        return;
    const UidGroups here(run.events);
    std::set<std::string> removedUids;
    for (const SyncState::Resource& resource : run.state.resources) {
        if (!run.gone.count(SyncState::hrefKey(resource.href)))
            continue;
        const std::vector<Event> ours = here.eventsOf(resource.uid);
        // Changed here since, the user's version stays, and goes up again.
        if (!ours.empty() && ResourceMerge::fingerprintOf(ours) == resource.localFingerprint) {
            removedUids.insert(resource.uid);
            run.result.removed += ours.size();
        }
        run.touched.erase(resource.uid);
    }
    run.events.erase(std::remove_if(run.events.begin(), run.events.end(),
                                    [&](const Event& e) { return removedUids.count(e.uid) > 0; }),
                     run.events.end());
    run.state.resources.erase(std::remove_if(run.state.resources.begin(), run.state.resources.end(),
                                             [&](const SyncState::Resource& r) {
                                                 return run.gone.count(SyncState::hrefKey(r.href)) > 0;
                                             }),
                              run.state.resources.end());
    run.index = SyncStateIndex(run.state);
}

// Each event never sent gets the UID it goes up under first, or takes up
// again the resource it was sent as when the file that kept that UID was not
// written.
void CalDavSync::nameUnsent(Run& run)
{
    for (Event& e : run.events) {
        if (!e.uid.empty() || !pushable(e, run.today))
            continue;
        // Twins (equal events) go up under UIDs of their own.
        std::string uid;
        for (unsigned twin = 0; uid.empty() || run.uidsHere.count(uid); ++twin)
            uid = ICalendarWriter::uidOf(e, twin);
        e.uid = uid;
        run.uidsHere.insert(uid);
        if (run.index.byUid(uid))
            run.touched.insert(uid);
    }
}

// A series goes with the occurrences moved out of it, as one resource (and
// the later stretches of one that needs several, each as one).
bool CalDavSync::push(Run& run, const UidGroups& here)
{
    for (const std::string& uid : here.uids()) {
        const std::vector<Event> ours = here.eventsOf(uid);
        if (goesUp(run, uid, ours) && !pushResource(run, uid, ours))
            return false;
    }
    return true;
}

bool CalDavSync::goesUp(Run& run, const std::string& uid, const std::vector<Event>& ours)
{
    if (!std::all_of(ours.begin(), ours.end(), &ICalendarWriter::writable))
        return false;
    const SyncState::Resource* known = run.index.byUid(uid);
    if (!known)
        return std::any_of(ours.begin(), ours.end(), [&](const Event& e) { return pushable(e, run.today); });
    return !run.touched.count(uid) && !known->etag.empty() &&
           ResourceMerge::fingerprintOf(ours) != known->localFingerprint;
}

bool CalDavSync::pushResource(Run& run, const std::string& uid, const std::vector<Event>& ours)
{
    SyncState::Resource* known = run.index.byUid(uid);
    // The series first: clients take the first VEVENT for it.
    std::vector<Event> seriesFirst = ours;
    std::stable_partition(seriesFirst.begin(), seriesFirst.end(), [](const Event& e) { return e.movedFrom.empty(); });
    const auto parts = ResourceText::split(ICalendarWriter::write(seriesFirst, run.stampUtc, codePage, version));
    for (const auto& [partUid, written] : parts) {
        const bool first = partUid == uid;
        std::string text = written;
        if (first && known)
            text = ResourcePatch::patched(known->text, eventsOf(known->text, run.now), written, ours);
        const Outcome done = put(run, partUid, text);
        if (done == Outcome::Failed)
            return false;
        if (!first)
            run.stretches.insert(partUid);
        if (done == Outcome::Raced) {
            run.raced = true;
            if (first)
                return true;
        }
    }
    run.rewritten.insert(uid);
    return true;
}

// Puts `text` as the resource of `uid`: over the one known (If-Match) or anew
// (If-None-Match; one already there was sent by a run cut short, and what the
// server holds is what was synced).
CalDavSync::Outcome CalDavSync::put(Run& run, const std::string& uid, const std::string& text)
{
    SyncState::Resource* known = run.index.byUid(uid);
    HttpClient::Headers headers{{"Content-Type", "text/calendar; charset=utf-8"}};
    Url url = run.calendar.withPath(run.calendar.path() + segmentFor(uid));
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
        run.fail(answer.problem, answer.status);
        return Outcome::Failed;
    }
    // Changed or removed there meanwhile: the next round brings that in.
    if (known && (answer.status == 412 || answer.status == 404))
        return Outcome::Raced;
    SyncState::Resource sent{url.text(), answer.header("ETag"), uid, 0, text};
    if (answer.status == 412) {
        const CalendarCollection::Fetched fetched = run.collection.fetch(url);
        if (fetched.answer.problem != CalDavProblem::None || fetched.answer.status != 200) {
            run.fail(CalDavConnection::problemOf(fetched.answer), fetched.answer.status);
            return Outcome::Failed;
        }
        sent.etag = fetched.etag;
        sent.text = fetched.answer.body;
    } else if (answer.status < 200 || answer.status > 299) {
        run.fail(CalDavConnection::problemOf(answer), answer.status);
        return Outcome::Failed;
    } else {
        ++run.result.sent;
    }
    if (known) {
        known->etag = sent.etag;
        known->text = sent.text;
    } else {
        run.index.add(std::move(sent));
    }
    run.touched.insert(uid);
    return Outcome::Done;
}

// Removed here: removed there, unless it changed there meanwhile. A resource
// that never had events here (one the reader could not hold), or whose events
// are all past, is not the user's to remove.
bool CalDavSync::removeWhatWentHere(Run& run, const UidGroups& here)
{
    const std::uint64_t nothing = ResourceMerge::fingerprintOf({});
    for (const SyncState::Resource& resource : run.state.resources) {
        if (here.contains(resource.uid) || resource.localFingerprint == nothing || run.touched.count(resource.uid) ||
            !ResourceText::ownerOf(resource.text).empty())
            continue;
        // A series that ended here leaves its past occurrences without a
        // UID: the server keeps it as it is.
        if (!stillAhead(run, resource.text))
            continue;
        if (!remove(run, resource))
            return false;
    }
    return true;
}

// A later stretch goes with its series, and when the series went up in other
// stretches.
bool CalDavSync::removeStretchesLeft(Run& run, const UidGroups& here)
{
    for (const SyncState::Resource& resource : run.state.resources) {
        const std::string owner = ResourceText::ownerOf(resource.text);
        if (owner.empty() || run.stretches.count(resource.uid))
            continue;
        const bool ownerGone = !here.contains(owner) && (run.deleted.count(owner) || !run.index.byUid(owner));
        if (!ownerGone && !run.rewritten.count(owner))
            continue;
        if (!remove(run, resource))
            return false;
    }
    return true;
}

bool CalDavSync::stillAhead(const Run& run, const std::string& text) const
{
    const std::vector<Event> theirs = eventsOf(text, run.now);
    return std::any_of(theirs.begin(), theirs.end(),
                       [&](const Event& e) { return Occurrences(e).nextFrom(run.today) != Occurrences::noDay; });
}

bool CalDavSync::remove(Run& run, const SyncState::Resource& resource)
{
    const auto url = Url::parse(resource.href);
    if (!url)
        return true;
    HttpClient::Headers headers;
    if (!resource.etag.empty())
        headers.emplace_back("If-Match", resource.etag);
    const auto answer = connection.send("DELETE", *url, headers, {});
    if (answer.problem != CalDavProblem::None) {
        run.fail(answer.problem, answer.status);
        return false;
    }
    if (answer.status == 412) {
        run.raced = true; // changed there meanwhile: the next round merges it
        return true;
    }
    if (answer.status != 404 && (answer.status < 200 || answer.status > 299)) {
        run.fail(CalDavConnection::problemOf(answer), answer.status);
        return false;
    }
    ++run.result.deleted;
    run.deleted.insert(resource.uid);
    return true;
}

// The state as the round leaves it: without the resources deleted there,
// and each resource whose events here are as synced with their fingerprint.
void CalDavSync::keepState(Run& run)
{
    run.state.resources.erase(std::remove_if(run.state.resources.begin(), run.state.resources.end(),
                                             [&](const SyncState::Resource& r) { return run.deleted.count(r.uid) > 0; }),
                              run.state.resources.end());
    const UidGroups synced(run.events);
    for (SyncState::Resource& resource : run.state.resources) {
        if (run.touched.count(resource.uid))
            resource.localFingerprint = ResourceMerge::fingerprintOf(synced.eventsOf(resource.uid));
    }
}
