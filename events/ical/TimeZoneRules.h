#pragma once

#include "ICalendarLines.h"
#include "ValueText.h"
#include "RecurrenceRule.h"

#include <climits>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The time zones a calendar file defines in its VTIMEZONEs, taken from the
// file's lines, and the offset from UTC each gives a time of its wall clock.
// Times are seconds since 1970 as the wall clock reads them.
//
// A zone given by the dates of its changes alone (some programs write only
// the years their events need) goes on beyond its first and last years as
// its changes there go on: each kind of change on the same day of the same
// month (the second Sunday of March, the last Sunday of October, or 21
// March) in two years running continues so every year.
class TimeZoneRules : public ICalendarLines::Handler {
public:
    void begin(ICalendarLines::Kind kind) override;
    void property(ICalendarLines::Kind kind, const ICalendarLines::ContentLine& line) override;
    void end(ICalendarLines::Kind kind) override;

    // Whether the file defines the zone of that TZID (as zoneName gives it).
    bool has(std::string_view zone) const;

    // False when `time` lies in a year before or after those the zone
    // describes, in which it still changed its clock and no pattern goes
    // on: offsetAt then gives the offset of its nearest year, perhaps an
    // hour off. True for a zone the file does not define.
    bool describes(std::string_view zone, long long time) const;

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

    struct Zone {
        Observances observances;
        long firstYear = LONG_MIN; // the years it describes
        long lastYear = LONG_MAX;
    };

    // One change of a zone's clock: the start or a date of an observance,
    // or where a rule of one ends (not `dated`).
    struct Change {
        long long at;
        long long offsetFrom;
        long long offsetTo;
        bool dated;
    };
    using Changes = std::vector<Change>;

    void keepObservance();
    static void followPatterns(Zone& zone);
    static bool followEnd(const Changes& inwards, bool last, Observances& added);

    bool onsetBefore(Observance& observance, long long time, long year, long long& onset, long& budget);
    static bool beforeUntil(const Observance& observance, long long onset);

    std::map<std::string, Zone, std::less<>> zones;
    std::string pendingName;       // of the VTIMEZONE being read
    Observances pendingZone;       // its observances so far
    Observance pendingObservance;  // the one being read
    std::vector<long> days;        // scratch for the rules' periods
};
