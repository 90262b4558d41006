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
    CalendarCollection collection(connection, *calendar);
    // A resource that changed there between the listing and its PUT or
    // DELETE is merged in another round, so that the sides end equal.
    bool raced = true;
    for (int round = 0; raced && round < maxRounds; ++round) {
        raced = false;
        SyncStateIndex index(state);
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
        const CalendarCollection::Listing listing = collection.list(state.syncToken);
        if (listing.problem != CalDavProblem::None)
            return fail(listing.problem, listing.status);
        std::set<std::string> gone; // by hrefKey
        std::set<std::string> listed;
        {
            const UidGroups here(events);
            // Taken in after the listing, so that the positions above stay.
            std::set<std::string> replaced;
            std::vector<Event> incoming;
            std::vector<Url> wanted;
            for (const CalendarCollection::Listed& item : listing.resources) {
                const SyncState::Resource* known = index.byHref(SyncState::hrefKey(item.href));
                const auto url = Url::parse(item.href);
                if (!item.gone && url && !(known && !known->etag.empty() && known->etag == item.etag))
                    wanted.push_back(*url);
            }
            std::map<std::string, CalendarCollection::Fetched> texts;
            CalendarCollection::Fetched failed;
            if (!collection.fetchAll(wanted, texts, failed))
                return fail(CalDavConnection::problemOf(failed.answer), failed.answer.status);
            for (const CalendarCollection::Listed& item : listing.resources) {
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
                const CalendarCollection::Fetched& fetched = found->second;
                if (fetched.answer.status == 404) {
                    gone.insert(key);
                    continue;
                }
                const std::string& text = fetched.answer.body;
                const std::string uid = ResourceText::uidOf(text);
                const std::string etag = fetched.etag.empty() ? item.etag : fetched.etag;
                std::vector<Event> theirs = eventsOf(text, now);
                if (known) {
                    const std::vector<Event> ours = here.eventsOf(known->uid);
                    if (!ours.empty() && ResourceMerge::fingerprintOf(ours) != known->localFingerprint) {
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
                        const ResourceMerge::Merged both = ResourceMerge::merge(base, sameUid, theirs);
                        ++result.conflicts;
                        result.received += theirs.size();
                        replaced.insert(known->uid);
                        incoming.insert(incoming.end(), both.shared.begin(), both.shared.end());
                        incoming.insert(incoming.end(), both.own.begin(), both.own.end());
                        index.setUid(*known, uid);
                        // The server's version as synced: what is left of ours goes up.
                        if (ResourceMerge::fingerprintOf(both.shared) == ResourceMerge::fingerprintOf(theirs))
                            touched.insert(uid);
                        else
                            known->localFingerprint = ResourceMerge::fingerprintOf(theirs);
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
            const UidGroups here(events);
            std::set<std::string> removedUids;
            for (const SyncState::Resource& resource : state.resources) {
                if (!gone.count(SyncState::hrefKey(resource.href)))
                    continue;
                const std::vector<Event> ours = here.eventsOf(resource.uid);
                // Changed here since, the user's version stays, and goes up again.
                if (!ours.empty() && ResourceMerge::fingerprintOf(ours) == resource.localFingerprint) {
                    removedUids.insert(resource.uid);
                    result.removed += ours.size();
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
            index = SyncStateIndex(state);
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
                const CalendarCollection::Fetched fetched = collection.fetch(url);
                if (fetched.answer.problem != CalDavProblem::None || fetched.answer.status != 200) {
                    fail(CalDavConnection::problemOf(fetched.answer), fetched.answer.status);
                    return Outcome::Failed;
                }
                sent.etag = fetched.etag;
                sent.text = fetched.answer.body;
            } else if (answer.status < 200 || answer.status > 299) {
                fail(CalDavConnection::problemOf(answer), answer.status);
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
        const UidGroups here(events);
        std::set<std::string> rewritten; // the UIDs that went up
        std::set<std::string> stretches; // the later stretches that went up with them
        for (const std::string& uid : here.uids()) {
            const std::vector<Event> ours = here.eventsOf(uid);
            if (!std::all_of(ours.begin(), ours.end(), &ICalendarWriter::writable))
                continue;
            SyncState::Resource* known = index.byUid(uid);
            if (!known) {
                if (!std::any_of(ours.begin(), ours.end(), [&](const Event& e) { return pushable(e, today); }))
                    continue;
            } else if (touched.count(uid) || known->etag.empty() ||
                       ResourceMerge::fingerprintOf(ours) == known->localFingerprint) {
                continue;
            }
            // The series first: clients take the first VEVENT for it.
            std::vector<Event> seriesFirst = ours;
            std::stable_partition(seriesFirst.begin(), seriesFirst.end(),
                                  [](const Event& e) { return e.movedFrom.empty(); });
            const auto parts = ResourceText::split(ICalendarWriter::write(seriesFirst, stampUtc, codePage, version));
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
        const std::uint64_t nothing = ResourceMerge::fingerprintOf({});
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
                fail(CalDavConnection::problemOf(answer), answer.status);
                return Outcome::Failed;
            }
            ++result.deleted;
            deleted.insert(resource.uid);
            return Outcome::Done;
        };
        for (const SyncState::Resource& resource : state.resources) {
            if (here.contains(resource.uid) || resource.localFingerprint == nothing || touched.count(resource.uid) ||
                !ResourceText::ownerOf(resource.text).empty())
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
            const std::string owner = ResourceText::ownerOf(resource.text);
            if (owner.empty() || stretches.count(resource.uid))
                continue;
            const bool ownerGone = !here.contains(owner) && (deleted.count(owner) || !index.byUid(owner));
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

        const UidGroups synced(events);
        for (SyncState::Resource& resource : state.resources) {
            if (touched.count(resource.uid))
                resource.localFingerprint = ResourceMerge::fingerprintOf(synced.eventsOf(resource.uid));
        }
    }
    std::stable_sort(events.begin(), events.end());
    liveEvents = std::move(events);
    liveState = std::move(state);
    return result;
}
