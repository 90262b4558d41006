#pragma once

#include "Event.h"

#include <string>
#include <vector>

// The text a changed resource goes up as, made from the server's own text
// rather than written afresh: a VEVENT whose event the user did not change
// goes back as the server had it, and a changed one keeps the server's
// properties Vellumere does not hold (LOCATION, URL, attendees, X-
// properties, its own alarms while the reminders are unchanged) and the
// server's lines for what did not change here. So text the code page cannot
// hold (emoji, Cyrillic in 1252) is never written back as '?'.
class ResourcePatch {
public:
    // `serverText` is the resource as the server holds it and `serverEvents`
    // its events as read here; `ourText` the resource as the writer writes
    // `ours`, the events here under its UID.
    static std::string patched(const std::string& serverText, const std::vector<Event>& serverEvents,
                               const std::string& ourText, const std::vector<Event>& ours);
};
