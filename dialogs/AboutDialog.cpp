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
    const INT_PTR result = runModal(*this, instance, IDD_ABOUT, owner);
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

void AboutDialog::handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG)
        dialog = hwnd;
    else if ((message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) || message == WM_CLOSE)
        ::EndDialog(hwnd, -1);
}
