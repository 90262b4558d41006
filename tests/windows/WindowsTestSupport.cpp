#include "WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
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

// Windows waited for, each with its own thread timer; several may wait at
// once (a dialog, and a menu opened while it is up).
struct Watch {
    std::function<HWND()> find; // the window once it is there, or null
    std::function<void(HWND)> action;
    ULONGLONG deadline;
};

std::map<UINT_PTR, Watch>& watches()
{
    static std::map<UINT_PTR, Watch> all;
    return all;
}

void CALLBACK checkWatch(HWND, UINT, UINT_PTR timer, DWORD)
{
    const auto found = watches().find(timer);
    if (found == watches().end()) {
        ::KillTimer(nullptr, timer);
        return;
    }
    Watch& watch = found->second;
    const HWND window = watch.find();
    if (!window && ::GetTickCount64() < watch.deadline)
        return;
    ::KillTimer(nullptr, timer);
    const std::function<void(HWND)> action = std::move(watch.action);
    watches().erase(found);
    if (window && action)
        action(window);
}

void watchFor(std::function<HWND()> find, std::function<void(HWND)> action, DWORD milliseconds)
{
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, checkWatch);
    watches()[timer] = Watch{std::move(find), std::move(action), ::GetTickCount64() + milliseconds};
}

// A visible top-level window of that class and caption (any caption when empty).
std::function<HWND()> visibleWindow(const char* windowClass, std::string caption)
{
    return [windowClass, caption] {
        const HWND window = ::FindWindowA(windowClass, caption.empty() ? nullptr : caption.c_str());
        return window && ::IsWindowVisible(window) ? window : nullptr;
    };
}

// A watch that outlives its test would act on the next test's window with
// references into a finished test's frame: each test ends with none left.
class ForgetWatchesAtTestEnd : public testing::EmptyTestEventListener {
    void OnTestEnd(const testing::TestInfo&) override
    {
        for (const auto& watch : watches())
            ::KillTimer(nullptr, watch.first);
        watches().clear();
    }
};

const bool forgetsWatches = [] {
    testing::UnitTest::GetInstance()->listeners().Append(new ForgetWatchesAtTestEnd);
    return true;
}();

} // namespace

void whenDialogAppears(const char* caption, std::function<void(HWND)> action, DWORD milliseconds)
{
    watchFor(visibleWindow("#32770", caption), std::move(action), milliseconds);
}

void whenMenuAppears(std::function<void(HWND)> action, DWORD milliseconds)
{
    watchFor(visibleWindow("#32768", ""), std::move(action), milliseconds);
}

void whenOwnedDialogAppears(HWND owner, std::function<void(HWND)> action, DWORD milliseconds)
{
    const auto find = [owner]() -> HWND {
        for (HWND w = nullptr; (w = ::FindWindowExA(nullptr, w, "#32770", nullptr));) {
            if (::GetWindow(w, GW_OWNER) == owner && ::IsWindowVisible(w))
                return w;
        }
        return nullptr;
    };
    watchFor(find, std::move(action), milliseconds);
}

void pressKey(WORD virtualKey)
{
    INPUT input[2] = {};
    input[0].type = INPUT_KEYBOARD;
    input[0].ki.wVk = virtualKey;
    input[1] = input[0];
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, input, sizeof(INPUT));
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
