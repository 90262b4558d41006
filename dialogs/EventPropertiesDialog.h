#pragma once

#include "Event.h"
#include "ModalDialog.h"
#include "RuleWords.h"

#include <optional>
#include <string>

// The modal editor of one event: description, date and time, repetition
// (one of the five, or a rule from the "Repeat" dialog, said in words under
// them), reminders (with the "Early reminders" dialog), the two actions and
// the note. It edits a working copy, which only OK with valid input gives
// back.
class EventPropertiesDialog : public ModalDialog {
public:
    // Edits a copy of `edited`, modal to `owner`: the copy after OK, nothing
    // after Cancel, Escape, the close box or a quit.
    static std::optional<Event> edit(HINSTANCE moduleInstance, HWND owner, const Event& edited);

private:
    explicit EventPropertiesDialog(const Event& edited);
    void onInit() override;
    void onCommand(int id) override;
    void fillControls();
    void showRepetition();
    void chooseFrequency(int button);
    void chooseRule();
    void chooseEarlyReminders();
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
    RuleTexts ruleTexts;
};
