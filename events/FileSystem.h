#pragma once

#include <string>

// The few file operations the event file needs, filled by each platform
// with its real calls and by tests with their own.
class FileSystem {
public:
    enum class ReadResult { Read, Missing, Failed };

    virtual ~FileSystem() = default;

    // Reads the whole file as bytes. Missing means there is no such file.
    virtual ReadResult readFile(const std::string& path, std::string& contents) = 0;

    // Writes `contents` next to `path` and then puts it in place of `path` in
    // one step, so that a reader sees either the old file or the whole new
    // one. On failure the old file is untouched.
    virtual bool replaceFile(const std::string& path, const std::string& contents) = 0;

    // Copies `from` to `to`; fails rather than overwrite an existing `to`.
    virtual bool copyFile(const std::string& from, const std::string& to) = 0;

    // Creates one folder level; the result is not needed by anyone.
    virtual void createDirectory(const std::string& path) = 0;
};
