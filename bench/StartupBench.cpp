// Start-up and alert timing of the Windows program, run under Wine by
// tools/bench: how long reading a 10,000-event file takes, how long it takes
// from building the application to its icon being up (the file read
// included), and how late after its minute begins an alert appears.
//
//     startup_bench.exe [--no-alert]

#include "EventFileWriter.h"
#include "EventList.h"
#include "EventManagerDialogRes.h"
#include "EventRows.h"
#include "EventStore.h"
#include "RandomEvents.h"
#include "ReminderApp.h"
#include "Win32FileSystem.h"
#include "Win32SystemServices.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

double milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER now()
{
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return counter;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string makeUserFolder()
{
    char temp[MAX_PATH] = "";
    ::GetTempPathA(sizeof temp, temp);
    const std::string appData = std::string(temp) + "vellumere-startup-bench";
    ::CreateDirectoryA(appData.c_str(), nullptr);
    ::CreateDirectoryA((appData + "\\Vellumere").c_str(), nullptr);
    ::SetEnvironmentVariableA("APPDATA", appData.c_str());
    ::SetEnvironmentVariableA("USERNAME", "bench");
    return appData + "\\Vellumere\\bench.xml";
}

void writeEvents(const std::string& path, const std::vector<Event>& events)
{
    std::ofstream(path, std::ios::binary) << EventFileWriter::write(events);
}

// The alert's latency: polled from this thread's timer, which the alert's own
// modal loop also dispatches.
LARGE_INTEGER minuteStart;
double alertLatency = -1;

void CALLBACK lookForAlert(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND alert = ::FindWindowA("#32770", "Event alert");
    if (!alert)
        return;
    alertLatency = milliseconds(minuteStart, now());
    ::KillTimer(nullptr, timer);
    ::PostMessageA(alert, WM_COMMAND, IDCANCEL, 0);
    ::PostQuitMessage(0);
}

// The manager with 100,000 events: how long it takes to open, and each
// refresh after a filter change or a step of the year.
LARGE_INTEGER managerOpening;
double managerOpen = -1;
std::vector<double> refreshes;

void CALLBACK lookForManager(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND manager = ::FindWindowA("#32770", "Vellumere");
    if (!manager || !::IsWindowVisible(manager))
        return;
    ::KillTimer(nullptr, timer);
    managerOpen = milliseconds(managerOpening, now());
    const auto timed = [&](const auto& change) {
        const LARGE_INTEGER begin = now();
        change();
        refreshes.push_back(milliseconds(begin, now()));
    };
    for (int round = 0; round < 3; ++round) {
        timed([&] { ::SendDlgItemMessageA(manager, IDC_HIDE_OLD, BM_CLICK, 0, 0); });
        timed([&] { ::SendDlgItemMessageA(manager, IDC_SHOW_MONTH, BM_CLICK, 0, 0); });
        timed([&] { ::SetDlgItemTextA(manager, IDC_YEAR, round % 2 ? "2027" : "2028"); });
        timed([&] { ::SendDlgItemMessageA(manager, IDC_SHOW_ALL, BM_CLICK, 0, 0); });
    }
    ::PostMessageA(manager, WM_COMMAND, IDCANCEL, 0);
}

void measureManager(const std::string& path, const std::vector<Event>& tenThousand)
{
    std::vector<Event> events;
    for (int copy = 0; copy < 10; ++copy)
        events.insert(events.end(), tenThousand.begin(), tenThousand.end());
    writeEvents(path, events);
    {
        // An add: the list is sorted again, then the rows worked out anew.
        Win32SystemServices system;
        Win32FileSystem files;
        EventStore store(system, files);
        std::vector<Event> read;
        store.load(store.locateFile(), read);
        EventList list;
        list.assign(std::move(read));
        std::vector<double> adds;
        for (int i = 0; i < 5; ++i) {
            const LARGE_INTEGER begin = now();
            list.add(tenThousand[static_cast<std::size_t>(i)]);
            EventRows::select(list.all(), EventRows::Filter(), system.localTime());
            adds.push_back(milliseconds(begin, now()));
        }
        std::printf("100,000 events: an add (sort and rows) takes %.1f ms (median of 5)\n", median(adds));
    }
    writeEvents(path, events);
    ReminderApp app;
    app.loadEvents();
    app.start(::GetModuleHandleA(nullptr));
    ::SetTimer(nullptr, 0, 5, lookForManager);
    managerOpening = now();
    app.openEventManager();
    std::printf("100,000 events: the manager is up %.0f ms after it was asked for (polled every 5 ms); "
                "refreshes: median %.1f ms, slowest %.1f ms (%zu filter changes and year steps)\n",
                managerOpen, median(refreshes), *std::max_element(refreshes.begin(), refreshes.end()),
                refreshes.size());
}

} // namespace

int main(int argc, char** argv)
{
    const bool measureAlert = !(argc > 1 && std::strcmp(argv[1], "--no-alert") == 0);
    const std::string path = makeUserFolder();
    // A file as the program leaves it: past occurrences are one-time events,
    // and each repeating event's newest occurrence lies ahead.
    RandomEvents random(10000);
    SYSTEMTIME today;
    ::GetLocalTime(&today);
    std::vector<Event> events;
    for (int i = 0; i < 10000; ++i) {
        Event event = random.typical();
        if (event.repeats()) {
            event.when.wYear = static_cast<std::uint16_t>(today.wYear + 1);
            event.when.wMonth = static_cast<std::uint16_t>(random.number(1, 12));
            event.when.wDay = static_cast<std::uint16_t>(random.number(1, 28));
        }
        events.push_back(event);
    }

    std::vector<double> loads, starts;
    for (int run = 0; run < 5; ++run) {
        writeEvents(path, events);
        {
            Win32SystemServices system;
            Win32FileSystem files;
            EventStore store(system, files);
            std::vector<Event> loaded;
            const LARGE_INTEGER begin = now();
            store.load(path, loaded);
            loads.push_back(milliseconds(begin, now()));
        }
        writeEvents(path, events);
        const LARGE_INTEGER begin = now();
        ReminderApp app;
        app.loadEvents();
        app.start(::GetModuleHandleA(nullptr));
        starts.push_back(milliseconds(begin, now()));
    }
    const double load = median(loads), start = median(starts);
    std::printf("10,000 events: file read %.1f ms, icon up after %.1f ms: %.2f times the read (median of 5)\n", load,
                start, start / load);
    measureManager(path, events);

    if (!measureAlert)
        return 0;
    // An event at the next minute, at least five seconds ahead.
    SYSTEMTIME local;
    ::GetLocalTime(&local);
    const LARGE_INTEGER reference = now();
    const int wait = (60 - local.wSecond) + (local.wSecond > 54 ? 60 : 0);
    FILETIME file;
    ::SystemTimeToFileTime(&local, &file);
    ULARGE_INTEGER at{{file.dwLowDateTime, file.dwHighDateTime}};
    at.QuadPart += static_cast<ULONGLONG>(wait) * 10000000ULL - local.wMilliseconds * 10000ULL;
    file = {at.LowPart, at.HighPart};
    SYSTEMTIME moment;
    ::FileTimeToSystemTime(&file, &moment);
    Event due;
    due.description = "Bench alert";
    due.when.wYear = moment.wYear;
    due.when.wMonth = moment.wMonth;
    due.when.wDay = moment.wDay;
    due.when.wHour = moment.wHour;
    due.when.wMinute = moment.wMinute;
    writeEvents(path, {due});

    ReminderApp app;
    app.loadEvents();
    app.start(::GetModuleHandleA(nullptr));
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    minuteStart = reference;
    minuteStart.QuadPart += (wait * 1000LL - local.wMilliseconds) * frequency.QuadPart / 1000;
    ::SetTimer(nullptr, 0, 5, lookForAlert);
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    std::printf("alert appeared %.0f ms after its minute began (polled every 5 ms)\n", alertLatency);
    return 0;
}
