#include "ModalDialog.h"

#include "ErrorMessage.h"

namespace {

// A picture control of a dialog template loads its bitmap itself and, under
// some systems, never deletes it: each opening of the dialog would leave one
// bitmap behind. Taking the bitmap back makes its deletion ours, once, on
// every system.
void releaseTemplateBitmaps(HWND dialog)
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

} // namespace

ModalDialog::ModalDialog(int dialogTemplate, INT_PTR cancelEndCode)
    : templateResource(dialogTemplate), cancelResult(cancelEndCode)
{
}

INT_PTR ModalDialog::show(HINSTANCE instanceOfTemplate, HWND owner)
{
    if (running) {
        bringToFront();
        return 0;
    }
    resourceInstance = instanceOfTemplate;
    running = true;
    const INT_PTR result = ::DialogBoxParamA(resourceInstance, MAKEINTRESOURCEA(templateResource), owner, procedure,
                                             reinterpret_cast<LPARAM>(this));
    running = false;
    dialogWindow = nullptr;
    return result;
}

void ModalDialog::bringToFront()
{
    if (!dialogWindow)
        return;
    ::SetActiveWindow(dialogWindow);
    ::SetForegroundWindow(dialogWindow);
}

ModalDialog* ModalDialog::of(HWND window)
{
    if (::GetWindowLongPtrA(window, DWLP_DLGPROC) != reinterpret_cast<LONG_PTR>(procedure))
        return nullptr;
    return reinterpret_cast<ModalDialog*>(::GetWindowLongPtrA(window, DWLP_USER));
}

void ModalDialog::end(INT_PTR code)
{
    ::EndDialog(dialogWindow, code);
}

INT_PTR CALLBACK ModalDialog::procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        reinterpret_cast<ModalDialog*>(lParam)->dialogWindow = hwnd;
    }
    auto* self = reinterpret_cast<ModalDialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!self)
        return 0;
    try {
        self->dispatch(message, wParam, lParam);
    } catch (...) {
        self->endAfterError();
    }
    if (message == WM_DESTROY)
        releaseTemplateBitmaps(hwnd);
    return 0;
}

void ModalDialog::dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        onInit();
        break;
    case WM_COMMAND:
        // Only the control id counts.
        if (LOWORD(wParam) == IDCANCEL)
            onCancel();
        else
            onCommand(LOWORD(wParam));
        break;
    case WM_NOTIFY:
        onNotify(*reinterpret_cast<NMHDR*>(lParam));
        break;
    case WM_CLOSE:
        onCancel();
        break;
    default:
        break;
    }
}

void ModalDialog::endAfterError()
{
    showCurrentError(dialogWindow);
    // The dialog's own way of ending runs, so nothing it keeps is lost; an
    // error there too ends it at once.
    try {
        onCancel();
    } catch (...) {
        end(cancelResult);
    }
}
