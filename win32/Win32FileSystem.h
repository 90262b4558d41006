#pragma once

#include "FileSystem.h"

// The event file's operations on Windows: a save is written to a temporary
// file beside the target, flushed, and moved over it with write-through.
class Win32FileSystem : public FileSystem {
public:
    ReadResult readFile(const std::string& path, std::string& contents) override;
    bool replaceFile(const std::string& path, const std::string& contents) override;
    bool copyFile(const std::string& from, const std::string& to) override;
    void createDirectory(const std::string& path) override;
};
