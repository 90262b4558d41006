#pragma once

#include "Event.h"
#include "SystemTime.h"

#include <cstdint>
#include <utility>
#include <vector>

class EventList;

// When the user must be told what. Moments are the own minute of each timed
// event (an alert) and, for events that ask for it, the minute one hour
// before and the minutes of their early reminders (balloons). The schedule remembers up to which minute moments have
// been handed out, so that each comes exactly once: one that passed while an
// alert was open or the computer slept comes at the next look; none comes
// before its minute. All decisions take the present moment as an argument.
class ReminderSchedule {
public:
    // Moments up to and including the start minute count as past: events that
    // were over before the program started get no alert.
    explicit ReminderSchedule(const SystemTime& start);

    // What carrying repeating events forward does to a list: every repeating
    // event dated before today, or timed today, becomes a one-time event (its
    // position is in endedSeries), and its following occurrences are added
    // until the newest is dated after today (or is an untimed event of
    // today); each skipped occurrence of the last year stays as a one-time
    // event, older ones are passed over.
    struct CatchUp {
        std::vector<std::size_t> endedSeries;
        std::vector<Event> added;
        bool empty() const { return added.empty(); }
    };
    // One catch-up adds at most this many one-time occurrences, of at most
    // about this many bytes in the file, keeping the newest: a file of many
    // series left for a year must still start, run and save well within the
    // file's size limit. Each series always moves on.
    static constexpr std::size_t maxPastOccurrencesAdded = 20000;
    static constexpr std::size_t maxPastBytesAdded = 64u * 1024 * 1024;
    static CatchUp catchUp(const std::vector<Event>& events, const SystemTime& now);

    // Applies the catch-up to the list, all of it or, when memory runs out,
    // none of it; true when anything was added.
    static bool catchUpEvents(EventList& events, const SystemTime& now);
    // The same for sorted events held elsewhere (another program's version
    // of the file): they stay sorted as the list sorts.
    static void catchUpEvents(std::vector<Event>& events, const SystemTime& now);

    // A moment is late when it is handed out more than this many minutes
    // after its minute (sleep, a clock set forward, an alert left open).
    static constexpr std::int64_t lateAfterMinutes = 10;

    struct Due {
        bool newDay = false;           // the date changed since the last look
        std::vector<Event> hourBefore; // their hour-before minute came, their own is ahead
        std::vector<Event> early;      // one of their early reminders came, their start is ahead
        std::vector<Event> alerts;     // their own minute came; in list (time) order
        bool lateAlert = false;        // one of the alerts is late
        bool empty() const { return !newDay && hourBefore.empty() && early.empty() && alerts.empty(); }
    };

    // Hands out every moment after the last look up to the current minute,
    // but those of events entered after their minute had passed.
    Due takeDue(const std::vector<Event>& events, const SystemTime& now);

    // The user entered `event` (added it, edited it into what it is, snoozed
    // an alert into it, imported it): the moments of it and of its
    // occurrences that have passed already are never handed out, and those
    // still ahead on the wall clock are, even when the schedule has handed
    // out their minute before (the clock went back meanwhile).
    void entered(const Event& event, const SystemTime& now);

    enum class Moment { Alert, HourBefore, Early, Midnight };
    struct Wake {
        std::uint32_t delayMilliseconds = 0;
        Moment moment = Moment::Midnight;
        Event event; // the event of the moment; default for midnight
    };

    // The next moment not handed out yet, or the next midnight if that comes
    // first, and how long until its minute begins.
    Wake nextWake(const std::vector<Event>& events, const SystemTime& now) const;

    // Minutes since 1970-01-01 00:00 of a date and time; -1 when it is not a
    // real date with an hour of 0..23 and a minute of 0..59.
    static std::int64_t minuteNumber(const SystemTime& time);
    // The minute an event starts: its own, or 00:00 of its day when it has no time.
    static std::int64_t startMinute(const Event& event);

private:
    using MomentOf = std::pair<std::int64_t, Event>; // a minute, and the occurrence it is of
    static bool isAmong(const std::vector<MomentOf>& moments, std::int64_t minute, const Event& event);
    // Takes the moment out of `moments`; false when it is not among them.
    static bool take(std::vector<MomentOf>& moments, std::int64_t minute, const Event& event);

    std::int64_t handledUpTo; // every moment up to this minute has been handed out
    // Passed moments of entered events, not yet reached by handledUpTo.
    std::vector<MomentOf> silenced;
    // Moments of entered events ahead of the wall clock but not after
    // handledUpTo: the clock went back, and they still have to come.
    std::vector<MomentOf> owed;
};
