// The installer checks' eyes and hands inside Wine, for what a shell script
// on the Linux side cannot do:
//
//     release-probe window MS           wait up to MS ms for Vellumere's window;
//                                       print its process id
//     release-probe no-window MS        wait up to MS ms until there is none
//     release-probe gone PID MS         wait up to MS ms for process PID to end
//     release-probe no-process MS NAME...
//                                       wait up to MS ms until no process of
//                                       these names (as "Un.exe") runs
//     release-probe hold FILE READY STOP
//                                       keep FILE open the way a running
//                                       program does (others may only read
//                                       it), create READY, and wait for STOP
//                                       to appear (two minutes at most)
//
// Exit codes: 0 done, 1 timed out, 2 wrong use or a failed call.

#include "UniqueHandle.h"

#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

HWND vellumereWindow()
{
    return ::FindWindowA("TrayIconWndClass", "TrayIconWnd");
}

bool exists(const char* path)
{
    return ::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// Polls `condition` every 50 ms until it holds or `limit` ms have passed.
template <typename Condition>
bool waitFor(DWORD limit, Condition condition)
{
    const ULONGLONG end = ::GetTickCount64() + limit;
    for (;;) {
        if (condition())
            return true;
        if (::GetTickCount64() >= end)
            return false;
        ::Sleep(50);
    }
}

int waitForWindow(DWORD limit)
{
    if (!waitFor(limit, [] { return vellumereWindow() != nullptr; })) {
        std::fprintf(stderr, "release-probe: no Vellumere window within %lu ms\n", limit);
        return 1;
    }
    DWORD processId = 0;
    ::GetWindowThreadProcessId(vellumereWindow(), &processId);
    std::printf("%lu\n", processId);
    return 0;
}

int waitForNoWindow(DWORD limit)
{
    if (!waitFor(limit, [] { return vellumereWindow() == nullptr; })) {
        std::fprintf(stderr, "release-probe: Vellumere's window still there after %lu ms\n", limit);
        return 1;
    }
    return 0;
}

int waitForProcessEnd(DWORD processId, DWORD limit)
{
    KernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, processId));
    if (!process) {
        // No such process any more.
        if (::GetLastError() == ERROR_INVALID_PARAMETER)
            return 0;
        std::fprintf(stderr, "release-probe: cannot open process %lu (error %lu)\n", processId, ::GetLastError());
        return 2;
    }
    if (::WaitForSingleObject(process.get(), limit) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "release-probe: process %lu still runs after %lu ms\n", processId, limit);
        return 1;
    }
    return 0;
}

bool isRunning(const char* name)
{
    FileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return false;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot.get(), &entry); more; more = ::Process32Next(snapshot.get(), &entry)) {
        if (::lstrcmpiA(entry.szExeFile, name) == 0)
            return true;
    }
    return false;
}

int waitForNoProcess(DWORD limit, char** names, int count)
{
    for (int i = 0; i < count; ++i) {
        const char* name = names[i];
        // One deadline for all of them: the limit is the caller's.
        const ULONGLONG start = ::GetTickCount64();
        if (!waitFor(limit, [name] { return !isRunning(name); })) {
            std::fprintf(stderr, "release-probe: %s still runs after %lu ms\n", name, limit);
            return 1;
        }
        limit -= static_cast<DWORD>(std::min<ULONGLONG>(limit, ::GetTickCount64() - start));
    }
    return 0;
}

int hold(const char* path, const char* ready, const char* stop)
{
    FileHandle held(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!held) {
        std::fprintf(stderr, "release-probe: cannot open %s (error %lu)\n", path, ::GetLastError());
        return 2;
    }
    FileHandle signal(::CreateFileA(ready, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!signal) {
        std::fprintf(stderr, "release-probe: cannot create %s (error %lu)\n", ready, ::GetLastError());
        return 2;
    }
    signal.reset();
    return waitFor(120000, [stop] { return exists(stop); }) ? 0 : 1;
}

DWORD milliseconds(const char* text)
{
    return static_cast<DWORD>(std::strtoul(text, nullptr, 10));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "window") == 0)
        return waitForWindow(milliseconds(argv[2]));
    if (argc == 3 && std::strcmp(argv[1], "no-window") == 0)
        return waitForNoWindow(milliseconds(argv[2]));
    if (argc == 4 && std::strcmp(argv[1], "gone") == 0)
        return waitForProcessEnd(static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)), milliseconds(argv[3]));
    if (argc >= 4 && std::strcmp(argv[1], "no-process") == 0)
        return waitForNoProcess(milliseconds(argv[2]), argv + 3, argc - 3);
    if (argc == 5 && std::strcmp(argv[1], "hold") == 0)
        return hold(argv[2], argv[3], argv[4]);
    std::fprintf(stderr,
                 "usage: release-probe window MS | no-window MS | gone PID MS | no-process MS NAME...\n"
                 "       release-probe hold FILE READY STOP\n");
    return 2;
}
