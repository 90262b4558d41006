#include "Win32FileSystem.h"

#include "UniqueHandle.h"

#include <windows.h>

#include <algorithm>

namespace {

// ReadFile and WriteFile take 32-bit counts.
constexpr DWORD chunkSize = 1u << 30;

// How long a save waits for the file to be let go: 2 s.
constexpr int replaceAttempts = 21;
constexpr DWORD replaceRetryMilliseconds = 100;

bool writeAll(HANDLE file, const std::string& contents)
{
    std::size_t done = 0;
    while (done < contents.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(contents.size() - done, chunkSize));
        DWORD written = 0;
        if (!::WriteFile(file, contents.data() + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

} // namespace

FileSystem::ReadResult Win32FileSystem::readFile(const std::string& path, std::string& contents)
{
    FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = ::GetLastError();
        return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? ReadResult::Missing
                                                                                 : ReadResult::Failed;
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0)
        return ReadResult::Failed;
    contents.assign(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < contents.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(contents.size() - done, chunkSize));
        DWORD got = 0;
        if (!::ReadFile(file.get(), &contents[done], chunk, &got, nullptr))
            return ReadResult::Failed;
        if (got == 0)
            break; // the file shrank while being read
        done += got;
    }
    contents.resize(done);
    return ReadResult::Read;
}

bool Win32FileSystem::replaceFile(const std::string& path, const std::string& contents)
{
    const std::string temporary = path + ".saving";
    {
        FileHandle file(::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return false;
        // The new text must be on the disk before the move makes it the file.
        if (!writeAll(file.get(), contents) || !::FlushFileBuffers(file.get())) {
            file.reset();
            ::DeleteFileA(temporary.c_str());
            return false;
        }
    }
    // A program that has the file open without sharing its deletion (a virus
    // scanner, a backup tool, an editor reading it) blocks the move for as
    // long as it holds the file; such holds are mostly short, and the save at
    // the end of a run has no later chance.
    for (int attempt = 1;; ++attempt) {
        if (::MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = ::GetLastError();
        if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) || attempt == replaceAttempts) {
            ::DeleteFileA(temporary.c_str());
            return false;
        }
        ::Sleep(replaceRetryMilliseconds);
    }
}

bool Win32FileSystem::copyFile(const std::string& from, const std::string& to)
{
    return ::CopyFileA(from.c_str(), to.c_str(), TRUE) != FALSE;
}

void Win32FileSystem::createDirectory(const std::string& path)
{
    ::CreateDirectoryA(path.c_str(), nullptr);
}
