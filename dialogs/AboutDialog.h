#pragma once

#include "DialogProcedure.h"

#include <windows.h>

// The "About..." box: the banner, the version and the web-site line. Opened
// from the tray menu; a second opening brings the open one to the front.
class AboutDialog {
public:
    AboutDialog();
    AboutDialog(const AboutDialog&) = delete;
    AboutDialog& operator=(const AboutDialog&) = delete;
    virtual ~AboutDialog();

    // Runs the dialog, modal to `owner`; -1 when it was closed, 0 when it was
    // already open and has been brought to the front instead.
    INT_PTR show(HINSTANCE moduleInstance, HWND owner);
    void bringToFront();
    bool open() const { return isOpen; }

    static AboutDialog* currentInstance;

private:
    friend INT_PTR CALLBACK dialogProcedure<AboutDialog>(HWND, UINT, WPARAM, LPARAM);
    void handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    bool isOpen = false;
    HINSTANCE instance = nullptr;
    HWND dialog = nullptr;
};
