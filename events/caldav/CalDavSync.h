#pragma once

#include "CalDavConnection.h"
#include "CalendarCollection.h"
#include "Event.h"
#include "SyncState.h"

#include <cstddef>
#include <string>
#include <vector>

class CodePage;
class TimeZones;
class UidGroups;

// One sync of the user's events with one calendar on a server. Pulls what
// changed there since the last sync (CalendarCollection): an event new
// there comes in with its UID, a changed one replaces its version here, and
// a resource gone from there takes its events here along, each unless the
// events changed here since. Then pushes each event never sent as a resource
// of its own (If-None-Match), under a UID made of its fields, so that a run
// cut short and done again finds it rather than sending it twice; each
// event changed here (If-Match); and removes from the server what was
// removed here (If-Match). What changed on both sides is merged as the
// event file's outside changes are (ResourceMerge): a change of one side wins
// on both, an event both changed is kept in both versions, the server's
// under its UID and ours as a new resource, and an edit wins over a removal.
// A changed resource goes up as the server's text patched (ResourcePatch).
// A monthly event from the 29th to the 31st, or a yearly one from 29
// February, goes up as the writer says it: one resource for each stretch
// of one day of the month, the later ones named after the first.
class CalDavSync {
public:
    CalDavSync(CalDavConnection& connection, const CodePage& codePage, const TimeZones& timeZones,
               std::string version);

    struct Result {
        CalDavProblem problem = CalDavProblem::None;
        int status = 0;           // the HTTP status behind a problem, when there was one
        std::size_t received = 0;  // events that came in or were replaced by the server's
        std::size_t removed = 0;   // events removed here, as they went from the server
        std::size_t sent = 0;      // resources put on the server, new or changed
        std::size_t deleted = 0;   // resources deleted on the server, as their events went from here
        std::size_t conflicts = 0; // resources changed on both sides, merged
        bool changedAnything() const { return received || removed || sent || deleted; }
    };

    // Syncs `events` with the calendar at `state.calendarUrl`. `now` is the
    // user's local time, `stampUtc` the time in UTC. On a problem `events`
    // and `state` stay as they were (what went up by then is found by UID
    // in the next run).
    Result run(std::vector<Event>& events, SyncState& state, const SystemTime& now, const SystemTime& stampUtc);

    // Only events that repeat or are today or later go up: the past
    // occurrences a repeating event leaves behind stay here.
    static bool pushable(const Event& event, long today);

    // Pull and push again at most this often when the server changed a
    // resource between the listing and its PUT or DELETE.
    static constexpr int maxRounds = 3;
    // Resources asked for in one calendar-multiget.
    static constexpr std::size_t multigetBatch = CalendarCollection::multigetBatch;
    // Parts of a sync-collection listing the server cut short, at most.
    static constexpr int maxListingParts = CalendarCollection::maxListingParts;

private:
    struct Run;     // the working copies of one run, and what its round found
    struct Arrived; // a resource changed on the server, as it is there now
    enum class Outcome { Done, Raced, Failed };

    // One pull and push. False on a problem, which the run's result holds.
    bool syncRound(Run& run);

    bool pull(Run& run, const CalendarCollection::Listing& listing);
    void takeInChange(Run& run, const Arrived& arrived, SyncState::Resource& known, const UidGroups& here);
    void mergeChange(Run& run, const Arrived& arrived, SyncState::Resource& known, const std::vector<Event>& ours);
    void takeInNew(Run& run, const Arrived& arrived);
    void takeInWhatWent(Run& run, bool listingComplete);

    void nameUnsent(Run& run);
    bool push(Run& run, const UidGroups& here);
    bool goesUp(Run& run, const std::string& uid, const std::vector<Event>& ours);
    bool pushResource(Run& run, const std::string& uid, const std::vector<Event>& ours);
    Outcome put(Run& run, const std::string& uid, const std::string& text);

    bool removeWhatWentHere(Run& run, const UidGroups& here);
    bool removeStretchesLeft(Run& run, const UidGroups& here);
    // False on a problem; a resource changed there meanwhile is left for the next round.
    bool remove(Run& run, const SyncState::Resource& resource);
    bool stillAhead(const Run& run, const std::string& text) const;

    void keepState(Run& run);

    // The events a resource's text holds, as the event file will hold them,
    // each with the resource's UID.
    std::vector<Event> eventsOf(const std::string& text, const SystemTime& now) const;

    CalDavConnection& connection;
    const CodePage& codePage;
    const TimeZones& timeZones;
    std::string version;
};
