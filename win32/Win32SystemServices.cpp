#include "Win32SystemServices.h"

#include "Win32Time.h"

#include <windows.h>

#include <vector>

static_assert(sizeof(SYSTEMTIME) == sizeof(SystemTime), "SystemTime must match SYSTEMTIME");

std::string Win32SystemServices::commandLine()
{
    const char* line = ::GetCommandLineA();
    return line ? std::string(line) : std::string();
}

std::string Win32SystemServices::expandEnvironment(const std::string& text)
{
    std::vector<char> buffer(2048);
    for (;;) {
        const DWORD needed = ::ExpandEnvironmentStringsA(text.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (needed == 0)
            return text;
        if (needed <= buffer.size())
            return std::string(buffer.data());
        // A long expansion is taken whole rather than cut.
        buffer.resize(needed);
    }
}

void Win32SystemServices::showMessage(const std::string& text)
{
    ::MessageBoxA(nullptr, text.c_str(), "", MB_OK);
}

SystemTime Win32SystemServices::localTime()
{
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return fromWin32Time(now);
}
