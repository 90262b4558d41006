#pragma once

#include "FileSystem.h"

// The event file's operations on a POSIX system, for the native tools and
// tests: a save is written to a temporary file beside the target, flushed to
// the disk and renamed over it.
class PosixFileSystem : public FileSystem {
public:
    ReadResult readFile(const std::string& path, std::string& contents, std::size_t maxSize) override;
    bool replaceFile(const std::string& path, const std::string& contents) override;
    bool copyFile(const std::string& from, const std::string& to) override;
    void createDirectory(const std::string& path) override;
    std::string temporaryFolder() override;
    std::string lastError() override;

private:
    bool failed(); // keeps errno's words, and is false
    std::string error;
};
