#pragma once

#include "EventFrequency.h"
#include "SystemTime.h"

#include <cstdint>
#include <string>

// One calendar entry. A value: copied whole into and out of the list, the
// dialogs and the scheduler. Only year, month, day, hour and minute of
// `when` carry meaning; events are compared by the one order of operator<.
class Event {
public:
    // Bits of alertFlags, set only on the scheduler's pending-alert copy.
    static constexpr std::uint32_t HourBeforeReminder = 1;
    static constexpr std::uint32_t DailySummary = 2;

    Event() = default;
    Event(const Event&) = default;
    Event(Event&&) noexcept = default;
    Event& operator=(const Event&) = default;
    Event& operator=(Event&&) noexcept = default;
    virtual ~Event() = default;

    void reset();

    // Date first; on one date the timed events by hour and minute, then the
    // events without a time, which are equivalent to each other. Seconds
    // never count.
    bool operator<(const Event& other) const;

    // A copy moved on by one period of `frequency`; a copy with the same
    // `when` for Once, for an unknown frequency and for a date that is not a
    // real calendar date.
    Event nextOccurrence() const;

    bool repeats() const;

    std::uint32_t alertFlags = 0;
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
};
