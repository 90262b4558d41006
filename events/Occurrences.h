#pragma once

#include "Event.h"
#include "RecurrenceRule.h"

#include <climits>
#include <vector>

// The days an event occurs on: its date, and for a repeating event each day
// its frequency or its rule brings after it, but its skipped days. A rule
// that cannot be read, or says more than an event's rule may, leaves the
// event once. Days are the day numbers of Calendar.h. What the catch-up
// carries forward and what the agenda lists come from here alike.
class Occurrences {
public:
    static constexpr long noDay = LONG_MIN;

    // `event` must outlive this.
    explicit Occurrences(const Event& event);

    // False for an event that occurs once, or whose date is not a real date.
    bool repeat() const { return repeating; }

    // Each occurrence within [fromDay, toDay], in order.
    void within(long fromDay, long toDay, std::vector<long>& days) const;
    // The first occurrence on or after `day`; noDay when none comes (a rule
    // that has ended, a date that cannot move on).
    long nextFrom(long day) const;
    // The event carried forward to its occurrence on `day`: its rule with
    // COUNT reduced by the occurrences before that day, skipped days before
    // it dropped.
    Event movedTo(long day) const;

private:
    bool skipped(long day) const;

    const Event& event;
    RecurrenceRule rule;
    bool ruled = false;
    bool repeating = false;
    long start = 0;
    int minute = 0; // of the day, for a rule's UNTIL
};
