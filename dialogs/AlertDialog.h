#pragma once

#include "Event.h"
#include "ModalDialog.h"
#include "Snooze.h"

// The modal "Event alert": shows a due event's description and note, and
// offers its two actions, launching its program and composing an e-mail,
// each only if the event asks for it. OK carries out the ticked actions and
// ends with 1; Cancel, Escape and the close box carry out nothing and end
// with -1; Snooze carries out nothing and ends with `snoozed`, the chosen
// duration in snoozeChoice().
class AlertDialog : public ModalDialog {
public:
    static constexpr INT_PTR snoozed = 2;

    AlertDialog();

    void setEvent(const Event& dueEvent);
    Snooze::Choice snoozeChoice() const { return choice; }

private:
    void onInit() override;
    void onCommand(int id) override;
    void onOk();

    Event event;
    Snooze::Choice choice = Snooze::FiveMinutes;
};
