#pragma once

#include "Event.h"
#include "ICalendarLimits.h"
#include "SystemTime.h"

#include <cstddef>
#include <string>
#include <vector>

class CodePage;
class TimeZones;

// Events from an iCalendar file (RFC 5545) as the big calendar programs
// write it: each VEVENT becomes one event, in the user's code page and local
// time. What Vellumere cannot hold is changed on the way and counted; an
// event without a start it can hold is left out, counted and named. The same
// event twice under one UID is one event; equal events of distinct UIDs are
// distinct. A file that is not a calendar, is cut, or passes the limits below
// gives no event at all.
class ICalendarReader {
public:
    static constexpr std::size_t maxFileSize = ICalendarLimits::maxFileSize;
    static constexpr std::size_t maxLineLength = ICalendarLimits::maxLineLength;
    static constexpr std::size_t maxEvents = ICalendarLimits::maxEvents;
    static constexpr int maxNesting = ICalendarLimits::maxNesting;
    static constexpr std::size_t maxTimeZones = ICalendarLimits::maxTimeZones;

    using Problem = ICalendarProblem;

    // The most events left out that are named.
    static constexpr std::size_t namedLeftOut = 10;

    // Events changed on the way, by kind, and events left out.
    struct Changes {
        std::size_t zoneTakenAsLocal = 0; // a TZID neither the file nor the system knows
        // at a time outside the years its VTIMEZONE describes, in a zone the
        // system does not know: by the offset of the nearest year described
        std::size_t zoneOutsideItsYears = 0;
        std::size_t ruleToOnce = 0;       // repeating by a rule Vellumere lacks: its next occurrence, once
        std::size_t alarmsDropped = 0;    // alarms after the start, at a set time, or that send mail
        std::size_t charactersLost = 0;   // texts with characters the code page lacks, '?' in their place
        std::size_t startMissing = 0;     // left out: no start
        std::size_t startImpossible = 0;  // left out: a start that cannot be (30 February, hour 25) or is past 9999
        std::vector<std::string> leftOut; // the names (SUMMARY) of the first events left out, in file order

        std::size_t leftOutCount() const { return startMissing + startImpossible; }
    };

    struct Result {
        Problem problem = Problem::None;
        std::vector<Event> events; // in file order
        Changes changes;
    };

    // `now` is the user's local time: a rule Vellumere lacks gives its first
    // occurrence at or after it (or its last one, when the rule has ended).
    static Result read(const std::string& text, const SystemTime& now, const CodePage& codePage,
                       const TimeZones& timeZones);
};
