#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Pumps this thread's messages until `done` holds or `milliseconds` pass;
// true when it held. Tests wait this way, never with a bare sleep.
bool pumpUntil(const std::function<bool()>& done, DWORD milliseconds = 5000);

// Runs `action` once, from this thread's message loop, as soon as a window of
// class "#32770" with `caption` exists (for example inside a modal dialog's
// own loop). Gives up after `milliseconds`.
void whenDialogAppears(const char* caption, std::function<void(HWND)> action, DWORD milliseconds = 5000);

// The same for the popup menu window ("#32768") once it is visible.
void whenMenuAppears(std::function<void(HWND)> action, DWORD milliseconds = 5000);

// The same for a dialog (a message box, say) owned by `owner`.
void whenOwnedDialogAppears(HWND owner, std::function<void(HWND)> action, DWORD milliseconds = 5000);

// Presses and releases a key through the system's input, as a user would.
void pressKey(WORD virtualKey);

std::string windowText(HWND window);
std::string controlText(HWND dialog, int id);

// The full path of a file beside the test program.
std::string besideTestProgram(const char* name);

std::string readWholeFile(const std::string& path);
