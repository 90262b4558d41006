#include "SyncSchedule.h"

#include <algorithm>

void SyncSchedule::earliest(std::optional<Millis>& slot, Millis at)
{
    slot = slot ? std::min(*slot, at) : at;
}

void SyncSchedule::setAccount(bool present, std::uint32_t intervalMinutes, Millis now)
{
    const bool added = present && !account;
    account = present;
    interval = Millis{intervalMinutes} * 60 * 1000;
    if (!present) {
        regular.reset();
        change.reset();
        failuresInRow = 0;
        failureTold = false;
        return;
    }
    if (added)
        regular = now;
    else if (!failuresInRow)
        // Another interval counts from now; a retry keeps its time.
        regular = interval ? std::optional<Millis>(now + interval) : std::nullopt;
}

void SyncSchedule::syncNow(Millis now)
{
    if (account)
        regular = now;
}

void SyncSchedule::localChange(Millis now)
{
    if (!account)
        return;
    // A run of changes goes up once, a few seconds after the last of them.
    Millis at = now + changeDelay;
    if (failuresInRow && regular)
        at = std::max(at, *regular);
    change = at;
}

std::optional<SyncSchedule::Millis> SyncSchedule::nextDue() const
{
    if (!account || inFlight)
        return std::nullopt;
    std::optional<Millis> next = regular;
    if (change)
        earliest(next, *change);
    return next;
}

std::optional<SyncSchedule::Millis> SyncSchedule::delay(Millis now) const
{
    const std::optional<Millis> next = nextDue();
    if (!next)
        return std::nullopt;
    return *next > now ? *next - now : 0;
}

bool SyncSchedule::due(Millis now) const
{
    const std::optional<Millis> next = nextDue();
    return next && *next <= now;
}

void SyncSchedule::started()
{
    inFlight = true;
    regular.reset();
    change.reset();
}

bool SyncSchedule::finished(Outcome outcome, Millis now)
{
    inFlight = false;
    if (!account)
        return false;
    switch (outcome) {
    case Outcome::Synced:
        failuresInRow = 0;
        failureTold = false;
        if (interval)
            earliest(regular, now + interval);
        return false;
    case Outcome::Stale:
        earliest(regular, now + staleDelay);
        return false;
    case Outcome::Failed:
        break;
    }
    // 1, 2, 4 ... minutes, then every hour.
    Millis wait = firstRetry;
    for (unsigned i = 1; i < failuresInRow + 1 && wait < longestRetry; ++i)
        wait *= 2;
    ++failuresInRow;
    regular = now + std::min(wait, longestRetry);
    // A local change made during the failed run waits for the retry.
    if (change)
        change = std::max(*change, *regular);
    const bool tell = !failureTold;
    failureTold = true;
    return tell;
}
