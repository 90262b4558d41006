#include "TrayIcon.h"

#include "BalloonText.h"
#include "ErrorMessage.h"
#include "ResourceText.h"
#include "StringIds.h"

#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>

namespace {

// The shell broadcasts this when the task bar is (re)created, e.g. after
// Explorer restarted; the icon must then be added again.
UINT taskbarCreatedMessage()
{
    static const UINT message = ::RegisterWindowMessageA("TaskbarCreated");
    return message;
}

NOTIFYICONDATAA iconData(HWND window)
{
    NOTIFYICONDATAA data;
    std::memset(&data, 0, sizeof data);
    // The form with balloon fields and without the balloon GUID, which every
    // shell since Windows 2000 takes.
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = window;
    data.uID = 1;
    return data;
}

void copyField(char* field, std::size_t fieldSize, const std::string& text)
{
    const std::size_t length = text.size() < fieldSize ? text.size() : fieldSize - 1;
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

} // namespace

TrayIcon::~TrayIcon()
{
    if (window) {
        deleteIcon();
        // No message may reach this object while it is being taken apart.
        ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        ::DestroyWindow(window);
    }
    ::UnregisterClassA(trayWindowClass, instance);
}

void TrayIcon::create(HINSTANCE moduleInstance)
{
    instance = moduleInstance;

    WNDCLASSEXA windowClassData;
    std::memset(&windowClassData, 0, sizeof windowClassData);
    windowClassData.cbSize = sizeof windowClassData;
    windowClassData.lpfnWndProc = windowProc;
    windowClassData.hInstance = instance;
    windowClassData.lpszClassName = trayWindowClass;
    ::RegisterClassExA(&windowClassData); // a class left from before is simply used

    window = ::CreateWindowExA(0, trayWindowClass, trayWindowTitle, 0, 0, 0, 10, 10, nullptr, nullptr, instance,
                               this);
    if (!window)
        throw std::runtime_error(loadResourceText(instance, IDS_TRAY_WINDOW_ERROR));
    taskbarCreatedMessage();
    addIcon();
}

void TrayIcon::addIcon()
{
    NOTIFYICONDATAA data = iconData(window);
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_TRAYNOTIFY;
    if (!icon)
        icon = loadTrayIcon(instance);
    data.hIcon = icon;
    loadTipText(data.szTip, 64);
    data.szTip[63] = '\0';
    ::Shell_NotifyIconA(NIM_ADD, &data);
}

void TrayIcon::deleteIcon()
{
    NOTIFYICONDATAA data = iconData(window);
    ::Shell_NotifyIconA(NIM_DELETE, &data);
}

NOTIFYICONDATAA TrayIcon::balloonData(HWND window, const char* title, const char* text, DWORD infoFlags,
                                      UINT timeout)
{
    NOTIFYICONDATAA data = iconData(window);
    data.uFlags = NIF_INFO;
    copyField(data.szInfoTitle, sizeof data.szInfoTitle, BalloonText::fitTitle(title));
    copyField(data.szInfo, sizeof data.szInfo, BalloonText::fitText(text));
    data.uTimeout = timeout;
    data.dwInfoFlags = infoFlags;
    return data;
}

void TrayIcon::showBalloon(const char* title, const char* text, DWORD infoFlags, UINT timeout)
{
    NOTIFYICONDATAA data = balloonData(window, title, text, infoFlags, timeout);
    ::Shell_NotifyIconA(NIM_MODIFY, &data);
}

void TrayIcon::onError(const char* message)
{
    showErrorMessage(window, message);
}

LRESULT CALLBACK TrayIcon::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* self = reinterpret_cast<TrayIcon*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self) {
        // An exception must never unwind through the system's frames.
        try {
            self->handle(message, wParam, lParam);
        } catch (const std::exception& error) {
            self->onError(error.what());
        } catch (...) {
            self->onError(loadResourceText(::GetModuleHandleA(nullptr), IDS_UNEXPECTED_ERROR).c_str());
        }
    }
    switch (message) {
    case WM_CLOSE:
        return 0; // handled: the run ends through the quit message, not here
    case WM_POWERBROADCAST:
        return TRUE;
    default:
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

void TrayIcon::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        onTimer(wParam);
        return;
    case WM_QUITREQUEST:
    case WM_CLOSE:
        // Both end the run the same orderly way: the loop ends, the event
        // file is written, the icon removed.
        ::PostQuitMessage(0);
        return;
    case WM_POWERBROADCAST:
        if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND) {
            onResume();
            onClockChange();
        }
        return;
    case WM_TIMECHANGE:
        onClockChange();
        return;
    case WM_ENDSESSION:
        if (wParam)
            onEndSession();
        return;
    default:
        break;
    }
    if (message == WM_TRAYNOTIFY) {
        switch (LOWORD(lParam)) {
        case WM_LBUTTONUP:
            onLeftClick();
            break;
        case WM_RBUTTONUP:
            onRightClick();
            break;
        case WM_LBUTTONDBLCLK:
            onDoubleClick();
            break;
        case NIN_BALLOONUSERCLICK:
            onBalloonClick();
            break;
        default:
            break;
        }
    } else if (message == taskbarCreatedMessage() && message != 0) {
        addIcon();
    } else if (message >= firstOwnMessage && message <= lastOwnMessage) {
        onAppMessage(message);
    }
}
