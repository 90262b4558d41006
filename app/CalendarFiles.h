#pragma once

#include "Event.h"

#include <windows.h>

#include <string>
#include <vector>

class EventList;
class FileSystem;
class SystemServices;

// The icon menu's export and import: the standard Save As and Open dialogs,
// the calendar file, and the message that tells the user how it went.
class CalendarFiles {
public:
    CalendarFiles(EventList& events, SystemServices& system, FileSystem& files);

    // Every event to a calendar file the user names.
    void exportEvents(HWND owner);
    // A calendar's new events into the list; gives those added.
    std::vector<Event> importEvents(HWND owner);

private:
    // The file the user picks (UTF-8); empty when the dialog was cancelled.
    std::string askForFile(HWND owner, bool forSaving);

    EventList& events;
    SystemServices& system;
    FileSystem& files;
};
