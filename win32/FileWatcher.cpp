#include "FileWatcher.h"

#include "WideText.h"

#include <vector>

namespace {

// A rename (an atomic replace) reports the new name, a write the size or
// the time of last write.
constexpr DWORD changesWatched = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;

} // namespace

FileWatcher::~FileWatcher()
{
    stop();
}

bool FileWatcher::start(const std::string& path, HWND notified, UINT notice)
{
    stop();
    const std::wstring full = systemPath(path);
    const std::size_t separator = full.find_last_of(L"\\/");
    if (separator == std::wstring::npos || !changed || !stopping)
        return false;
    folder.reset(::CreateFileW(full.substr(0, separator + 1).c_str(), FILE_LIST_DIRECTORY,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
    if (!folder)
        return false;
    fileName = full.substr(separator + 1);
    window = notified;
    message = notice;
    ::ResetEvent(stopping.get());
    watching = std::thread([this] { run(); });
    return true;
}

void FileWatcher::stop()
{
    if (watching.joinable()) {
        ::SetEvent(stopping.get());
        watching.join();
    }
    folder.reset();
}

bool FileWatcher::namesTheFile(const char* notices, DWORD size) const
{
    for (DWORD offset = 0; offset + sizeof(FILE_NOTIFY_INFORMATION) <= size;) {
        const auto* notice = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(notices + offset);
        const int length = static_cast<int>(notice->FileNameLength / sizeof(WCHAR));
        if (::CompareStringOrdinal(notice->FileName, length, fileName.c_str(), static_cast<int>(fileName.size()),
                                   TRUE) == CSTR_EQUAL)
            return true;
        if (notice->NextEntryOffset == 0)
            break;
        offset += notice->NextEntryOffset;
    }
    return false;
}

void FileWatcher::run()
{
    std::vector<DWORD> buffer(16 * 1024 / sizeof(DWORD)); // DWORD-aligned, as the call needs
    const DWORD bufferSize = static_cast<DWORD>(buffer.size() * sizeof(DWORD));
    for (;;) {
        OVERLAPPED overlapped{};
        overlapped.hEvent = changed.get();
        ::ResetEvent(changed.get());
        if (!::ReadDirectoryChangesW(folder.get(), buffer.data(), bufferSize, FALSE, changesWatched, nullptr,
                                     &overlapped, nullptr))
            return;
        const HANDLE waits[] = {changed.get(), stopping.get()};
        const DWORD woken = ::WaitForMultipleObjects(2, waits, FALSE, INFINITE);
        DWORD size = 0;
        if (woken != WAIT_OBJECT_0) {
            // The read is still under way and writes into the buffer: it
            // must end before the buffer goes.
            ::CancelIo(folder.get());
            ::GetOverlappedResult(folder.get(), &overlapped, &size, TRUE);
            return;
        }
        if (!::GetOverlappedResult(folder.get(), &overlapped, &size, FALSE))
            return;
        // No notices means more changes than the buffer holds: any may be the file's.
        if (size == 0 || namesTheFile(reinterpret_cast<const char*>(buffer.data()), size))
            ::PostMessageW(window, message, 0, 0);
    }
}
