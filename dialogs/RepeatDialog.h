#pragma once

#include "ModalDialog.h"
#include "RuleChoice.h"
#include "RuleWords.h"

#include <optional>

class ListView;

// The "Repeat" dialog: every so many days, weeks (on chosen weekdays),
// months (on a date, the nth or last weekday, or the last day) or years,
// ending never, on a date or after so many times, and the dates it skips;
// the choice in words beneath.
class RepeatDialog : public ModalDialog {
public:
    // Shows `start` for an event starting on `startDay` (a day number of
    // Calendar.h), modal to `owner`; `replacesRule` says that the event's own
    // rule is one the dialog cannot show, and that OK replaces it. The
    // choice after OK; nothing after Cancel, Escape, the close box or a quit.
    static std::optional<RuleChoice> ask(HINSTANCE moduleInstance, HWND owner, const RuleChoice& start, long startDay,
                                         bool replacesRule);

private:
    RepeatDialog(const RuleChoice& start, long startDay, bool replacesRule);
    void onInit() override;
    void onCommand(int id) override;
    bool onNotify(NMHDR& header, LRESULT& answer) override;
    void onDpiChanged() override;
    ListView skippedList() const;
    void fitColumnToDpi();
    void showChoice();
    RuleChoice readChoice() const;
    void enableParts();
    void showWords();
    void showSkipped(int selected);
    void addSkipped();
    void removeSkipped();
    void accept();
    int number(int id) const;
    void setDay(int picker, long day);
    long day(int picker) const;

    RuleChoice choice;
    const long startDay;
    const bool replacesRule;
    RuleTexts texts;
};
