#pragma once

#include "BannerPictures.h"
#include "UniqueHandle.h"

#include <windows.h>

#include <commctrl.h>

// What every dialog of the program shares, in the manner of a classic
// modal-dialog wrapper: it runs from its template; each dialog window reaches
// its own object (stored at WM_INITDIALOG), so a dialog opened inside
// another's message loop leaves the outer one intact; Escape and the close
// box cancel; a second opening brings the open dialog to the front. An error
// in a handler never unwinds through the dialog manager: the user is told in
// a message box owned by the dialog, and the dialog ends the way Escape would
// end it. Its procedure returns 0 for every message but the notifications a
// dialog answers. Sizes follow the window's DPI: the banner is drawn to its
// strip, the title-bar icon is the small icon of that DPI, and a change of
// DPI (a move to another monitor) redoes both and calls onDpiChanged.
class ModalDialog {
public:
    // How a dialog ended.
    enum class End : INT_PTR {
        cancelled = -1, // Cancel, Escape, the close box: nothing chosen
        closed = 0,     // a dialog that asks nothing, closed
        ok = 1,         // OK with valid input, a row accepted
        snoozed = 2,    // Snooze, Snooze all
        broughtToFront = 3, // it was open already, and was only brought forward
    };

    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    // Runs the dialog, modal to `owner`, and gives its end: the one of the
    // handler that ended it, or the cancel end when a quit ended it. When it
    // is open already it is brought to the front instead.
    End show(HINSTANCE moduleInstance, HWND owner);
    bool isOpen() const { return running; }
    // Activates the open dialog and puts it in the foreground.
    void bringToFront();

    // The object of one of the program's dialog windows; null for any other
    // window.
    static ModalDialog* of(HWND window);

protected:
    // `cancelEnd` is how Escape and the close box end the dialog.
    ModalDialog(int dialogTemplate, End cancelEnd);
    virtual ~ModalDialog() = default;

    virtual void onInit() {}
    // WM_COMMAND by the control id; IDCANCEL goes to onCancel instead.
    virtual void onCommand(int id) { static_cast<void>(id); }
    // True when the dialog answers the notification, with `answer`.
    virtual bool onNotify(NMHDR& header, LRESULT& answer)
    {
        static_cast<void>(header);
        static_cast<void>(answer);
        return false;
    }
    // Escape, the close box, and the end after an error.
    virtual void onCancel() { end(cancelResult); }
    // The window's DPI changed and the system has laid the dialog out anew.
    virtual void onDpiChanged() {}
    // A message of the dialog's own (WM_APP and above, but WM_REFIT): a
    // worker's word that its job is done.
    virtual void onOwnMessage(UINT message) { static_cast<void>(message); }

    void end(End how);
    // Shows icon `iconId` in the title bar, at the small icon size of the
    // window's DPI.
    void setTitleIcon(int iconId);
    HWND window() const { return dialogWindow; }
    HINSTANCE instance() const { return resourceInstance; }

private:
    static INT_PTR CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& answer);
    void endAfterError();
    // At WM_DESTROY, while the controls still exist.
    void releasePictures();

    const int templateResource;
    const End cancelResult;
    HINSTANCE resourceInstance = nullptr;
    HWND dialogWindow = nullptr;
    bool running = false;
    bool endedByHandler = false;
    int titleIconId = 0;
    IconHandle titleIcon;
    // Drawn anew to their strips at every change of DPI.
    BannerPictures banners;
};
