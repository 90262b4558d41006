#pragma once

#include "Event.h"
#include "ModalDialog.h"

#include <string>

// The modal editor of one event: description, date and time, repetition,
// reminders, the two actions and the note. It edits a working copy; the
// caller takes it after OK. Ends with 1 after OK with valid input, -1 after
// Cancel, Escape or the close box.
class EventPropertiesDialog : public ModalDialog {
public:
    EventPropertiesDialog();

    void setEvent(const Event& edited);
    const Event& workingEvent() const { return event; }

private:
    void onInit() override;
    void onCommand(int id) override;
    void fillControls();
    void readControls();
    bool validate();
    void toggleTime();
    void toggleField(int field, int button);
    void browseProgram();
    void selectAddress();
    std::string text(int id) const;
    bool checked(int id) const;
    void complain(unsigned message, int field);

    Event event;
};
