#include "Win32SystemServices.h"

#include "WideText.h"
#include "Win32Time.h"

#include <windows.h>

#include <vector>

static_assert(sizeof(SYSTEMTIME) == sizeof(SystemTime), "SystemTime must match SYSTEMTIME");

std::string Win32SystemServices::commandLine()
{
    const wchar_t* line = ::GetCommandLineW();
    return line ? fromWide(line) : std::string();
}

std::string Win32SystemServices::expandEnvironment(const std::string& text)
{
    const std::wstring wide = toWide(text);
    std::vector<wchar_t> buffer(2048);
    for (;;) {
        const DWORD needed = ::ExpandEnvironmentStringsW(wide.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (needed == 0)
            return text;
        if (needed <= buffer.size())
            return fromWide(buffer.data());
        // A long expansion is taken whole rather than cut.
        buffer.resize(needed);
    }
}

void Win32SystemServices::showMessage(const std::string& text)
{
    ::MessageBoxW(nullptr, toWide(text).c_str(), L"", MB_OK);
}

SystemTime Win32SystemServices::localTime()
{
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return fromWin32Time(now);
}
