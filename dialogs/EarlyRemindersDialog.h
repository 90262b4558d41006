#pragma once

#include "EarlyReminder.h"
#include "ModalDialog.h"

#include <cstdint>
#include <optional>
#include <vector>

class ListView;

// The "Early reminders" dialog: the list of an event's early reminders in
// words, and a distance before the start (minutes, hours, days or weeks; for
// an event without a time, days or weeks before at a time of day) to add,
// to put in place of the selected one, or to remove it.
class EarlyRemindersDialog : public ModalDialog {
public:
    // Shows `reminders` (minutes before the start, in order) of an event
    // that is `untimed` or not, modal to `owner`. The reminders after OK, in
    // order and each once; nothing after Cancel, Escape, the close box or a
    // quit.
    static std::optional<std::vector<std::int32_t>> ask(HINSTANCE moduleInstance, HWND owner,
                                                         std::vector<std::int32_t> reminders, bool untimed);

private:
    EarlyRemindersDialog(std::vector<std::int32_t> reminders, bool untimed);
    void onInit() override;
    void onCommand(int id) override;
    bool onNotify(NMHDR& header, LRESULT& answer) override;
    void onDpiChanged() override;
    ListView reminderList() const;
    void fitColumnToDpi();
    void showReminders(std::size_t selected);
    void showFields(const EarlyReminder& reminder);
    EarlyReminder readFields() const;
    std::optional<std::int32_t> chosenDistance();
    void add();
    void change();
    void remove();
    void enableButtons();

    std::vector<std::int32_t> reminders;
    const bool untimed;
    EarlyReminderTexts texts;
};
