#pragma once

#include "UniqueHandle.h"

#include <windows.h>

#include <string>
#include <thread>

// Tells a window when one file changes on disk: a thread waits for the
// change notifications of the file's folder (no polling), keeps those that
// name the file, and posts `message` to the window for each batch. Who
// wrote the file is not known here; the window finds out by reading it.
class FileWatcher {
public:
    FileWatcher() = default;
    FileWatcher(const FileWatcher&) = delete;
    FileWatcher& operator=(const FileWatcher&) = delete;
    ~FileWatcher();

    // Starts watching `path` (UTF-8); false when its folder cannot be
    // watched (the program then goes on without noticing outside changes).
    bool start(const std::string& path, HWND window, UINT message);
    void stop();

private:
    void run();
    bool namesTheFile(const char* notices, DWORD size) const;

    FileHandle folder;
    KernelHandle changed{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    KernelHandle stopping{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::wstring fileName;
    HWND window = nullptr;
    UINT message = 0;
    std::thread watching;
};
