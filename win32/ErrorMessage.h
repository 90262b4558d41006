#pragma once

#include <windows.h>

#include <string>

// The one way an unexpected error reaches the user: a message box owned by
// the window it happened in, with the error's text under the program's name.
// What the window does next is its own: a dialog ends as if cancelled, the
// tray window goes on.
void showErrorMessage(HWND owner, const std::string& text);

// The same for the exception being handled; call it inside a catch block.
void showCurrentError(HWND owner);

// A message box under the program's name with a UTF-8 text (a path the code
// page cannot spell is shown whole), owned by `owner`; `style` gives its
// buttons and icon. Returns the button chosen.
int showProgramMessage(HWND owner, const std::string& utf8Text, UINT style);
