#include "EventStore.h"

#include "EventFileReader.h"
#include "EventFileWriter.h"
#include "FileSystem.h"
#include "SystemServices.h"

#include <cstdio>

EventStore::EventStore(SystemServices& systemServices, FileSystem& fileSystem)
    : system(systemServices), files(fileSystem)
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

bool EventStore::load(const std::string& path, std::vector<Event>& events)
{
    std::string text;
    switch (files.readFile(path, text)) {
    case FileSystem::ReadResult::Missing:
        return true;
    case FileSystem::ReadResult::Failed:
        unreadablePath = path;
        return false;
    case FileSystem::ReadResult::Read:
        break;
    }
    if (EventFileReader::read(text, events))
        return true;
    unreadablePath = path;
    return false;
}

std::string EventStore::keptAsidePath(const std::string& path, const SystemTime& now)
{
    const std::size_t nameStart = path.find_last_of("\\/") == std::string::npos ? 0 : path.find_last_of("\\/") + 1;
    const std::size_t dot = path.rfind('.');
    const std::size_t stemEnd = (dot == std::string::npos || dot < nameStart) ? path.size() : dot;
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, ".unreadable-%04u%02u%02u-%02u%02u%02u", now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond);
    return path.substr(0, stemEnd) + stamp + path.substr(stemEnd);
}

bool EventStore::save(const std::string& path, const std::vector<Event>& events)
{
    if (!unreadablePath.empty() && unreadablePath == path) {
        // Keep what could not be read before anything takes its place.
        if (!files.copyFile(path, keptAsidePath(path, system.localTime())))
            return false;
        unreadablePath.clear();
    }
    return files.replaceFile(path, EventFileWriter::write(events));
}
