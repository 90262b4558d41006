#pragma once

#include "ICalendarLines.h"
#include "ValueText.h"
#include "RecurrenceRule.h"

#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The time zones a calendar file defines in its VTIMEZONEs, taken from the
// file's lines, and the offset from UTC each gives a time of its wall clock.
// Times are seconds since 1970 as the wall clock reads them.
class TimeZoneRules : public ICalendarLines::Handler {
public:
    void begin(ICalendarLines::Kind kind) override;
    void property(ICalendarLines::Kind kind, const ICalendarLines::ContentLine& line) override;
    void end(ICalendarLines::Kind kind) override;

    // Whether the file defines the zone of that TZID (as zoneName gives it).
    bool has(std::string_view zone) const;

    // The offset from UTC, in seconds, of `zone` at `time` of its wall
    // clock; 0 for a zone the file does not define. Repeating changes cost
    // `budget`, shared with the recurrence rules: once it is spent, the
    // changes not yet known count from their observance's start.
    long long offsetAt(std::string_view zone, long long time, long& budget);

    // A TZID (a VTIMEZONE's value, or a parameter's) as the reader knows
    // it: escapes undone (Kuala Lumpur\, Singapore), and the leading slash
    // some programs write before a global zone name dropped.
    static std::string zoneName(std::string_view name);

private:
    // One STANDARD or DAYLIGHT part of a VTIMEZONE: from its onsets on, the
    // zone's wall clock is UTC + offsetTo.
    struct Observance {
        ValueText::Stamp start; // wall clock, in offsetFrom
        long long offsetFrom = 0;
        long long offsetTo = 0;
        bool hasStart = false;
        bool hasFrom = false;
        bool hasTo = false;
        bool hasRule = false;
        RecurrenceRule rule;
        long startYear = 0;
        std::vector<long long> dates;                          // RDATEs, wall clock
        std::unordered_map<long, std::vector<long>> onsetDays; // by year, once computed
    };
    using Observances = std::vector<Observance>;

    void keepObservance();

    bool onsetBefore(Observance& observance, long long time, long year, long long& onset, long& budget);
    static bool beforeUntil(const Observance& observance, long long onset);

    std::map<std::string, Observances, std::less<>> zones;
    std::string pendingName;       // of the VTIMEZONE being read
    Observances pendingZone;       // its observances so far
    Observance pendingObservance;  // the one being read
    std::vector<long> days;        // scratch for the rules' periods
};
