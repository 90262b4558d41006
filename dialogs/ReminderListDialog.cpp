#include "ReminderListDialog.h"

#include "ListView.h"
#include "PictureIds.h"
#include "ReminderListDialogRes.h"
#include "ResourceText.h"
#include "SnoozeChoiceBox.h"
#include "StringIds.h"
#include "Win32Time.h"

#include <string>
#include <utility>

namespace {

std::string whenOf(const Event& event)
{
    const SYSTEMTIME when = toWin32Time(event.when);
    char date[128] = "";
    ::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &when, nullptr, date, sizeof date);
    if (event.noTime)
        return date;
    char time[128] = "";
    ::GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &when, nullptr, time, sizeof time);
    return std::string(date) + " " + time;
}

} // namespace

ReminderListDialog::ReminderListDialog(std::vector<Event> newestFirst, std::function<void(const Event&)> open)
    : ModalDialog(IDD_REMINDER_LIST, End::closed), rows(std::move(newestFirst)), openAlert(std::move(open))
{
}

std::optional<ReminderListDialog::SnoozeAll> ReminderListDialog::ask(HINSTANCE moduleInstance, HWND owner,
                                                                     std::vector<Event> newestFirst,
                                                                     std::function<void(const Event&)> openAlert)
{
    ReminderListDialog list(std::move(newestFirst), std::move(openAlert));
    if (list.show(moduleInstance, owner) != End::snoozed)
        return std::nullopt;
    return SnoozeAll{std::move(list.rows), list.choice};
}

void ReminderListDialog::onInit()
{
    setTitleIcon(IDI_TODAY);
    const ListView list = dueRows();
    ListView_SetExtendedListViewStyle(list.handle(), LVS_EX_FULLROWSELECT);
    list.insertColumns(instance(), {IDS_DATE_COLUMN, IDS_EVENT_COLUMN, IDS_ACTIONS_COLUMN});
    fitColumnsToDpi();

    const std::string email = loadResourceText(instance(), IDS_ACTION_EMAIL);
    const std::string program = loadResourceText(instance(), IDS_ACTION_PROGRAM);
    for (const Event& event : rows) {
        std::string actions = event.sendEmail ? email : std::string();
        if (event.launchProgram)
            actions += (actions.empty() ? "" : ", ") + program;
        list.addRow({whenOf(event), event.description, actions});
    }
    list.select(0);
    SnoozeChoiceBox::fill(::GetDlgItem(window(), IDC_REMINDER_SNOOZE_CHOICE), instance());
}

ListView ReminderListDialog::dueRows() const
{
    return ListView(::GetDlgItem(window(), IDC_REMINDER_LIST));
}

void ReminderListDialog::fitColumnsToDpi()
{
    // When, what, and its actions.
    dueRows().setColumnWidths({130, 230, 100});
}

void ReminderListDialog::onDpiChanged()
{
    fitColumnsToDpi();
}

void ReminderListDialog::openSelected()
{
    const ListView list = dueRows();
    const int row = list.selectedRow();
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size())
        return;
    const Event due = rows[static_cast<std::size_t>(row)];
    // The row goes first: whatever the alert's end, this moment is seen.
    rows.erase(rows.begin() + row);
    ListView_DeleteItem(list.handle(), row);
    if (rows.empty()) {
        end(End::closed);
    } else {
        list.select(row < static_cast<int>(rows.size()) ? row : row - 1);
    }
    openAlert(due);
}

void ReminderListDialog::onCommand(int id)
{
    if (id == IDC_REMINDER_OPEN || id == IDOK) {
        openSelected();
    } else if (id == IDC_REMINDER_SNOOZE_ALL) {
        choice = SnoozeChoiceBox::take(::GetDlgItem(window(), IDC_REMINDER_SNOOZE_CHOICE));
        end(End::snoozed);
    }
}

bool ReminderListDialog::onNotify(NMHDR& header, LRESULT&)
{
    if (header.idFrom == IDC_REMINDER_LIST && header.code == NM_DBLCLK)
        openSelected();
    return false;
}
