#include "FakeFileSystem.h"

FileSystem::ReadResult FakeFileSystem::readFile(const std::string& path, std::string& contents, std::size_t maxSize)
{
    if (beforeRead)
        beforeRead(path);
    if (unreadable.count(path))
        return ReadResult::Failed;
    const auto found = files.find(path);
    if (found == files.end())
        return ReadResult::Missing;
    if (found->second.size() > maxSize)
        return ReadResult::TooLarge;
    contents = found->second;
    return ReadResult::Read;
}

bool FakeFileSystem::replaceFile(const std::string& path, const std::string& contents)
{
    if (failReplace || unwritable.count(path))
        return false;
    files[path] = contents;
    unreadable.erase(path);
    replaced.push_back(path);
    return true;
}

bool FakeFileSystem::copyFile(const std::string& from, const std::string& to)
{
    if (failCopy || files.count(to))
        return false;
    const auto found = files.find(from);
    if (found == files.end())
        return false;
    files[to] = found->second;
    return true;
}

void FakeFileSystem::createDirectory(const std::string& path)
{
    folders.insert(path);
}
