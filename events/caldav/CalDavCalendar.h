#pragma once

#include <string>

// One calendar collection a user can keep events in, as discovery found it.
struct CalDavCalendar {
    std::string url;         // whole address, as the server names it
    std::string displayName; // may be empty: the dialog then shows the address
    std::string ctag;        // calendarserver.org's getctag: changes with every change, when offered
    std::string syncToken;   // RFC 6578's token at discovery, when offered
    bool syncCollection = false; // the sync-collection REPORT is advertised
};
