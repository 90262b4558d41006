#pragma once

#include "CalDavCalendar.h"
#include "CalDavConnection.h"
#include "MultiStatus.h"

#include <optional>
#include <string>
#include <vector>

// Finds a user's calendars from what the user typed, as RFC 6764 and RFC 4791
// describe: the address itself or /.well-known/caldav or the root, then the
// current-user-principal, its calendar-home-set, and the calendar collections
// there that can hold events. Creates a calendar in the home when asked.
class CalDavDiscovery {
public:
    explicit CalDavDiscovery(CalDavConnection& connection);

    struct Result {
        CalDavProblem problem = CalDavProblem::None;
        int status = 0;          // the HTTP status behind a problem, when there was one
        std::string principal;   // the user's principal, when found
        std::string home;        // the calendar-home-set, when found
        std::string given;       // the calendar the address itself named, if it named one
        std::vector<CalDavCalendar> calendars; // those that can hold events
    };

    // `address` is a server ("cal.example.com", "http://localhost:5232/") or a
    // full calendar address.
    Result discover(const std::string& address);

    struct Created {
        CalDavProblem problem = CalDavProblem::None;
        int status = 0;
        CalDavCalendar calendar;
    };

    // A new event calendar named `displayName` in `home`, beside any existing
    // one of that name: MKCALENDAR, or an extended MKCOL (RFC 5689) where the
    // server refuses MKCALENDAR.
    Created createCalendar(const std::string& home, const std::string& displayName);

private:
    struct Step {
        CalDavConnection::Answer answer;
        std::optional<MultiStatus> multiStatus; // set for a 207 that parses
    };
    Step propfind(const Url& url, const char* depth, const std::string& properties);
    std::optional<CalDavCalendar> calendarOf(const Url& base, const MultiStatus::Resource& resource) const;

    CalDavConnection& connection;
};
