#pragma once

#include "Event.h"

#include <string>
#include <vector>

class FileSystem;
class SystemServices;

// The file side of the event list: where the user's event file is, reading
// it, and writing it back whole.
class EventStore {
public:
    EventStore(SystemServices& systemServices, FileSystem& fileSystem);

    // The path from "-file:" on the command line (shown in a message box), or
    // %APPDATA%\Vellumere\%USERNAME%.xml, whose folder is created.
    std::string locateFile();

    // Appends the file's events in file order. A missing file gives nothing;
    // so does one that cannot be read, which is then kept aside by the next
    // save before anything replaces it: false for that one.
    bool load(const std::string& path, std::vector<Event>& events);

    // Replaces the file with `events` in one step; the old file stays as it
    // was when anything fails.
    bool save(const std::string& path, const std::vector<Event>& events);

    // The path of the command line's "-file:" option, if there is one.
    static bool pathFromCommandLine(const std::string& commandLine, std::string& path);

    // Where an unreadable file is kept: beside it, named so, with the time.
    static std::string keptAsidePath(const std::string& path, const SystemTime& now);

private:
    SystemServices& system;
    FileSystem& files;
    std::string unreadablePath; // set while an unreadable file awaits its copy
};
