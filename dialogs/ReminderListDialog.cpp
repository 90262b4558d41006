#include "ReminderListDialog.h"

#include "Dpi.h"
#include "PictureIds.h"
#include "ReminderListDialogRes.h"
#include "ResourceText.h"
#include "SnoozeChoiceBox.h"
#include "StringIds.h"
#include "Win32Time.h"

#include <string>
#include <utility>

namespace {

// The design's column widths, for 96 dpi: when, what, and its actions.
const int columnWidths[] = {130, 230, 100};

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
    : ModalDialog(IDD_REMINDER_LIST, 0), rows(std::move(newestFirst)), openAlert(std::move(open))
{
}

void ReminderListDialog::onInit()
{
    setTitleIcon(IDI_TODAY);
    const HWND list = ::GetDlgItem(window(), IDC_REMINDER_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    const int headings[] = {IDS_DATE_COLUMN, IDS_EVENT_COLUMN, IDS_ACTIONS_COLUMN};
    for (int i = 0; i < 3; ++i) {
        const std::string heading = loadResourceText(instance(), static_cast<UINT>(headings[i]));
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_SUBITEM;
        column.pszText = const_cast<char*>(heading.c_str());
        column.iSubItem = i;
        ::SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
    fitColumnsToDpi();

    const std::string email = loadResourceText(instance(), IDS_ACTION_EMAIL);
    const std::string program = loadResourceText(instance(), IDS_ACTION_PROGRAM);
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const Event& event = rows[row];
        std::string actions = event.sendEmail ? email : std::string();
        if (event.launchProgram)
            actions += (actions.empty() ? "" : ", ") + program;
        const std::string texts[] = {whenOf(event), event.description, actions};
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(row);
        item.pszText = const_cast<char*>(texts[0].c_str());
        ::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        for (int column = 1; column < 3; ++column) {
            item.iSubItem = column;
            item.pszText = const_cast<char*>(texts[column].c_str());
            ::SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
        }
    }
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SnoozeChoiceBox::fill(::GetDlgItem(window(), IDC_REMINDER_SNOOZE_CHOICE), instance());
}

void ReminderListDialog::fitColumnsToDpi()
{
    const HWND list = ::GetDlgItem(window(), IDC_REMINDER_LIST);
    const UINT dpi = dpiOf(window());
    for (int column = 0; column < 3; ++column)
        ListView_SetColumnWidth(list, column, scaledForDpi(columnWidths[column], dpi));
}

void ReminderListDialog::onDpiChanged()
{
    fitColumnsToDpi();
}

void ReminderListDialog::openSelected()
{
    const HWND list = ::GetDlgItem(window(), IDC_REMINDER_LIST);
    const int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size())
        return;
    const Event due = rows[static_cast<std::size_t>(row)];
    // The row goes first: whatever the alert's end, this moment is seen.
    rows.erase(rows.begin() + row);
    ListView_DeleteItem(list, row);
    if (rows.empty()) {
        end(0);
    } else {
        const int next = row < static_cast<int>(rows.size()) ? row : row - 1;
        ListView_SetItemState(list, next, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    openAlert(due);
}

void ReminderListDialog::onCommand(int id)
{
    if (id == IDC_REMINDER_OPEN || id == IDOK) {
        openSelected();
    } else if (id == IDC_REMINDER_SNOOZE_ALL) {
        choice = SnoozeChoiceBox::take(::GetDlgItem(window(), IDC_REMINDER_SNOOZE_CHOICE));
        end(snoozedAll);
    }
}

bool ReminderListDialog::onNotify(NMHDR& header, LRESULT&)
{
    if (header.idFrom == IDC_REMINDER_LIST && header.code == NM_DBLCLK)
        openSelected();
    return false;
}
