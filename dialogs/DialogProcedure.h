#pragma once

#include <windows.h>

// A picture control of a dialog template loads its bitmap itself and, under
// some systems, never deletes it: each opening of the dialog would leave one
// bitmap behind. Taking the bitmap back makes its deletion ours, once, on
// every system.
inline void releaseTemplateBitmaps(HWND dialog)
{
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        char className[16] = "";
        ::GetClassNameA(child, className, sizeof className);
        const auto style = static_cast<DWORD>(::GetWindowLongPtrA(child, GWL_STYLE));
        if (::lstrcmpiA(className, "Static") != 0 || (style & SS_TYPEMASK) != SS_BITMAP)
            continue;
        if (HGDIOBJ bitmap = reinterpret_cast<HGDIOBJ>(::SendMessageA(child, STM_SETIMAGE, IMAGE_BITMAP, 0)))
            ::DeleteObject(bitmap);
    }
}

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
    if (message == WM_DESTROY)
        releaseTemplateBitmaps(hwnd);
    return 0;
}

// Runs `dialog` modally from template `templateId` of `instance`, through the
// procedure above.
template <typename Dialog>
INT_PTR runModal(Dialog& dialog, HINSTANCE instance, int templateId, HWND owner)
{
    return ::DialogBoxParamA(instance, MAKEINTRESOURCEA(templateId), owner, dialogProcedure<Dialog>,
                             reinterpret_cast<LPARAM>(&dialog));
}
