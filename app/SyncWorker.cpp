#include "SyncWorker.h"

#include "CalDavConnection.h"
#include "VellumereVersion.h"
#include "WinHttpClient.h"
#include "Win32CodePage.h"
#include "Win32TimeZones.h"

#include <thread>
#include <utility>

void SyncWorker::start(std::shared_ptr<Job> job, HWND window, UINT message)
{
    std::thread([job = std::move(job), window, message] {
        try {
            // Each thread its own client, code page and zones: none is shared.
            WinHttpClient http;
            CalDavConnection connection(http, job->user, job->password);
            connection.trustCertificate(job->trustedCertificate);
            Win32CodePage codePage;
            Win32TimeZones zones;
            CalDavSync sync(connection, codePage, zones, VELLUMERE_VERSION_TEXT);
            job->result = sync.run(job->events, job->state, job->now, job->stampUtc);
        } catch (...) {
            // Out of memory, most likely: nothing of the job is taken.
            job->result = CalDavSync::Result{};
            job->result.problem = CalDavProblem::Unexpected;
        }
        job->done.store(true, std::memory_order_release);
        ::PostMessageA(window, message, 0, 0);
    }).detach();
}
