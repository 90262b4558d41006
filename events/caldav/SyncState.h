#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class FileSystem;

// What one event file knows of its calendar on a server: the calendar's
// address, the server's sync token, and for each resource synced its
// address, ETag, UID, the server's text as last synced and a fingerprint of
// the events it was synced as here, so that a later sync can tell who
// changed what. Kept beside the event file, replaced in one step; a user
// without an account has none.
class SyncState {
public:
    struct Resource {
        std::string href; // whole address
        std::string etag; // empty when the server gave none
        std::string uid;
        std::uint64_t localFingerprint = 0; // of the events here that carry `uid`, as last synced
        std::string text;                   // the iCalendar resource as last synced
    };

    std::string calendarUrl;
    std::string syncToken;
    std::vector<Resource> resources;

    // By address, the same whichever characters the server escaped.
    Resource* byHref(const std::string& href);
    Resource* byUid(const std::string& uid);

    // `href` with its escapes of characters that need none undone: servers
    // write "%40" for the '@' of a UID, or do not.
    static std::string hrefKey(const std::string& href);

    // "events.xml" keeps its state in "events.sync".
    static std::string pathFor(const std::string& eventFile);

    std::string text() const;
    // Nothing for text that is not a whole state, as text() writes it.
    static std::optional<SyncState> parse(const std::string& text);

    enum class Loaded { Read, Missing, Unreadable };
    // Unreadable also for a file that is not a state: the caller starts
    // afresh, and the sync then matches the events by UID.
    static Loaded load(FileSystem& files, const std::string& path, SyncState& state);
    bool save(FileSystem& files, const std::string& path) const;
};
