#pragma once

#include "FileSystem.h"

#include <windows.h>

// The event file's operations on Windows, through the wide functions and the
// \\?\ form, so that paths the code page cannot spell and paths longer than
// MAX_PATH work. A save is written to a temporary file beside the target,
// flushed, and moved over it with write-through.
class Win32FileSystem : public FileSystem {
public:
    ReadResult readFile(const std::string& path, std::string& contents, std::size_t maxSize) override;
    bool replaceFile(const std::string& path, const std::string& contents) override;
    bool copyFile(const std::string& from, const std::string& to) override;
    void createDirectory(const std::string& path) override;
    std::string temporaryFolder() override;
    std::string lastError() override;

private:
    bool failed(DWORD error); // keeps the error, and is false
    DWORD error = ERROR_SUCCESS;
};
