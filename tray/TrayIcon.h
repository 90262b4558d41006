#pragma once

#include "ProgramMessages.h"
#include "TrayWindowNames.h"

#include <windows.h>

#include <shellapi.h>

// The program's presence in the notification area: a hidden window of class
// "TrayIconWndClass" and title "TrayIconWnd" (VellumereClose finds it by
// both), the one notification icon and its balloons. The window procedure
// turns timer ticks, icon clicks and system notices into calls of the
// virtual operations below.
class TrayIcon {
public:
    TrayIcon() = default;
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;
    // Removes the icon, destroys the window and unregisters the class.
    virtual ~TrayIcon();

    // Creates the hidden window and adds the icon. Throws std::runtime_error
    // "Error creating tray icon window" when the window cannot be made.
    void create(HINSTANCE moduleInstance);
    void deleteIcon();

    // Empty texts take down the balloon that is showing. Texts longer than
    // the balloon's fields are cut (see BalloonText).
    void showBalloon(const char* title, const char* text, DWORD infoFlags, UINT timeout);

    // The record showBalloon hands to the shell.
    static NOTIFYICONDATAA balloonData(HWND window, const char* title, const char* text, DWORD infoFlags,
                                       UINT timeout);

    HWND hiddenWindow() const { return window; }

protected:
    // Timer `timerId` of the hidden window fired.
    virtual void onTimer(UINT_PTR timerId) { (void)timerId; }
    // A message of the program's own (firstOwnMessage to lastOwnMessage)
    // reached the window.
    virtual void onAppMessage(UINT message) { (void)message; }
    virtual void onBalloonClick() {}
    virtual void onDoubleClick() {}
    virtual void onRightClick() {}
    virtual void onLeftClick() {}
    virtual void loadTipText(char* buffer, int size) = 0;
    virtual HICON loadTrayIcon(HINSTANCE moduleInstance) = 0;

    // The computer woke up, or the clock or time zone changed.
    virtual void onClockChange() {}
    // The computer woke up (before onClockChange).
    virtual void onResume() {}
    // Windows is ending the session: the process may end without a quit.
    virtual void onEndSession() {}
    // An exception reached the window procedure; by default the user is told
    // as everywhere (a message box owned by the hidden window), and the run
    // goes on: the icon is the program, and its reminders must keep coming.
    virtual void onError(const char* message);

    HICON icon = nullptr;
    HWND window = nullptr;
    HINSTANCE instance = nullptr;

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void handle(UINT message, WPARAM wParam, LPARAM lParam);
    void addIcon();
};
