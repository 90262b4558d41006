#pragma once

#include "Event.h"

#include <string>
#include <string_view>
#include <vector>

// Produces the bytes of an event file: CR LF line ends, four-space indents,
// empty values as empty-element tags, text values condensed and escaped.
class EventFileWriter {
public:
    static std::string write(const std::vector<Event>& events);

    // What a text value becomes on disk, before escaping: it ends at a NUL;
    // leading white space (tab included) is dropped; after the first other
    // character every run of spaces, CRs and LFs becomes one space, and such
    // a run at the end is dropped. A tab after the first other character stays.
    static std::string condense(std::string_view value);

    // A note's line breaks, stored as "|*": CR becomes '|' and LF '*'.
    static std::string encodeLineBreaks(std::string_view note);

    // `event` as the file gives it back: its texts condensed, a note's line
    // breaks and any "|*" in it as CR LF. What an event is compared as
    // before it joins the file.
    static Event stored(Event event);
};
