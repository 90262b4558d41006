#pragma once

#include "Event.h"
#include "ModalDialog.h"

// The modal "Event alert": shows a due event's description and note, and
// offers its two actions, launching its program and composing an e-mail,
// each only if the event asks for it. OK carries out the ticked actions and
// ends with 1; Cancel, Escape and the close box carry out nothing and end
// with -1.
class AlertDialog : public ModalDialog {
public:
    AlertDialog();

    void setEvent(const Event& dueEvent);

private:
    void onInit() override;
    void onCommand(int id) override;
    void onOk();

    Event event;
};
