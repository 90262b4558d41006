#include "ModalDialog.h"

#include "Dpi.h"
#include "ErrorMessage.h"
#include "ProgramMessages.h"

ModalDialog::ModalDialog(int dialogTemplate, End cancelEnd)
    : templateResource(dialogTemplate), cancelResult(cancelEnd)
{
}

ModalDialog::End ModalDialog::show(HINSTANCE instanceOfTemplate, HWND owner)
{
    if (running) {
        bringToFront();
        return End::broughtToFront;
    }
    resourceInstance = instanceOfTemplate;
    running = true;
    endedByHandler = false;
    const INT_PTR result = ::DialogBoxParamA(resourceInstance, MAKEINTRESOURCEA(templateResource), owner, procedure,
                                             reinterpret_cast<LPARAM>(this));
    running = false;
    dialogWindow = nullptr;
    // A quit ends the dialog's loop without any of its buttons, and the loop
    // then gives the default button's code: that must not count as an OK.
    return endedByHandler ? static_cast<End>(result) : cancelResult;
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

void ModalDialog::end(End how)
{
    endedByHandler = true;
    ::EndDialog(dialogWindow, static_cast<INT_PTR>(how));
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
    LRESULT answer = 0;
    bool answered = false;
    try {
        answered = self->dispatch(message, wParam, lParam, answer);
    } catch (...) {
        self->endAfterError();
    }
    if (message == WM_DESTROY)
        self->releasePictures();
    if (!answered)
        return 0;
    // A notification the dialog answers (a list view's find request, say).
    ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, answer);
    return TRUE;
}

bool ModalDialog::dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& answer)
{
    switch (message) {
    case WM_INITDIALOG:
        banners.fit(dialogWindow);
        onInit();
        break;
    case WM_DPICHANGED:
        ::PostMessageA(dialogWindow, WM_REFIT, 0, 0);
        break;
    case WM_REFIT:
        if (titleIconId)
            setTitleIcon(titleIconId);
        banners.fit(dialogWindow);
        onDpiChanged();
        break;
    case WM_COMMAND:
        // Only the control id counts.
        if (LOWORD(wParam) == IDCANCEL)
            onCancel();
        else
            onCommand(LOWORD(wParam));
        break;
    case WM_NOTIFY:
        return onNotify(*reinterpret_cast<NMHDR*>(lParam), answer);
    case WM_CLOSE:
        onCancel();
        break;
    default:
        if (message >= WM_APP && message <= 0xBFFF)
            onOwnMessage(message);
        break;
    }
    return false;
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

void ModalDialog::setTitleIcon(int iconId)
{
    titleIconId = iconId;
    const int size = smallIconSize(dpiOf(dialogWindow));
    IconHandle icon(
        static_cast<HICON>(::LoadImageA(resourceInstance, MAKEINTRESOURCEA(iconId), IMAGE_ICON, size, size, 0)));
    ::SendMessageA(dialogWindow, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon.get()));
    // The window does not own the icon it shows: the old one goes only now.
    titleIcon = std::move(icon);
}

void ModalDialog::releasePictures()
{
    banners.release();
    titleIcon.reset();
    titleIconId = 0;
}
