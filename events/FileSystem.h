#pragma once

#include <cstddef>
#include <string>

// The few file operations the event file needs, filled by each platform
// with its real calls and by tests with their own. Paths are UTF-8.
class FileSystem {
public:
    enum class ReadResult { Read, Missing, TooLarge, Failed };

    virtual ~FileSystem() = default;

    // Reads the whole file as bytes. Missing means there is no such file;
    // TooLarge that it holds more than `maxSize` bytes, of which none were
    // read. A file another program holds is waited for a few seconds.
    virtual ReadResult readFile(const std::string& path, std::string& contents, std::size_t maxSize) = 0;

    // Writes `contents` next to `path` and then puts it in place of `path` in
    // one step, so that a reader sees either the old file or the whole new
    // one. On failure the old file is untouched. A link is followed: what it
    // points to is replaced, and the link stays.
    virtual bool replaceFile(const std::string& path, const std::string& contents) = 0;

    // Copies `from` to `to`; fails rather than overwrite an existing `to`.
    virtual bool copyFile(const std::string& from, const std::string& to) = 0;

    // Creates one folder level; the result is not needed by anyone.
    virtual void createDirectory(const std::string& path) = 0;

    // The folder for temporary files, with a separator at its end.
    virtual std::string temporaryFolder() = 0;

    // The system's words for why the last operation that failed failed.
    virtual std::string lastError() = 0;
};
