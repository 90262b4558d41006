// The platform's real file operations: the Windows build tests Win32's, the
// native build the POSIX ones.

#include "EventFileReader.h"
#include "EventFileWriter.h"
#include "EventStore.h"
#include "FakeSystemServices.h"
#include "RandomEvents.h"
#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include "Win32FileSystem.h"
#include <thread>
#include <windows.h>
using RealFileSystem = Win32FileSystem;
#else
#include "PosixFileSystem.h"
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
using RealFileSystem = PosixFileSystem;
#endif

namespace {

constexpr std::size_t anySize = static_cast<std::size_t>(-1);

std::string contentsOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& contents)
{
    std::ofstream(path, std::ios::binary) << contents;
}

std::vector<Event> someEvents(unsigned seed, int count)
{
    RandomEvents random(seed);
    std::vector<Event> events;
    for (int i = 0; i < count; ++i)
        events.push_back(random.typical());
    return events;
}

TEST(RealFileSystem, ReadMissingAndFailed)
{
    TemporaryFolder folder;
    RealFileSystem files;
    std::string contents = "untouched";
    EXPECT_EQ(files.readFile(folder.path("none.xml"), contents, anySize), FileSystem::ReadResult::Missing);
    EXPECT_EQ(files.readFile(folder.path("no folder") + "/none.xml", contents, anySize), FileSystem::ReadResult::Missing);
    std::filesystem::create_directory(folder.path("a folder"));
    EXPECT_EQ(files.readFile(folder.path("a folder"), contents, anySize), FileSystem::ReadResult::Failed);

    const std::string bytes("line\r\nwith\0nul\x1a and \xff", 20);
    writeFile(folder.path("bytes"), bytes);
    ASSERT_EQ(files.readFile(folder.path("bytes"), contents, anySize), FileSystem::ReadResult::Read);
    EXPECT_EQ(contents, bytes) << "read as bytes, not as text";
}

TEST(RealFileSystem, ReplaceWritesExactBytesAndLeavesNothingBehind)
{
    TemporaryFolder folder;
    RealFileSystem files;
    const std::string path = folder.path("ann.xml");
    const std::string first = EventFileWriter::write(someEvents(1, 3));
    const std::string second = EventFileWriter::write(someEvents(2, 5));
    ASSERT_TRUE(files.replaceFile(path, first));
    EXPECT_EQ(contentsOf(path), first);
    ASSERT_TRUE(files.replaceFile(path, second));
    EXPECT_EQ(contentsOf(path), second) << "CR LF stays CR LF: no text-mode translation";
    EXPECT_EQ(folder.listing(), "ann.xml");
}

TEST(RealFileSystem, AReplaceThatCannotCompleteLeavesTheOldFile)
{
    TemporaryFolder folder;
    RealFileSystem files;
    const std::string path = folder.path("ann.xml");
    const std::string old = EventFileWriter::write(someEvents(3, 4));
    writeFile(path, old);

    // The new text cannot be written beside the file.
    std::filesystem::create_directory(path + ".saving");
    EXPECT_FALSE(files.replaceFile(path, EventFileWriter::write({})));
    EXPECT_EQ(contentsOf(path), old);
    std::filesystem::remove(path + ".saving");

    // The folder is gone: nothing to write into.
    EXPECT_FALSE(files.replaceFile(folder.path("gone") + "/ann.xml", old));
}

TEST(RealFileSystem, CopyNeverOverwrites)
{
    TemporaryFolder folder;
    RealFileSystem files;
    writeFile(folder.path("a"), "first");
    writeFile(folder.path("b"), "second");
    EXPECT_TRUE(files.copyFile(folder.path("a"), folder.path("c")));
    EXPECT_EQ(contentsOf(folder.path("c")), "first");
    EXPECT_FALSE(files.copyFile(folder.path("a"), folder.path("b")));
    EXPECT_EQ(contentsOf(folder.path("b")), "second");
    EXPECT_FALSE(files.copyFile(folder.path("missing"), folder.path("d")));
}

TEST(RealFileSystem, TheStoreKeepsAnUnreadableFileBesideTheNewOne)
{
    TemporaryFolder folder;
    RealFileSystem files;
    FakeSystemServices system;
    EventStore store(system, files);
    const std::string path = folder.path("ann.xml");
    writeFile(path, "<eventlist><event><description>half a fi");

    std::vector<Event> events;
    store.load(path, events);
    EXPECT_TRUE(events.empty());
    events = someEvents(4, 2);
    ASSERT_TRUE(store.save(path, events));
    EXPECT_EQ(folder.listing(), "ann.unreadable-20261207-093015.xml ann.xml");
    EXPECT_EQ(contentsOf(folder.path("ann.unreadable-20261207-093015.xml")), "<eventlist><event><description>half a fi");

    std::vector<Event> back;
    store.load(path, back);
    EXPECT_EQ(back.size(), 2u);
}

#ifdef _WIN32

TEST(RealFileSystem, AFileHeldOpenByAnotherProgramIsNotReplaced)
{
    TemporaryFolder folder;
    RealFileSystem files;
    const std::string path = folder.path("ann.xml");
    const std::string old = EventFileWriter::write(someEvents(5, 3));
    writeFile(path, old);
    // A program that reads the file without allowing it to be deleted or
    // renamed meanwhile (an editor, a backup tool).
    HANDLE holder = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(files.replaceFile(path, EventFileWriter::write({})));
    ::CloseHandle(holder);
    EXPECT_EQ(contentsOf(path), old);
    EXPECT_EQ(folder.listing(), "ann.xml");
}

TEST(RealFileSystem, AReplaceWaitsForAProgramThatLetsTheFileGoSoon)
{
    TemporaryFolder folder;
    RealFileSystem files;
    const std::string path = folder.path("ann.xml");
    writeFile(path, EventFileWriter::write(someEvents(6, 3)));
    HANDLE holder = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    std::thread letGo([holder] {
        ::Sleep(300);
        ::CloseHandle(holder);
    });
    const std::string next = EventFileWriter::write(someEvents(7, 4));
    const bool replaced = files.replaceFile(path, next);
    letGo.join();
    EXPECT_TRUE(replaced);
    EXPECT_EQ(contentsOf(path), next);
    EXPECT_EQ(folder.listing(), "ann.xml");
}

TEST(RealFileSystem, AReadWaitsForAProgramThatHoldsTheFileAShortWhile)
{
    TemporaryFolder folder;
    RealFileSystem files;
    const std::string path = folder.path("ann.xml");
    const std::string text = EventFileWriter::write(someEvents(8, 3));
    writeFile(path, text);
    // A virus scanner at logon: the file is open with no sharing for a second.
    HANDLE holder = ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    std::thread letGo([holder] {
        ::Sleep(1000);
        ::CloseHandle(holder);
    });
    std::string contents;
    const FileSystem::ReadResult read = files.readFile(path, contents, anySize);
    letGo.join();
    EXPECT_EQ(read, FileSystem::ReadResult::Read);
    EXPECT_EQ(contents, text);
}

TEST(RealFileSystem, AReadOnlyFileIsRefusedAtOnceWithTheSystemsReason)
{
    TemporaryFolder folder;
    RealFileSystem files;
    const std::string path = folder.path("ann.xml");
    writeFile(path, "old");
    ASSERT_TRUE(::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    const ULONGLONG start = ::GetTickCount64();
    EXPECT_FALSE(files.replaceFile(path, "new"));
    EXPECT_LT(::GetTickCount64() - start, 1000u) << "no waiting for a file that stays read-only";
    EXPECT_FALSE(files.lastError().empty());
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(contentsOf(path), "old");
    EXPECT_EQ(folder.listing(), "ann.xml");
}

// Under Wine a link is a Unix symbolic link, which only a Unix program
// makes; on Windows the system makes it itself.
bool makeSymbolicLink(const std::string& link, const std::string& target)
{
    if (::CreateSymbolicLinkA(link.c_str(), target.c_str(), 0) &&
        ::GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES)
        return true;
    using UnixName = char* (*)(const wchar_t*);
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    if (!unixName)
        return false;
    const auto wide = [](const std::string& path) { return std::wstring(path.begin(), path.end()); };
    char* unixLink = unixName(wide(link).c_str());
    char* unixTarget = unixName(wide(target).c_str());
    std::string command = std::string("Z:\\bin\\ln -s ") + unixTarget + " " + unixLink;
    ::HeapFree(::GetProcessHeap(), 0, unixLink);
    ::HeapFree(::GetProcessHeap(), 0, unixTarget);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        ADD_FAILURE() << command << ": error " << ::GetLastError();
        return false;
    }
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
    // Wine may report a Unix program ended before it has run: wait for the link.
    for (int wait = 0; wait < 100; ++wait) {
        if (::GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES)
            return true;
        ::Sleep(50);
    }
    return false;
}

TEST(RealFileSystem, ASaveThroughALinkReplacesItsTargetAndKeepsTheLink)
{
    TemporaryFolder folder;
    RealFileSystem files;
    std::filesystem::create_directory(folder.path("synchronised"));
    const std::string target = folder.path("synchronised\\ann.xml");
    const std::string symbolic = folder.path("symbolic.xml");
    const std::string hard = folder.path("hard.xml");
    writeFile(target, "old");
    ASSERT_TRUE(makeSymbolicLink(symbolic, target));

    ASSERT_TRUE(files.replaceFile(symbolic, "through the symbolic link"));
    EXPECT_EQ(contentsOf(target), "through the symbolic link") << "the target was replaced";
    writeFile(target, "written to the target");
    EXPECT_EQ(contentsOf(symbolic), "written to the target") << "the link still leads to it";

    // A second name of the same file is kept only by a write in place.
    ASSERT_TRUE(::CreateHardLinkA(hard.c_str(), target.c_str(), nullptr));
    ASSERT_TRUE(files.replaceFile(hard, "through the hard link"));
    EXPECT_EQ(contentsOf(target), "through the hard link");
    EXPECT_EQ(contentsOf(symbolic), "through the hard link");
    writeFile(target, "one file, three names");
    EXPECT_EQ(contentsOf(hard), "one file, three names");
    EXPECT_EQ(folder.listing(), "hard.xml symbolic.xml synchronised");
}

#else

TEST(RealFileSystem, ASaveKilledAtAnyMomentLeavesAWholeFile)
{
    TemporaryFolder folder;
    RealFileSystem files;
    const std::string path = folder.path("ann.xml");
    const std::string old = EventFileWriter::write(someEvents(6, 2000));
    const std::string replacement = EventFileWriter::write(someEvents(7, 3000));
    int outcomes[2] = {0, 0};
    for (int attempt = 0; attempt < 12; ++attempt) {
        ASSERT_TRUE(files.replaceFile(path, old));
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;)
                files.replaceFile(path, replacement);
        }
        ::usleep(static_cast<useconds_t>(1000 + 2500 * attempt));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);

        const std::string now = contentsOf(path);
        ASSERT_TRUE(now == old || now == replacement) << "attempt " << attempt << ": " << now.size() << " bytes";
        ++outcomes[now == replacement];
        std::filesystem::remove(path + ".saving");
    }
    RecordProperty("old", outcomes[0]);
    RecordProperty("new", outcomes[1]);
}

#endif

} // namespace
