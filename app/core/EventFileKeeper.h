#pragma once

#include "EventStore.h"
#include "FileNotices.h"

#include <initializer_list>
#include <string>

class EventList;

// Keeps the user's events in their file, and tells the user when it cannot:
// a file that could not be opened at start, a save that failed (once, until
// a save succeeds again), and where the events went instead. A file another
// program left unreadable is written over only when the user says so. At the end of
// the run a failed save is tried again or the events go to a copy; nothing
// is thrown away without a word.
class EventFileKeeper {
public:
    EventFileKeeper(EventList& events, EventStore& store, FileNotices& notices, FileTexts texts);

    // Reads the file; tells the user when it exists but could not be opened.
    EventStore::Loaded load();
    // A save during the run. The events stay in memory whatever happens.
    bool save();
    // The last save: after a failure, Retry or Cancel; Cancel writes a copy
    // and says where.
    void saveAtEnd();
    // The session ends and no one can answer: a failed save writes a copy at once.
    void saveForEndOfSession();

    // `pattern` with %1, %2 and %3 replaced by the values given for them.
    static std::string fillIn(const std::string& pattern, std::initializer_list<std::string> values);

private:
    // A save, with the user's word on writing over a file another program
    // left unreadable.
    EventStore::SaveResult saveAsked();
    std::string reasonOf(const EventStore::SaveResult& result) const;
    void tellCopy(const EventStore::SaveResult& copy);

    EventList& events;
    EventStore& store;
    FileNotices& notices;
    FileTexts texts;
    bool failureTold = false;
};
