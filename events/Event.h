#pragma once

#include "EventFrequency.h"
#include "SystemTime.h"

#include <cstdint>
#include <string>
#include <vector>

// One calendar entry. A plain value: copied whole into and out of the list,
// the dialogs and the scheduler. Only year, month, day, hour and minute of
// `when` carry meaning; events are ordered by the one order of operator<.
class Event {
public:
    // Date first; on one date the timed events by hour and minute, then the
    // events without a time, which are equivalent to each other. Seconds
    // never count.
    bool operator<(const Event& other) const;

    // Every field the event file stores is equal. The day of the week, the
    // seconds and the milliseconds of `when` carry no meaning and are not
    // compared.
    bool operator==(const Event& other) const;
    bool operator!=(const Event& other) const { return !(*this == other); }

    // An order over every field operator== compares, for sets and maps of
    // events: two events are equivalent in it exactly when they are equal.
    static bool fieldsBefore(const Event& a, const Event& b);

    // A copy moved on by one period of `frequency`; a copy with the same
    // `when` for Once, for an unknown frequency and for a date that is not a
    // real calendar date.
    Event nextOccurrence() const;
    // The date and time of that next occurrence, for a `when` that repeats
    // by `frequency`.
    static SystemTime nextDate(const SystemTime& when, EventFrequency frequency);

    // Repeats by one of the five frequencies or by a rule.
    bool repeats() const;
    // Holds anything beyond what the first versions of the file stored.
    bool hasExtensions() const
    {
        return !rule.empty() || !skippedDays.empty() || !remindBefore.empty() || !uid.empty() || !movedFrom.empty();
    }
    // A copy with none of that: what an older version keeps of the event.
    Event withoutExtensions() const;
    // Makes this a past occurrence of its series, once: the rule, the
    // skipped days and the identity go on with the series' next one.
    void becomeOneOccurrence();

    std::string description;
    EventFrequency frequency = Once;
    bool noTime = false;
    bool remind3Days = false;
    bool remind1Day = false;
    bool remind1Hour = false;
    bool sendEmail = false;
    bool launchProgram = false;
    std::string emailAddress;
    std::string programPath;
    std::string note;
    SystemTime when;

    // Stored after the note, where older versions of the program pass over
    // them. `rule`: a repetition by an RFC 5545 rule (its RRULE text) that
    // none of the five frequencies says; such an event keeps `frequency`
    // Once and `when` its next occurrence, which is what an older version
    // sees. A rule the program cannot read is kept as text, and the event
    // is taken as once.
    std::string rule;
    // The days (day numbers of Calendar.h), in order, on which the rule's
    // occurrences are skipped.
    std::vector<long> skippedDays;
    // Early reminders, each that many minutes before the start (an untimed
    // event starts at 00:00 of its day), in order.
    std::vector<std::int32_t> remindBefore;
    // The UID of the calendar event this event was read from or is known
    // by elsewhere; a series and its moved occurrences share it.
    std::string uid;
    // For an occurrence moved out of its series (the event with the same
    // uid): the start it had there, as an RFC 5545 DATE (untimed) or local
    // DATE-TIME. The series skips that day.
    std::string movedFrom;
};
