// Wake-ups of an idle Vellumere with a calendar account, in an hour: the
// sync timer is armed for SyncSchedule's next moment and nothing else runs
// between two syncs, so its moments are the program's wake-ups for syncing
// (each also brings the worker's one message back). Counted for the
// settings a user may choose and for a server that stays away.
#include "SyncSchedule.h"

#include <cstdio>

namespace {

struct Idle {
    const char* what;
    bool account;
    std::uint32_t intervalMinutes;
    bool serverAway;
};

// Syncs started in the hour after the program's start, the start's own
// sync included.
unsigned syncsInAnHour(const Idle& idle)
{
    constexpr SyncSchedule::Millis hour = 60 * 60 * 1000;
    constexpr SyncSchedule::Millis syncTakes = 300; // a sync's time on the worker
    SyncSchedule schedule;
    schedule.setAccount(idle.account, idle.intervalMinutes, 0);
    schedule.syncNow(0);
    unsigned syncs = 0;
    for (;;) {
        const auto next = schedule.nextDue();
        if (!next || *next >= hour)
            return syncs;
        schedule.started();
        ++syncs;
        schedule.finished(idle.serverAway ? SyncSchedule::Outcome::Failed : SyncSchedule::Outcome::Synced,
                          *next + syncTakes);
    }
}

} // namespace

int main()
{
    const Idle cases[] = {
        {"no account", false, 15, false},
        {"account, every 15 minutes (the default)", true, 15, false},
        {"account, every 5 minutes", true, 5, false},
        {"account, only at start and after changes", true, 0, false},
        {"account, every 15 minutes, server away", true, 15, true},
    };
    std::printf("%-45s %s\n", "idle for an hour", "sync wake-ups");
    for (const Idle& idle : cases)
        std::printf("%-45s %u\n", idle.what, syncsInAnHour(idle));
}
