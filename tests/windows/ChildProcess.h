#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

// The inherited environment with some variables replaced, as the block
// CreateProcessA takes: sorted by name regardless of case, each entry ended
// by a NUL, the block by one more.
std::string environmentBlock(const std::vector<std::pair<std::string, std::string>>& replaced);

std::string lowerCase(std::string text);

// A program started by a test, waited for and, as the last resort, ended.
class ChildProcess {
public:
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `program` with an environment block from environmentBlock();
    // an empty block inherits this process's environment. With a folder,
    // `program` is found as a command prompt finds it (it may be relative)
    // and runs in that folder. `arguments` follow the quoted program.
    ChildProcess(const std::string& program, std::string environment, const std::string& folder = "",
                 const std::string& arguments = "");
    ~ChildProcess();

    bool isStarted() const { return started; }
    DWORD startError() const { return error; }
    DWORD processId() const { return id; }
    HANDLE handle() const { return process; }
    ULONGLONG startedAt() const { return startTick; }

    // Waits at most `milliseconds` for the process to end.
    bool waitForExit(DWORD milliseconds) const
    {
        return process && ::WaitForSingleObject(process, milliseconds) == WAIT_OBJECT_0;
    }

    bool isRunning() const { return process && ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }

    DWORD exitCode() const
    {
        DWORD code = STILL_ACTIVE;
        ::GetExitCodeProcess(process, &code);
        return code;
    }

    void terminate() const
    {
        if (isRunning())
            ::TerminateProcess(process, 99);
    }

private:
    bool started = false;
    DWORD error = 0;
    HANDLE process = nullptr;
    DWORD id = 0;
    ULONGLONG startTick = 0;
};
