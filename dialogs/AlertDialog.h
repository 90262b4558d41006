#pragma once

#include "Event.h"
#include "ModalDialog.h"
#include "Snooze.h"

// The modal "Event alert": shows a due event's description and note, and
// offers its two actions, launching its program and composing an e-mail,
// each only if the event asks for it. OK carries out the ticked actions;
// Cancel, Escape and the close box carry out nothing; Snooze carries out
// nothing and gives the chosen duration.
class AlertDialog : public ModalDialog {
public:
    struct Answer {
        End end;                  // ok, cancelled or snoozed
        Snooze::Choice snoozeFor; // the duration chosen, when snoozed
    };

    // Shows `due`, modal to `owner`, until the user answers.
    static Answer ask(HINSTANCE moduleInstance, HWND owner, const Event& due);

private:
    explicit AlertDialog(const Event& due);
    void onInit() override;
    void onCommand(int id) override;
    void onOk();

    Event event;
    Snooze::Choice choice = Snooze::FiveMinutes;
};
