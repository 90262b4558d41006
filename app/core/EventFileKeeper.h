#pragma once

#include "EventFileReader.h"
#include "EventStore.h"
#include "FileNotices.h"

#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

class EventList;
class FileSystem;
class SystemServices;

// The one owner of the conversation between the event list and its file:
// reading it, writing it (after merging in what another program wrote
// meanwhile), taking in the changes of other programs as they come, and
// telling the user when any of it goes wrong: a file that could not be
// opened at start, a save that failed (once, until a save succeeds again),
// where the events went instead, a file another program left unreadable
// (written over only when the user says so). At the end of the run a failed
// save is tried again or the events go to a copy; nothing is thrown away
// without a word.
class EventFileKeeper {
public:
    // `largestFile`: the most bytes the file may hold, to be read or written.
    EventFileKeeper(EventList& events, SystemServices& system, FileSystem& files, FileNotices& notices,
                    FileTexts texts, std::size_t largestFile = EventFileReader::maxFileSize);
    EventFileKeeper(const EventFileKeeper&) = delete;
    EventFileKeeper& operator=(const EventFileKeeper&) = delete;

    // Finds the user's file and reads it into the list; tells the user when
    // it exists but could not be opened.
    EventStore::Loaded load();
    // Reads the file at `path` into the list instead, telling nothing.
    EventStore::Loaded loadFrom(const std::string& path);
    const std::string& path() const { return filePath; }

    // Writes the whole list, telling nothing. When another program changed
    // the file since it was read or written here, its changes are merged in
    // first, and again (a few times) when it changes while the list is
    // written.
    EventStore::SaveResult write();
    // A save during the run. The events stay in memory whatever happens.
    bool save();
    // The last save: after a failure, Retry or Cancel; Cancel writes a copy
    // and says where.
    void saveAtEnd();
    // The session ends and no one can answer: a failed save writes a copy at once.
    void saveForEndOfSession();

    // Another program may write the file in several steps: it is read when
    // its change notices have stopped for this long.
    static constexpr unsigned settleMilliseconds = 1000;
    enum class OutsideChange {
        None,          // nothing new to take
        LookAgainSoon, // unreadable, perhaps still being written: look again after the settle time
        Taken,         // the file's new version is merged into the list
    };
    // The file's change notices have settled: brings in what another program
    // changed, merged with the list's changes not yet saved, and tells the
    // user how many events came, went or changed. A file left unreadable is
    // looked at once more before the user is told, once, until it is
    // readable again.
    OutsideChange takeOutsideChanges();

    // `pattern` with %1, %2 and %3 replaced by the values given for them.
    static std::string fillIn(const std::string& pattern, std::initializer_list<std::string> values);

private:
    // A save, with the user's word on writing over a file another program
    // left unreadable.
    EventStore::SaveResult saveAsked();
    std::string reasonOf(const EventStore::SaveResult& result) const;
    void tellCopy(const EventStore::SaveResult& copy);
    // Merges the file's new version into the list; returns how many events
    // it changed.
    std::size_t mergeIn(std::vector<Event> theirs);

    EventList& events;
    SystemServices& system;
    EventStore store;
    FileNotices& notices;
    FileTexts texts;
    std::string filePath;
    // The version of the file the list last read, wrote or merged: where both
    // the list and another program's version of the file started from.
    std::vector<Event> base;
    bool failureTold = false;
    bool unreadableSeen = false; // read again once before it counts
    bool unreadableTold = false;
};
