// vellumere-events: prints the events of an event file, one line each, in the
// order the program keeps them. Reads only; the file is never written.
//
//     vellumere-events [event-file]
//
// Without a path it reads the user's own event file.

#include "Event.h"
#include "EventStore.h"

#ifdef _WIN32
#include "Win32FileSystem.h"
#include "Win32SystemServices.h"
#else
#include "PosixFileSystem.h"
#include "PosixSystemServices.h"
#endif

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* frequencyName(EventFrequency frequency)
{
    switch (frequency) {
    case Once:
        return "once";
    case Daily:
        return "daily";
    case Weekly:
        return "weekly";
    case Monthly:
        return "monthly";
    case Yearly:
        return "yearly";
    case Fortnightly:
        return "fortnightly";
    }
    return "unknown";
}

std::string oneLine(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\n')
            out += " / ";
        else if (c != '\r')
            out += c;
    }
    return out;
}

void print(const Event& event)
{
    const SystemTime& when = event.when;
    std::printf("%04u-%02u-%02u ", when.wYear, when.wMonth, when.wDay);
    if (event.noTime)
        std::printf("      ");
    else
        std::printf("%02u:%02u ", when.wHour, when.wMinute);
    std::printf("%-11s %s", frequencyName(event.frequency), oneLine(event.description).c_str());
    if (event.remind1Hour)
        std::printf(" [1 hour before]");
    if (event.remind1Day)
        std::printf(" [1 day before]");
    if (event.remind3Days)
        std::printf(" [3 days before]");
    if (event.sendEmail)
        std::printf(" [e-mail %s]", event.emailAddress.c_str());
    if (event.launchProgram)
        std::printf(" [run %s]", event.programPath.c_str());
    if (!event.note.empty())
        std::printf(" -- %s", oneLine(event.note).c_str());
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    Win32SystemServices system;
    Win32FileSystem files;
#else
    PosixSystemServices system("");
    PosixFileSystem files;
#endif
    EventStore store(system, files);
    const std::string path = argc > 1 ? argv[1] : store.locateFile();
    std::vector<Event> events;
    store.load(path, events);
    std::stable_sort(events.begin(), events.end());
    std::printf("%s: %zu event%s\n", path.c_str(), events.size(), events.size() == 1 ? "" : "s");
    for (const Event& event : events)
        print(event);
    return 0;
}
