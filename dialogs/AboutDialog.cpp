#include "AboutDialog.h"

#include "AboutDialogRes.h"

AboutDialog* AboutDialog::currentInstance = nullptr;

AboutDialog::AboutDialog()
{
    currentInstance = this;
}

AboutDialog::~AboutDialog()
{
    if (currentInstance == this)
        currentInstance = nullptr;
}

INT_PTR AboutDialog::show(HINSTANCE moduleInstance, HWND owner)
{
    if (isOpen) {
        bringToFront();
        return 0;
    }
    instance = moduleInstance;
    isOpen = true;
    const INT_PTR result =
        ::DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ABOUT), owner, dialogProc, reinterpret_cast<LPARAM>(this));
    isOpen = false;
    dialog = nullptr;
    return result;
}

void AboutDialog::bringToFront()
{
    if (!dialog)
        return;
    ::SetActiveWindow(dialog);
    ::SetForegroundWindow(dialog);
}

INT_PTR CALLBACK AboutDialog::dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        reinterpret_cast<AboutDialog*>(lParam)->dialog = hwnd;
        return 0;
    }
    const bool close = (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) || message == WM_CLOSE;
    if (close)
        ::EndDialog(hwnd, -1);
    return 0;
}
