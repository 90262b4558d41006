#pragma once

#include <windows.h>

#include <commctrl.h>

// What every dialog of the program shares, in the manner of a classic
// modal-dialog wrapper: it runs from its template; each dialog window reaches
// its own object (stored at WM_INITDIALOG), so a dialog opened inside
// another's message loop leaves the outer one intact; Escape and the close
// box cancel; a second opening brings the open dialog to the front. An error
// in a handler never unwinds through the dialog manager: the user is told in
// a message box owned by the dialog, and the dialog ends the way Escape would
// end it. Like every dialog procedure of the program, its procedure returns 0
// for every message.
class ModalDialog {
public:
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    // Runs the dialog, modal to `owner`, and gives its end code. When it is
    // open already it is brought to the front instead, and 0 returned.
    INT_PTR show(HINSTANCE moduleInstance, HWND owner);
    bool isOpen() const { return running; }
    // Activates the open dialog and puts it in the foreground.
    void bringToFront();

    // The object of one of the program's dialog windows; null for any other
    // window.
    static ModalDialog* of(HWND window);

protected:
    // `cancelEndCode` is what Escape and the close box end the dialog with.
    ModalDialog(int dialogTemplate, INT_PTR cancelEndCode);
    virtual ~ModalDialog() = default;

    virtual void onInit() {}
    // WM_COMMAND by the control id; IDCANCEL goes to onCancel instead.
    virtual void onCommand(int id) { static_cast<void>(id); }
    virtual void onNotify(NMHDR& header) { static_cast<void>(header); }
    // Escape, the close box, and the end after an error.
    virtual void onCancel() { end(cancelResult); }

    void end(INT_PTR code);
    HWND window() const { return dialogWindow; }
    HINSTANCE instance() const { return resourceInstance; }

private:
    static INT_PTR CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void endAfterError();

    const int templateResource;
    const INT_PTR cancelResult;
    HINSTANCE resourceInstance = nullptr;
    HWND dialogWindow = nullptr;
    bool running = false;
};
