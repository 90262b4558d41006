#pragma once

#include "Event.h"
#include "ModalDialog.h"
#include "Snooze.h"

#include <functional>
#include <optional>
#include <vector>

class ListView;

// The "Reminders" list: what came due all at once (after sleep, a clock set
// forward, a crowded minute), newest first, with each event's date and time,
// description and the actions it asks for. Open shows the chosen event's
// alert, the only place where its actions run, and comes back with that row
// gone; Snooze all brings every row back later; Close ends the list.
class ReminderListDialog : public ModalDialog {
public:
    // Snooze all: the rows not opened, newest first, and the duration chosen.
    struct SnoozeAll {
        std::vector<Event> events;
        Snooze::Choice choice;
    };

    // Shows `newestFirst`, modal to `owner`, until the user closes the list or
    // snoozes what is left in it; nothing when the list was closed (or its
    // last row opened). `openAlert` shows one event's alert and returns when
    // it is closed.
    static std::optional<SnoozeAll> ask(HINSTANCE moduleInstance, HWND owner, std::vector<Event> newestFirst,
                                        std::function<void(const Event&)> openAlert);

private:
    ReminderListDialog(std::vector<Event> newestFirst, std::function<void(const Event&)> openAlert);
    void onInit() override;
    void onCommand(int id) override;
    bool onNotify(NMHDR& header, LRESULT& answer) override;
    void onDpiChanged() override;
    ListView dueRows() const;
    void fitColumnsToDpi();
    void openSelected();

    std::vector<Event> rows;
    std::function<void(const Event&)> openAlert;
    Snooze::Choice choice = Snooze::FiveMinutes;
};
