#pragma once

#include "Event.h"

#include "DialogProcedure.h"
#include "NewestInstance.h"

#include <windows.h>

// The modal "Event alert": shows a due event's description and note, and
// offers its two actions, launching its program and composing an e-mail,
// each only if the event asks for it. OK carries out the ticked actions.
class AlertDialog : public NewestInstance<AlertDialog> {
public:
    AlertDialog();
    virtual ~AlertDialog();

    void setEvent(const Event& dueEvent);

    // Runs the dialog; 1 after OK, -1 after Cancel, Escape or the close box.
    INT_PTR show(HINSTANCE moduleInstance, HWND owner);

private:
    friend INT_PTR CALLBACK dialogProcedure<AlertDialog>(HWND, UINT, WPARAM, LPARAM);
    void handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void onInitDialog();
    void onOk();

    Event event;
    HINSTANCE instance = nullptr;
    HWND dialog = nullptr;
};
