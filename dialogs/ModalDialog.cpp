#include "ModalDialog.h"

#include "Dpi.h"
#include "ErrorMessage.h"
#include "ProgramMessages.h"

namespace {

bool isPicture(HWND control)
{
    char className[16] = "";
    ::GetClassNameA(control, className, sizeof className);
    const auto style = static_cast<DWORD>(::GetWindowLongPtrA(control, GWL_STYLE));
    return ::lstrcmpiA(className, "Static") == 0 && (style & SS_TYPEMASK) == SS_BITMAP;
}

// `source` drawn smoothly at width x height, as a 24-bit picture (one with
// an alpha channel the picture control would copy, and the copy would stay).
HBITMAP drawnAt(HBITMAP source, int width, int height)
{
    BITMAP size{};
    if (!::GetObjectA(source, sizeof size, &size) || width <= 0 || height <= 0)
        return nullptr;
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 24;
    format.bmiHeader.biCompression = BI_RGB;
    const HDC screen = ::GetDC(nullptr);
    void* bits = nullptr;
    const HBITMAP drawn = ::CreateDIBSection(screen, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HDC from = ::CreateCompatibleDC(screen);
    const HDC to = ::CreateCompatibleDC(screen);
    ::ReleaseDC(nullptr, screen);
    if (drawn && from && to) {
        const HGDIOBJ oldFrom = ::SelectObject(from, source);
        const HGDIOBJ oldTo = ::SelectObject(to, drawn);
        ::SetStretchBltMode(to, HALFTONE);
        ::SetBrushOrgEx(to, 0, 0, nullptr);
        ::StretchBlt(to, 0, 0, width, height, from, 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
        ::SelectObject(from, oldFrom);
        ::SelectObject(to, oldTo);
    }
    if (from)
        ::DeleteDC(from);
    if (to)
        ::DeleteDC(to);
    return drawn;
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
    endedByHandler = false;
    const INT_PTR result = ::DialogBoxParamA(resourceInstance, MAKEINTRESOURCEA(templateResource), owner, procedure,
                                             reinterpret_cast<LPARAM>(this));
    running = false;
    dialogWindow = nullptr;
    // A quit ends the dialog's loop without any of its buttons, and the loop
    // then gives the default button's code: that must not count as an OK.
    return endedByHandler ? result : cancelResult;
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
    endedByHandler = true;
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
    LRESULT answer = 0;
    bool answered = false;
    try {
        answered = self->dispatch(message, wParam, lParam, answer);
    } catch (...) {
        self->endAfterError();
    }
    if (message == WM_DESTROY)
        self->releaseBanners();
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
        fitBanners();
        onInit();
        break;
    case WM_DPICHANGED:
        ::PostMessageA(dialogWindow, WM_REFIT, 0, 0);
        break;
    case WM_REFIT:
        if (titleIconId)
            setTitleIcon(titleIconId);
        fitBanners();
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

void ModalDialog::fitBanners()
{
    if (bannerOriginals.empty()) {
        // The picture a control of the template loaded is taken over, so that
        // it is deleted once, whatever the system would do with it.
        for (HWND child = ::GetWindow(dialogWindow, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            if (!isPicture(child))
                continue;
            const auto loaded = reinterpret_cast<HBITMAP>(::SendMessageA(child, STM_GETIMAGE, IMAGE_BITMAP, 0));
            if (loaded)
                bannerOriginals.emplace_back(child, BitmapHandle(loaded));
        }
    }
    for (const auto& [control, original] : bannerOriginals) {
        RECT strip{};
        ::GetClientRect(control, &strip);
        const HBITMAP drawn = drawnAt(original.get(), strip.right, strip.bottom);
        if (!drawn)
            continue;
        const auto shown = reinterpret_cast<HBITMAP>(
            ::SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(drawn)));
        if (shown && shown != original.get())
            ::DeleteObject(shown);
    }
}

void ModalDialog::releaseBanners()
{
    for (const auto& [control, original] : bannerOriginals) {
        const auto shown = reinterpret_cast<HBITMAP>(::SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, 0));
        if (shown && shown != original.get())
            ::DeleteObject(shown);
    }
    bannerOriginals.clear();
    titleIcon.reset();
    titleIconId = 0;
}
