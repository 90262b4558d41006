#pragma once

#include "Event.h"
#include "SystemTime.h"

#include <string>
#include <vector>

class CodePage;

// Events as an iCalendar file (RFC 5545) any calendar program reads: one
// VEVENT each, with a UID that stays the same for the same event, floating
// local times, the repetitions as RRULE, the reminder options as VALARMs,
// and Vellumere's own fields in X-VELLUMERE- properties so that an export
// read back loses nothing. Texts go from `codePage` to UTF-8; lines end in
// CR LF and are folded at 75 octets. Events that are not writable are left
// out.
class ICalendarWriter {
public:
    static std::string write(const std::vector<Event>& events, const SystemTime& stampUtc, const CodePage& codePage,
                             const std::string& version);

    // False for an event at a date or time that cannot be (30 February,
    // month 13, hour 25, year 0: a hand-edited file), which no calendar
    // program would read.
    static bool writable(const Event& event);

    // The UID of `event`, from all its stored fields; `twin` counts the
    // earlier events equal to it in the same export.
    static std::string uidOf(const Event& event, unsigned twin);
};
