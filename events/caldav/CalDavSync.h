#pragma once

#include "CalDavConnection.h"
#include "Event.h"
#include "SyncState.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class CodePage;
class TimeZones;

// One sync of the user's events with one calendar on a server. Pulls what
// changed there since the last sync (the sync-collection REPORT of RFC 6578
// with the stored token, else a calendar-query of every ETag): an event new
// there comes in with its UID; a resource gone from there takes its events
// here along, unless they changed here since. Pushes each event that was
// never sent as a resource of its own, under a UID made of its fields, so
// that a run cut short and done again finds it rather than sending it twice.
class CalDavSync {
public:
    CalDavSync(CalDavConnection& connection, const CodePage& codePage, const TimeZones& timeZones,
               std::string version);

    struct Result {
        CalDavProblem problem = CalDavProblem::None;
        int status = 0;           // the HTTP status behind a problem, when there was one
        std::size_t received = 0; // events that came in or were replaced by the server's
        std::size_t removed = 0;  // events removed here, as they went from the server
        std::size_t sent = 0;     // resources put on the server
        bool changedHere() const { return received || removed || sent; }
    };

    // Syncs `events` with the calendar at `state.calendarUrl`. `now` is the
    // user's local time, `stampUtc` the time in UTC. On a problem `events`
    // and `state` stay as they were (what went up by then is found by UID
    // in the next run).
    Result run(std::vector<Event>& events, SyncState& state, const SystemTime& now, const SystemTime& stampUtc);

    // Sent as they are by the past occurrences a repeating event leaves
    // behind, one-time events before today stay here.
    static bool pushable(const Event& event, long today);

private:
    struct Listed {
        std::string href; // whole address
        std::string etag;
        bool gone = false;
    };
    struct Listing {
        CalDavProblem problem = CalDavProblem::None;
        int status = 0;
        bool complete = false; // every resource of the calendar, not only the changes
        std::string token;
        std::vector<Listed> resources;
    };
    Listing list(const Url& calendar, const std::string& token);
    Listing syncCollection(const Url& calendar, const std::string& token);
    Listing calendarQuery(const Url& calendar);

    struct Fetched {
        CalDavConnection::Answer answer;
        std::string etag;
    };
    Fetched fetch(const Url& url);

    // The events a resource's text holds, as the event file will hold them,
    // each with the resource's UID.
    std::vector<Event> eventsOf(const std::string& text, const SystemTime& now) const;

    CalDavConnection& connection;
    const CodePage& codePage;
    const TimeZones& timeZones;
    std::string version;
};
