#include "EventStore.h"

#include "EventFileWriter.h"
#include "Fnv1a.h"
#include "FileSystem.h"
#include "SystemServices.h"

#include <cstdio>
#include <iterator>
#include <utility>

namespace {

using Outcome = EventStore::SaveResult::Outcome;

EventStore::SaveResult result(Outcome outcome, std::string path, std::string reason = {})
{
    EventStore::SaveResult done;
    done.outcome = outcome;
    done.path = std::move(path);
    done.reason = std::move(reason);
    return done;
}

std::size_t nameStart(const std::string& path)
{
    const std::size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? 0 : separator + 1;
}

} // namespace

EventStore::EventStore(SystemServices& systemServices, FileSystem& fileSystem, std::size_t largestFile)
    : system(systemServices), files(fileSystem), maxFileSize(largestFile)
{
}

bool EventStore::pathFromCommandLine(const std::string& commandLine, std::string& path)
{
    static const std::string option = "-file:";
    const std::size_t found = commandLine.find(option);
    if (found == std::string::npos)
        return false;
    std::size_t start = found + option.size();
    char terminator = ' ';
    if (start < commandLine.size() && commandLine[start] == '"') {
        ++start;
        terminator = '"';
    }
    const std::size_t end = commandLine.find(terminator, start);
    path = commandLine.substr(start, end == std::string::npos ? std::string::npos : end - start);
    return true;
}

std::string EventStore::locateFile()
{
    std::string path;
    if (pathFromCommandLine(system.commandLine(), path)) {
        system.showMessage(path);
        return path;
    }
    const std::string folder = system.expandEnvironment("%APPDATA%\\Vellumere");
    files.createDirectory(folder);
    return folder + "\\" + system.expandEnvironment("%USERNAME%.xml");
}

EventStore::Version EventStore::versionOf(const std::string& text)
{
    Fnv1a hash;
    hash.add(text);
    return Version{true, text.size(), hash.value()};
}

void EventStore::remember(const std::string& path, const Version& version)
{
    knownPath = path;
    known = version;
}

bool EventStore::isKnown(const std::string& path, const Version& version) const
{
    return knownPath == path && known == version;
}

EventStore::Loaded EventStore::load(const std::string& path, std::vector<Event>& events)
{
    knownPath.clear();
    std::string text;
    switch (files.readFile(path, text, maxFileSize)) {
    case FileSystem::ReadResult::Missing:
        remember(path, Version{});
        return Loaded::Missing;
    case FileSystem::ReadResult::Failed:
        // Not the same as a file that is no event file: its events may be
        // whole, behind a lock that lets go later. Nothing may replace it.
        problem = files.lastError();
        blockedPath = path;
        besidePath = besideName(path, "unsaved", system.localTime());
        return Loaded::CouldNotOpen;
    case FileSystem::ReadResult::TooLarge:
        unreadablePath = path;
        return Loaded::NotAnEventFile;
    case FileSystem::ReadResult::Read:
        break;
    }
    const Version version = versionOf(text); // before the reader works in the text
    if (EventFileReader::read(text, events, system.codePage())) {
        remember(path, version);
        return Loaded::Read;
    }
    unreadablePath = path;
    return Loaded::NotAnEventFile;
}

EventStore::OnDisk EventStore::reread(const std::string& path, std::vector<Event>& events)
{
    // A file that was never read whole here (not opened, not an event file
    // at start) has its own rules until a save replaces it.
    if (knownPath != path)
        return OnDisk::Same;
    std::string text;
    switch (files.readFile(path, text, maxFileSize)) {
    case FileSystem::ReadResult::Missing:
        if (!known.exists)
            return OnDisk::Same;
        remember(path, Version{});
        return OnDisk::Missing;
    case FileSystem::ReadResult::Failed:
        problem = files.lastError();
        return OnDisk::CouldNotOpen;
    case FileSystem::ReadResult::TooLarge:
        unreadableOutside = path;
        return OnDisk::NotAnEventFile;
    case FileSystem::ReadResult::Read:
        break;
    }
    const Version version = versionOf(text);
    if (isKnown(path, version)) {
        unreadableOutside.clear();
        return OnDisk::Same;
    }
    std::vector<Event> read;
    if (!EventFileReader::read(text, read, system.codePage())) {
        unreadableOutside = path;
        return OnDisk::NotAnEventFile;
    }
    unreadableOutside.clear();
    remember(path, version);
    events.insert(events.end(), std::make_move_iterator(read.begin()), std::make_move_iterator(read.end()));
    return OnDisk::Changed;
}

void EventStore::allowReplacingUnreadable(const std::string& path)
{
    if (unreadableOutside != path)
        return;
    unreadableOutside.clear();
    unreadablePath = path;
    knownPath.clear();
}

std::string EventStore::besideName(const std::string& path, const char* kind, const SystemTime& now)
{
    const std::size_t name = nameStart(path);
    const std::size_t dot = path.rfind('.');
    const std::size_t stemEnd = (dot == std::string::npos || dot < name) ? path.size() : dot;
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, ".%s-%04u%02u%02u-%02u%02u%02u", kind, now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond);
    return path.substr(0, stemEnd) + stamp + path.substr(stemEnd);
}

EventStore::SaveResult EventStore::writeBeside(const std::string& text)
{
    if (files.replaceFile(besidePath, text)) {
        wroteBeside = true;
        return result(Outcome::WrittenBeside, besidePath);
    }
    // The file's folder takes nothing (a read-only share, a folder that is
    // gone): the user's temporary folder still holds the events.
    const std::string reason = files.lastError();
    const std::string inTemporary = files.temporaryFolder() + besidePath.substr(nameStart(besidePath));
    if (inTemporary != besidePath && files.replaceFile(inTemporary, text)) {
        besidePath = inTemporary;
        wroteBeside = true;
        return result(Outcome::WrittenBeside, besidePath);
    }
    return result(Outcome::Failed, besidePath, reason);
}

EventStore::SaveResult EventStore::save(const std::string& path, const std::vector<Event>& events)
{
    const bool blocked = !blockedPath.empty() && blockedPath == path;
    if (blocked && events.empty() && !wroteBeside)
        return result(Outcome::NothingToWrite, besidePath); // nothing was added: no file needed
    const std::string text = EventFileWriter::write(events);
    // The program never writes a file it would refuse to read.
    if (text.size() > maxFileSize)
        return result(Outcome::TooLarge, path);
    if (blocked)
        return writeBeside(text);
    if (!unreadableOutside.empty() && unreadableOutside == path)
        return result(Outcome::Unreadable, path);
    if (!unreadablePath.empty() && unreadablePath == path) {
        // Keep what could not be read before anything takes its place.
        if (!files.copyFile(path, besideName(path, "unreadable", system.localTime())))
            return result(Outcome::Failed, path, files.lastError());
        unreadablePath.clear();
    } else if (knownPath == path) {
        // Another program's version is never written over unread. (A file
        // gone meanwhile is simply made again; one that cannot be opened now
        // is left to the replace to report.)
        std::string onDisk;
        const FileSystem::ReadResult read = files.readFile(path, onDisk, maxFileSize);
        if (read == FileSystem::ReadResult::TooLarge ||
            (read == FileSystem::ReadResult::Read && !isKnown(path, versionOf(onDisk))))
            return result(Outcome::ChangedMeanwhile, path);
    }
    if (!files.replaceFile(path, text))
        return result(Outcome::Failed, path, files.lastError());
    remember(path, versionOf(text));
    return result(Outcome::Written, path);
}

EventStore::SaveResult EventStore::saveCopy(const std::string& path, const std::vector<Event>& events)
{
    const std::string text = EventFileWriter::write(events);
    if (besidePath.empty() || blockedPath != path)
        besidePath = besideName(path, "unsaved", system.localTime());
    return writeBeside(text);
}
