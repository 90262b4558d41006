#pragma once

#include "Event.h"
#include "EventFileReader.h"

#include <cstddef>
#include <string>
#include <vector>

class FileSystem;
class SystemServices;

// The file side of the event list: where the user's event file is, reading
// it, and writing it back whole. Paths are UTF-8.
class EventStore {
public:
    // `largestFile`: the most bytes a file may hold, to be read or written.
    EventStore(SystemServices& systemServices, FileSystem& fileSystem,
               std::size_t largestFile = EventFileReader::maxFileSize);

    // The path from "-file:" on the command line (shown in a message box), or
    // %APPDATA%\Vellumere\%USERNAME%.xml, whose folder is created.
    std::string locateFile();

    enum class Loaded {
        Read,
        Missing,        // no such file yet: the first save makes it
        NotAnEventFile, // kept aside by the next save before anything replaces it
        CouldNotOpen,   // held, refused or offline: never written over in this run
    };
    // Appends the file's events in file order.
    Loaded load(const std::string& path, std::vector<Event>& events);
    // Why the file could not be opened, in the system's words.
    const std::string& openProblem() const { return problem; }
    // Where the saves of this run go instead of a file that could not be
    // opened; empty when the file is not one of those.
    const std::string& savedBesidePath() const { return besidePath; }

    struct SaveResult {
        enum class Outcome { Written, WrittenBeside, NothingToWrite, TooLarge, Failed };
        Outcome outcome = Outcome::Failed;
        std::string path;   // where the events went
        std::string reason; // the system's words, when it failed
        explicit operator bool() const
        {
            return outcome == Outcome::Written || outcome == Outcome::WrittenBeside ||
                   outcome == Outcome::NothingToWrite;
        }
    };
    // Replaces the file with `events` in one step; the old file stays as it
    // was when anything fails, and when the events would make a file larger
    // than the reader takes. A file that could not be opened at load is left
    // alone: the events go to the file beside it that savedBesidePath names.
    SaveResult save(const std::string& path, const std::vector<Event>& events);

    // Writes `events` as NAME.unsaved-YYYYMMDD-HHMMSS.xml beside the file,
    // or in the temporary folder when the file's own takes nothing: where the
    // events go when the file itself cannot take them.
    SaveResult saveCopy(const std::string& path, const std::vector<Event>& events);

    // The path of the command line's "-file:" option, if there is one.
    static bool pathFromCommandLine(const std::string& commandLine, std::string& path);

    // NAME.KIND-YYYYMMDD-HHMMSS.EXT beside `path`: where an unreadable file is
    // kept ("unreadable") and where unsaved events go ("unsaved").
    static std::string besideName(const std::string& path, const char* kind, const SystemTime& now);

private:
    SaveResult writeBeside(const std::string& text);

    SystemServices& system;
    FileSystem& files;
    const std::size_t maxFileSize;
    std::string unreadablePath; // set while an unreadable file awaits its copy
    std::string blockedPath;    // a file that could not be opened in this run
    std::string besidePath;     // where the saves for blockedPath go
    bool wroteBeside = false;
    std::string problem;
};
