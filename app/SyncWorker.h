#pragma once

#include "CalDavSync.h"
#include "Event.h"
#include "SyncState.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

// One sync of a copy of the events and of the sync state, on a thread of its
// own, so that the tray and its reminders go on while the server is slow.
// The thread touches nothing but its job; the window that started it takes
// the result when told.
class SyncWorker {
public:
    struct Job {
        std::vector<Event> events; // in: the list as it was; out: as the sync left it
        SyncState state;
        std::string user, password, trustedCertificate;
        SystemTime now, stampUtc;

        CalDavSync::Result result;
        std::atomic<bool> done{false};
    };

    // Runs `job`, then posts `message` to `window`. A job whose window went
    // away meanwhile ends unseen.
    static void start(std::shared_ptr<Job> job, HWND window, UINT message);
};
