#pragma once

#include "Event.h"
#include "SystemTime.h"

#include <cstdint>

// "Remind me again in": a snoozed alert comes back as a one-time event of
// its own, kept in the event file like any other, so that it survives a
// restart and the manager shows it.
class Snooze {
public:
    // The choices of the alert's list, in its order; the stored choice is
    // the index.
    enum Choice : std::uint8_t {
        FiveMinutes,
        TenMinutes,
        FifteenMinutes,
        HalfAnHour,
        AnHour,
        TwoHours,
        Tomorrow, // the same minute of the next day
        choices
    };

    static std::int64_t minutesOf(Choice choice);

    // A stored choice that is none of them (a registry value edited by hand)
    // is the first.
    static Choice fromStored(unsigned stored);

    // The event that brings `due` back at the chosen minute after `now`: the
    // same description, note, address, program and actions; once, at a time,
    // with no early reminders.
    static Event again(const Event& due, const SystemTime& now, Choice choice);
};
