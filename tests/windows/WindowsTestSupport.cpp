#include "WindowsTestSupport.h"

#include <fstream>
#include <iterator>
#include <utility>

bool pumpUntil(const std::function<bool()>& done, DWORD milliseconds)
{
    const ULONGLONG deadline = ::GetTickCount64() + milliseconds;
    while (!done()) {
        if (::GetTickCount64() >= deadline)
            return false;
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

namespace {

struct PendingAction {
    std::string caption;
    std::function<void(HWND)> action;
    ULONGLONG deadline = 0;
    UINT_PTR timer = 0;
};

PendingAction pending;

void CALLBACK checkForDialog(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = ::FindWindowA("#32770", pending.caption.c_str());
    if (!dialog && ::GetTickCount64() < pending.deadline)
        return;
    ::KillTimer(nullptr, pending.timer);
    pending.timer = 0;
    auto action = std::move(pending.action);
    if (dialog && action)
        action(dialog);
}

} // namespace

void whenDialogAppears(const char* caption, std::function<void(HWND)> action, DWORD milliseconds)
{
    pending.caption = caption;
    pending.action = std::move(action);
    pending.deadline = ::GetTickCount64() + milliseconds;
    pending.timer = ::SetTimer(nullptr, 0, 20, checkForDialog);
}

std::string windowText(HWND window)
{
    char text[4096] = "";
    ::GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string controlText(HWND dialog, int id)
{
    return windowText(::GetDlgItem(dialog, id));
}

std::string besideTestProgram(const char* name)
{
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder = path;
    folder.erase(folder.find_last_of("\\/") + 1);
    return folder + name;
}

std::string readWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
