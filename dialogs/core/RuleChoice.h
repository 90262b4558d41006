#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class Event;

// What the "Repeat" dialog edits: a repetition every so many days, weeks
// (on chosen weekdays), months (on a date, on the nth or last weekday, or on
// the last day) or years, ending never, on a date or after so many times,
// with the dates it skips. It stands for the RRULE texts it can show; any
// other rule is replaced when the dialog's choice is taken. Days are the day
// numbers of Calendar.h.
class RuleChoice {
public:
    enum class Unit { Days, Weeks, Months, Years };
    // Where in the month a monthly repetition falls.
    enum class MonthDay { Date, Weekday, LastDay };
    enum class Ending { Never, OnDate, AfterCount };
    // A number the dialog refuses on OK.
    enum class Problem { None, Interval, Date, Count };

    // What the dialog's number fields take; a rule beyond them is not shown.
    static constexpr int maxInterval = 999;
    static constexpr int maxCount = 999;
    // `week` of the last weekday of a month.
    static constexpr int lastWeek = -1;

    Unit unit = Unit::Weeks;
    int interval = 1;
    // Weeks: bit w for weekday w (0 Sunday); none means the start's.
    unsigned weekdays = 0;
    MonthDay monthDay = MonthDay::Date;
    int date = 1;    // MonthDay::Date: 1 to 31
    int week = 1;    // MonthDay::Weekday: 1 to 4, or lastWeek
    int weekday = 0; // MonthDay::Weekday: 0 Sunday to 6
    Ending ending = Ending::Never;
    long untilDay = 0; // Ending::OnDate, the last day that may hold one
    int count = 10;    // Ending::AfterCount
    std::vector<long> skippedDays; // in order, each once

    // Before anything is chosen, for a start on `startDay`: every week on its
    // weekday; a month's date, weekday and week are the start's; the end, if
    // one is chosen, is the start.
    static RuleChoice startingOn(long startDay);

    // The choice `text` says for a start on `startDay`; nothing for a rule it
    // cannot show (other parts, several weekdays in a month, an UNTIL with a
    // time of day, numbers beyond the fields).
    static std::optional<RuleChoice> fromRule(std::string_view text, long startDay);
    // The RRULE text: FREQ, INTERVAL when not 1, BYDAY or BYMONTHDAY, then
    // COUNT or UNTIL (a DATE). The skipped days are the event's, not the
    // rule's.
    std::string toRule() const;

    // The first number out of its field's range, in the dialog's order;
    // only the fields that the unit, the month's choice and the end use.
    Problem firstProblem() const;

    // What the dialog starts from for `event`: its rule or its repetition,
    // with its skipped days, or startingOn for an event that does not
    // repeat; nothing when its rule is one the dialog cannot show.
    static std::optional<RuleChoice> ofEvent(const Event& event);
    // Puts the choice into `event`: a rule that says no more than one of the
    // five repetitions becomes that repetition with no rule, any other the
    // rule of a once event. A start the rule would not fall on moves to its
    // first day from there, so that the start is no extra occurrence.
    void applyTo(Event& event) const;

    // The first day from `day` on which the repetition falls; `day` itself
    // when none comes within eight years.
    long firstDayFrom(long day) const;
};
