#pragma once

#include "CalDavConnection.h"
#include "Url.h"

#include <cstddef>
#include <map>
#include <string>
#include <vector>

// The resources of one calendar on a server, as a sync reads them: what
// changed since a sync token (the sync-collection REPORT of RFC 6578, cut
// short or not), else every ETag by calendar-query; and their texts by
// calendar-multiget, else by GET.
class CalendarCollection {
public:
    CalendarCollection(CalDavConnection& connection, Url calendar);

    struct Listed {
        std::string href; // whole address
        std::string etag;
        bool gone = false;
    };
    struct Listing {
        CalDavProblem problem = CalDavProblem::None;
        int status = 0;
        bool complete = false;  // every resource of the calendar, not only the changes
        bool truncated = false; // the server's listing goes on from `token`
        std::string token;
        std::vector<Listed> resources;
    };
    // What changed since `token` (everything with an empty one), each
    // resource once, as the server said of it last.
    Listing list(const std::string& token);

    struct Fetched {
        CalDavConnection::Answer answer;
        std::string etag;
    };
    Fetched fetch(const Url& url);
    // The resources at `urls`, by SyncState::hrefKey, each with status 200
    // or 404: by calendar-multiget (RFC 4791 7.9) in batches, and by GET what
    // the server leaves out or, when it refuses the report, all. False, with
    // the answer in `failed`, on any other.
    bool fetchAll(const std::vector<Url>& urls, std::map<std::string, Fetched>& fetched, Fetched& failed);

    // Resources asked for in one calendar-multiget.
    static constexpr std::size_t multigetBatch = 100;
    // Parts of a sync-collection listing the server cut short, at most.
    static constexpr int maxListingParts = 1000;

private:
    Listing syncCollection(const std::string& token);
    Listing calendarQuery();
    // Asks for `urls` from `start` to `end` in one report. False, with the
    // answer in `failed`, when the server failed; `understood` false when it
    // refused the report or gave an answer not read.
    bool multiget(const std::vector<Url>& urls, std::size_t start, std::size_t end,
                  std::map<std::string, Fetched>& fetched, Fetched& failed, bool& understood);

    CalDavConnection& connection;
    Url calendar;
};
