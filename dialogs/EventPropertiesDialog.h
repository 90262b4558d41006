#pragma once

#include "Event.h"

#include "DialogProcedure.h"
#include "NewestInstance.h"

#include <windows.h>

// The modal editor of one event: description, date and time, repetition,
// reminders, the two actions and the note. It edits a working copy; the
// caller takes it after OK.
class EventPropertiesDialog : public NewestInstance<EventPropertiesDialog> {
public:
    EventPropertiesDialog();
    virtual ~EventPropertiesDialog();

    void setEvent(const Event& edited);
    // 1 after OK with valid input; -1 after Cancel, Escape or the close box.
    INT_PTR show(HINSTANCE moduleInstance, HWND owner);
    const Event& workingEvent() const { return event; }

private:
    friend INT_PTR CALLBACK dialogProcedure<EventPropertiesDialog>(HWND, UINT, WPARAM, LPARAM);
    void handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void onInitDialog();
    void fillControls();
    void readControls();
    bool validate();
    void onCommand(int id);
    void toggleTime();
    void toggleField(int field, int button);
    void browseProgram();
    void selectAddress();
    std::string text(int id) const;
    bool checked(int id) const;
    void complain(UINT message, int field);

    HWND dialog = nullptr;
    HINSTANCE instance = nullptr;
    Event event;
};
