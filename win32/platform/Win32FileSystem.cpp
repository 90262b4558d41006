#include "Win32FileSystem.h"

#include "UniqueHandle.h"
#include "WideText.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

// ReadFile and WriteFile take 32-bit counts.
constexpr DWORD chunkSize = 1u << 30;

// How long an open or a save waits for a program that holds the file (a
// virus scanner at logon, a backup tool, an editor reading it): 3 s and 2 s.
constexpr int openAttempts = 31;
constexpr int replaceAttempts = 21;
constexpr DWORD retryMilliseconds = 100;

constexpr DWORD shareEverything = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool isHeldByAnother(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

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

// What a save replaces: for a link, the file it points to, so that a user
// who keeps the event file in a synchronised folder through a link keeps it
// there. Also how many names the file has (hard links).
struct Target {
    std::wstring path;
    DWORD names = 1;
    bool readOnly = false;
};

Target targetOf(const std::wstring& path)
{
    Target target{path};
    const FileHandle file(::CreateFileW(path.c_str(), 0, shareEverything, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file)
        return target;
    std::vector<wchar_t> final(MAX_PATH);
    DWORD length = ::GetFinalPathNameByHandleW(file.get(), final.data(), static_cast<DWORD>(final.size()),
                                               FILE_NAME_NORMALIZED);
    if (length >= final.size()) {
        final.resize(length + 1);
        length = ::GetFinalPathNameByHandleW(file.get(), final.data(), static_cast<DWORD>(final.size()),
                                             FILE_NAME_NORMALIZED);
    }
    if (length > 0 && length < final.size())
        target.path.assign(final.data(), length);
    BY_HANDLE_FILE_INFORMATION information{};
    if (::GetFileInformationByHandle(file.get(), &information)) {
        target.names = information.nNumberOfLinks;
        target.readOnly = (information.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    }
    return target;
}

} // namespace

bool Win32FileSystem::failed(DWORD code)
{
    error = code;
    return false;
}

FileSystem::ReadResult Win32FileSystem::readFile(const std::string& path, std::string& contents, std::size_t maxSize)
{
    const std::wstring name = systemPath(path);
    FileHandle file;
    for (int attempt = 1;; ++attempt) {
        file.reset(::CreateFileW(name.c_str(), GENERIC_READ, shareEverything, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file)
            break;
        const DWORD code = ::GetLastError();
        error = code;
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
            return ReadResult::Missing;
        // A folder is refused as access denied, and never lets go.
        const DWORD attributes = ::GetFileAttributesW(name.c_str());
        const bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        if (!isHeldByAnother(code) || folder || attempt == openAttempts)
            return ReadResult::Failed;
        ::Sleep(retryMilliseconds);
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) {
        failed(::GetLastError());
        return ReadResult::Failed;
    }
    // The size is known before anything is taken in.
    if (static_cast<unsigned long long>(size.QuadPart) > maxSize)
        return ReadResult::TooLarge;
    contents.assign(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < contents.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(contents.size() - done, chunkSize));
        DWORD got = 0;
        if (!::ReadFile(file.get(), &contents[done], chunk, &got, nullptr)) {
            failed(::GetLastError());
            contents.clear();
            return ReadResult::Failed;
        }
        if (got == 0)
            break; // the file shrank while being read
        done += got;
    }
    contents.resize(done);
    return ReadResult::Read;
}

bool Win32FileSystem::replaceFile(const std::string& path, const std::string& contents)
{
    const Target target = targetOf(systemPath(path));
    // Retrying would only delay the answer: a read-only file stays so.
    if (target.readOnly)
        return failed(ERROR_FILE_READ_ONLY);
    const std::wstring temporary = target.path + L".saving";
    {
        FileHandle file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return failed(::GetLastError());
        // The new text must be on the disk before the move makes it the file.
        if (!writeAll(file.get(), contents) || !::FlushFileBuffers(file.get())) {
            const DWORD code = ::GetLastError();
            file.reset();
            ::DeleteFileW(temporary.c_str());
            return failed(code);
        }
    }
    if (target.names > 1) {
        // A file with several names (hard links) keeps them only when it is
        // written in place; until that is done, the whole new text is in
        // the temporary file.
        FileHandle file(
            ::CreateFileW(target.path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!file || !writeAll(file.get(), contents) || !::SetEndOfFile(file.get()) ||
            !::FlushFileBuffers(file.get()))
            return failed(::GetLastError());
        file.reset();
        ::DeleteFileW(temporary.c_str());
        return true;
    }
    for (int attempt = 1;; ++attempt) {
        if (::MoveFileExW(temporary.c_str(), target.path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD code = ::GetLastError();
        if (!isHeldByAnother(code) || attempt == replaceAttempts) {
            ::DeleteFileW(temporary.c_str());
            return failed(code);
        }
        ::Sleep(retryMilliseconds);
    }
}

bool Win32FileSystem::copyFile(const std::string& from, const std::string& to)
{
    return ::CopyFileW(systemPath(from).c_str(), systemPath(to).c_str(), TRUE) || failed(::GetLastError());
}

void Win32FileSystem::createDirectory(const std::string& path)
{
    ::CreateDirectoryW(systemPath(path).c_str(), nullptr);
}

std::string Win32FileSystem::temporaryFolder()
{
    wchar_t folder[MAX_PATH + 1] = L"";
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
    return length > 0 && length <= MAX_PATH ? fromWide(std::wstring(folder, length)) : std::string();
}

std::string Win32FileSystem::lastError()
{
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
        0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring words = length > 0 && text ? std::wstring(text, length) : std::wstring();
    if (text)
        ::LocalFree(text);
    while (!words.empty() && (words.back() == L'\r' || words.back() == L'\n' || words.back() == L' '))
        words.pop_back();
    if (words.empty())
        return "Error " + std::to_string(error);
    return fromWide(words);
}
