#pragma once

#include "ValueText.h"

#include <bitset>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// An RRULE (RFC 5545 section 3.3.10): whether it says no more than one of
// Vellumere's frequencies, and otherwise the one occurrence an event keeps.
// Days are the day numbers of Calendar.h. Rules finer than daily are taken by
// the day; BYHOUR, BYMINUTE and BYSECOND only keep a rule from being a plain
// frequency.
class RecurrenceRule {
public:
    // False for a rule that cannot be read, or with parts not followed here
    // (BYWEEKNO, BYYEARDAY).
    bool parse(std::string_view text);

    // The EventFrequency of a rule starting on `startDay` that says no more
    // than it, in whatever words; -1 for any other rule.
    int plainFrequency(long startDay) const;

    // To the user's wall clock, in seconds since 1970: from the event's own
    // wall clock, and from UTC.
    struct Clocks {
        std::function<long long(long long)> fromEvent;
        std::function<long long(long long)> fromUtc;
    };

    // The day, in the event's own wall clock, of the first occurrence at or
    // after `now` (the user's wall clock) of an event starting at `start`, or
    // of its last one when the rule has ended; its start when the rule has no
    // such occurrence within 400 years, or `budget` (days looked at) is
    // spent. The start always counts as the first occurrence.
    long nextOccurrence(const ValueText::Stamp& start, long long now, const Clocks& clocks,
                        long& budget) const;

    bool repeatsYearly() const { return frequency == Frequency::Yearly; }
    long interval() const { return every; }
    // Null for a rule without UNTIL.
    const ValueText::Stamp* until() const { return hasUntil ? &untilStamp : nullptr; }

    // The rule's days within `period` (its days, weeks, months or years,
    // counted from the one `startDay` lies in), in order; false when
    // `budget` is spent.
    bool collect(long startDay, long long period, std::vector<long>& days, long& budget) const;

    // What an event's own rule may say: FREQ DAILY to YEARLY, INTERVAL,
    // BYDAY, BYMONTHDAY (not in a weekly rule), BYMONTH, BYSETPOS beside
    // another BY part, COUNT up to maxCount or UNTIL, WKST. Nothing finer
    // than a day: parse takes more, for what a calendar file holds. COUNT is
    // counted from the start each time, so it is kept to what a walk of a
    // few hundred years does in a moment.
    bool inVocabulary() const;
    static constexpr long maxCount = 100000;

    // The rule as RRULE text, its parts in one order: FREQ, INTERVAL (not
    // 1), BYDAY, BYMONTHDAY, BYMONTH, BYSETPOS, COUNT, UNTIL, WKST (not MO).
    // UNTIL loses its seconds, as parse drops them; BYHOUR, BYMINUTE and
    // BYSECOND are not kept.
    std::string text() const;
    bool operator==(const RecurrenceRule& other) const;
    bool operator!=(const RecurrenceRule& other) const { return !(*this == other); }

private:
    enum class Frequency { None, Secondly, Minutely, Hourly, Daily, Weekly, Monthly, Yearly };
    class Days;

    bool hasDays() const { return weekdays != 0 || hasNth; }
    bool hasMonthDays() const { return monthDays != 0 || monthDaysFromEnd != 0; }

    Frequency frequency = Frequency::None;
    long every = 1; // INTERVAL
    long count = 0; // 0: no COUNT
    bool hasUntil = false;
    ValueText::Stamp untilStamp;
    std::uint32_t months = 0;           // bit m: BYMONTH=m
    std::uint32_t monthDays = 0;        // bit d: BYMONTHDAY=d
    std::uint32_t monthDaysFromEnd = 0; // bit d: BYMONTHDAY=-d
    std::uint32_t weekdays = 0;         // bit w (0 Sunday): BYDAY=w
    std::uint64_t nth[7] = {};          // bit n: BYDAY=nw
    std::uint64_t nthFromEnd[7] = {};   // bit n: BYDAY=-nw
    std::bitset<367> positions;         // BYSETPOS=n
    std::bitset<367> positionsFromEnd;  // BYSETPOS=-n
    bool hasPositions = false;
    bool hasNth = false;
    bool timeParts = false; // BYHOUR, BYMINUTE, BYSECOND: several times a day
    int weekStart = 1;      // Monday
};
