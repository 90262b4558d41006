#pragma once

#include "Event.h"
#include "ModalDialog.h"
#include "Snooze.h"

#include <functional>
#include <vector>

class ListView;

// The "Reminders" list: what came due all at once (after sleep, a clock set
// forward, a crowded minute), newest first, with each event's date and time,
// description and the actions it asks for. Open shows the chosen event's
// alert, the only place where its actions run, and comes back with that row
// gone; Snooze all brings every row back later; Close ends the list. Ends
// with 0, or with `snoozedAll` and the rows left in remaining().
class ReminderListDialog : public ModalDialog {
public:
    static constexpr INT_PTR snoozedAll = 2;

    // `openAlert` shows one event's alert and returns when it is closed.
    ReminderListDialog(std::vector<Event> newestFirst, std::function<void(const Event&)> openAlert);

    const std::vector<Event>& remaining() const { return rows; }
    Snooze::Choice snoozeChoice() const { return choice; }

private:
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
