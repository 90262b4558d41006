#pragma once

#include <windows.h>

// The dialog procedure of every dialog of the program. Each dialog window
// reaches its own object, stored at WM_INITDIALOG from the creation
// parameter, so a dialog opened inside another's message loop leaves the
// outer one intact. No exception unwinds through the dialog manager: the
// dialog then ends as if cancelled. `Dialog::handle` does the rest; like
// every dialog procedure of the program, this one returns 0 for every message.
template <typename Dialog>
INT_PTR CALLBACK dialogProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        ::SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    auto* self = reinterpret_cast<Dialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!self)
        return 0;
    try {
        self->handle(hwnd, message, wParam, lParam);
    } catch (...) {
        ::EndDialog(hwnd, -1);
    }
    return 0;
}
