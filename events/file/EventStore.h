#pragma once

#include "Event.h"
#include "EventFileReader.h"

#include <cstddef>
#include <cstdint>
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

    // The file as it is on disk now, against the version last read or
    // written here.
    enum class OnDisk {
        Same,           // nothing new: what is read or written here, or no file known
        Changed,        // another program wrote it; its events are given
        Missing,        // gone: the next save makes it again
        NotAnEventFile, // not readable now; never written over without the user's word
        CouldNotOpen,
    };
    // Reads the file again when it is no longer the version last read or
    // written here, and takes the new one as known: the caller brings its
    // events in.
    OnDisk reread(const std::string& path, std::vector<Event>& events);
    // The user's word for replacing a file found unreadable by reread; a copy
    // of it is kept first, as of one found so at load.
    void allowReplacingUnreadable(const std::string& path);

    struct SaveResult {
        enum class Outcome {
            Written,
            WrittenBeside,
            NothingToWrite,
            TooLarge,
            ChangedMeanwhile, // another program wrote the file since it was read: nothing written
            Unreadable,       // another program left it unreadable: nothing written
            Failed,
        };
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
    // was when anything fails, when the events would make a file larger than
    // the reader takes, and when another program changed it since it was last
    // read or written here. A file that could not be opened at load is left
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
    // A version of the file: its length and a hash of its bytes.
    struct Version {
        bool exists = false;
        std::size_t size = 0;
        std::uint64_t hash = 0;
        bool operator==(const Version& other) const
        {
            return exists == other.exists && size == other.size && hash == other.hash;
        }
    };
    static Version versionOf(const std::string& text);
    void remember(const std::string& path, const Version& version);
    bool isKnown(const std::string& path, const Version& version) const;

    SystemServices& system;
    FileSystem& files;
    const std::size_t maxFileSize;
    std::string unreadablePath; // set while an unreadable file awaits its copy
    std::string blockedPath;    // a file that could not be opened in this run
    std::string besidePath;     // where the saves for blockedPath go
    bool wroteBeside = false;
    std::string problem;
    // The version of the file last read or written here; none when the
    // file was not read whole.
    std::string knownPath;
    Version known;
    std::string unreadableOutside; // made unreadable by another program
};
