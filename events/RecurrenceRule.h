#pragma once

#include "ValueText.h"

#include <bitset>
#include <climits>
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

    // The occurrences of an event that starts on `startDay` at `minute` of
    // the day (0 without a time). The start is always the first, counted by
    // COUNT, whether the rule would give it or not (RFC 5545 section 3.3.10,
    // and Google's and Apple's calendars; python-dateutil leaves such a
    // start out). UNTIL is a moment on the event's wall clock, a UTC one
    // too: whoever reads it from a calendar makes it local first. An UNTIL
    // that is a date takes that whole day. Without COUNT the walk starts at
    // the period of the day asked about; with it, at the start. `budget`
    // bounds the days looked at: a search that finds nothing looks at about
    // 150,000; below 0 afterwards when it ran out, and the answer is then
    // short.

    // The occurrences within [fromDay, toDay], in order; false when the
    // budget ran out.
    bool occurrences(long startDay, long fromDay, long toDay, std::vector<long>& days, long& budget,
                     int minute = 0) const;
    static constexpr long noDay = LONG_MIN;
    // The first occurrence on or after `day`; noDay when there is none: the
    // rule has ended, or gives no day (its days repeat after 400 years and
    // a whole number of periods, so a search ends there).
    long nextOccurrenceFrom(long startDay, long day, long& budget, int minute = 0) const;
    // The same rule re-started `passed` occurrences later: COUNT reduced by
    // them (an event carried forward to a later occurrence); UNTIL kept.
    RecurrenceRule afterOccurrences(long passed) const
    {
        RecurrenceRule later = *this;
        if (later.count > 0)
            later.count = later.count > passed ? later.count - passed : 1;
        return later;
    }
    bool hasCount() const { return count > 0; }
    // True when no occurrence comes after `day`; false when the budget ran out.
    bool hasEnded(long startDay, long day, long& budget, int minute = 0) const;

private:
    enum class Frequency { None, Secondly, Minutely, Hourly, Daily, Weekly, Monthly, Yearly };
    class Days;

    // Calls `take` with each occurrence from `fromDay` on, in order, until it
    // returns false or the periods pass `toDay`; false when the budget ran out.
    template <typename Take>
    bool walk(long startDay, int minute, long fromDay, long toDay, long& budget, Take take) const;

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
