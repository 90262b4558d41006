#pragma once

#include <cstdint>
#include <optional>

// When the events are synced with the account's calendar: at the start,
// after a resume, a few seconds after the last of a run of local changes, on
// the user's word, and every interval while the program runs. A sync that
// fails is tried again after a delay that doubles up to an hour, and the
// user hears of the failure once until a sync succeeds again. Without an
// account nothing is ever due. Times are milliseconds of a clock that only
// moves forward (a sleep may jump it), given by the caller.
class SyncSchedule {
public:
    using Millis = std::uint64_t;

    static constexpr Millis changeDelay = 5 * 1000;   // quiet time after a local change
    static constexpr Millis staleDelay = 2 * 1000;    // again after a result dropped as out of date
    static constexpr Millis firstRetry = 60 * 1000;
    static constexpr Millis longestRetry = 60 * 60 * 1000;

    // An account with a sync every `intervalMinutes` (0: only at the moments
    // above), or none; a new account is synced at once.
    void setAccount(bool present, std::uint32_t intervalMinutes, Millis now);
    bool hasAccount() const { return account; }

    // The program started, or the computer woke up, or the user asked.
    void syncNow(Millis now);
    // The events changed here; while syncs fail the retry's time stands.
    void localChange(Millis now);

    // When the next sync is due; nothing without an account or while one runs.
    std::optional<Millis> nextDue() const;
    // Milliseconds from `now` to the next sync (0 when overdue).
    std::optional<Millis> delay(Millis now) const;
    bool due(Millis now) const;

    // A sync starts: whatever was due is taken by it.
    void started();
    bool running() const { return inFlight; }

    enum class Outcome {
        Synced,  // the events and the server agree
        Failed,  // nothing changed here; try again later
        Stale,   // the events changed here meanwhile: the result was dropped
    };
    // The sync ended at `now`. True when the user is to be told of the
    // failure: the first since the last success.
    bool finished(Outcome outcome, Millis now);

    // Failures in a row since the last success.
    unsigned failures() const { return failuresInRow; }

private:
    static void earliest(std::optional<Millis>& slot, Millis at);

    bool account = false;
    bool inFlight = false;
    Millis interval = 0;
    unsigned failuresInRow = 0;
    bool failureTold = false;
    std::optional<Millis> regular; // start, resume, the user's word, the interval, a retry
    std::optional<Millis> change;  // the end of a local change's quiet time
};
