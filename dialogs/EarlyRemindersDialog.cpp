#include "EarlyRemindersDialog.h"

#include "EarlyRemindersDialogRes.h"
#include "ListView.h"
#include "PictureIds.h"
#include "ResourceText.h"
#include "StringIds.h"
#include "WordTexts.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <utility>

namespace {

constexpr std::size_t noRow = static_cast<std::size_t>(-1);

} // namespace

EarlyRemindersDialog::EarlyRemindersDialog(std::vector<std::int32_t> chosen, bool withoutTime)
    : ModalDialog(IDD_EARLY_REMINDERS, End::cancelled), reminders(std::move(chosen)), untimed(withoutTime)
{
    std::sort(reminders.begin(), reminders.end());
    reminders.erase(std::unique(reminders.begin(), reminders.end()), reminders.end());
}

std::optional<std::vector<std::int32_t>> EarlyRemindersDialog::ask(HINSTANCE moduleInstance, HWND owner,
                                                                   std::vector<std::int32_t> reminders, bool untimed)
{
    EarlyRemindersDialog dialog(std::move(reminders), untimed);
    if (dialog.show(moduleInstance, owner) != End::ok)
        return std::nullopt;
    return std::move(dialog.reminders);
}

void EarlyRemindersDialog::onInit()
{
    const HWND dialog = window();
    setTitleIcon(IDI_TODAY);
    texts = loadEarlyReminderTexts(instance());

    // An untimed event's reminders are days or weeks before, at a time of day.
    const int firstUnit = untimed ? static_cast<int>(EarlyReminder::Unit::Days) : 0;
    for (int unit = firstUnit; unit < 4; ++unit) {
        const std::string name = loadResourceText(instance(), IDS_UNIT_FIRST + static_cast<UINT>(unit));
        const auto item = ::SendDlgItemMessageA(dialog, IDC_EARLY_UNIT, CB_ADDSTRING, 0,
                                                reinterpret_cast<LPARAM>(name.c_str()));
        ::SendDlgItemMessageA(dialog, IDC_EARLY_UNIT, CB_SETITEMDATA, static_cast<WPARAM>(item), unit);
    }
    ::SendDlgItemMessageA(dialog, IDC_EARLY_NUMBER_SPIN, UDM_SETRANGE32, 1, EarlyReminder::maxNumber);
    ::SendDlgItemMessageA(dialog, IDC_EARLY_AT, DTM_SETFORMATA, 0, reinterpret_cast<LPARAM>("HH:mm"));
    for (const int id : {IDC_EARLY_AT_LABEL, IDC_EARLY_AT})
        ::ShowWindow(::GetDlgItem(dialog, id), untimed ? SW_SHOW : SW_HIDE);

    const ListView list = reminderList();
    ListView_SetExtendedListViewStyle(list.handle(), LVS_EX_FULLROWSELECT);
    list.insertColumns(instance(), {IDS_REMINDER_COLUMN});
    fitColumnToDpi();

    // What is offered first: a day before at nine, or a quarter of an hour.
    EarlyReminder first;
    first.number = untimed ? 1 : 15;
    first.unit = untimed ? EarlyReminder::Unit::Days : EarlyReminder::Unit::Minutes;
    first.atMinute = 9 * 60;
    showFields(first);
    showReminders(noRow);
}

ListView EarlyRemindersDialog::reminderList() const
{
    return ListView(::GetDlgItem(window(), IDC_EARLY_LIST));
}

void EarlyRemindersDialog::fitColumnToDpi()
{
    // The list's width less a scroll bar's.
    reminderList().setColumnWidths({340});
}

void EarlyRemindersDialog::onDpiChanged()
{
    fitColumnToDpi();
}

void EarlyRemindersDialog::showReminders(std::size_t selected)
{
    const ListView list = reminderList();
    ListView_DeleteAllItems(list.handle());
    for (const std::int32_t minutes : reminders)
        list.addRow({EarlyReminder::words(minutes, untimed, texts)});
    if (selected < reminders.size())
        list.select(static_cast<int>(selected));
    enableButtons();
}

void EarlyRemindersDialog::showFields(const EarlyReminder& reminder)
{
    const HWND dialog = window();
    ::SetDlgItemInt(dialog, IDC_EARLY_NUMBER, static_cast<UINT>(reminder.number), FALSE);
    const auto items = ::SendDlgItemMessageA(dialog, IDC_EARLY_UNIT, CB_GETCOUNT, 0, 0);
    for (LRESULT item = 0; item < items; ++item) {
        const auto unit = ::SendDlgItemMessageA(dialog, IDC_EARLY_UNIT, CB_GETITEMDATA, static_cast<WPARAM>(item), 0);
        if (unit == static_cast<LRESULT>(reminder.unit))
            ::SendDlgItemMessageA(dialog, IDC_EARLY_UNIT, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    }
    // Any real date carries the time of day.
    SYSTEMTIME at{2000, 1, 6, 1, static_cast<WORD>(reminder.atMinute / 60), static_cast<WORD>(reminder.atMinute % 60),
                  0, 0};
    ::SendDlgItemMessageA(dialog, IDC_EARLY_AT, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&at));
}

EarlyReminder EarlyRemindersDialog::readFields() const
{
    const HWND dialog = window();
    EarlyReminder reminder;
    BOOL read = FALSE;
    const UINT number = ::GetDlgItemInt(dialog, IDC_EARLY_NUMBER, &read, FALSE);
    // Out of range, as an empty field is.
    reminder.number = read && number <= 99999 ? static_cast<int>(number) : 0;
    const auto item = ::SendDlgItemMessageA(dialog, IDC_EARLY_UNIT, CB_GETCURSEL, 0, 0);
    const auto unit = ::SendDlgItemMessageA(dialog, IDC_EARLY_UNIT, CB_GETITEMDATA, static_cast<WPARAM>(item), 0);
    reminder.unit = static_cast<EarlyReminder::Unit>(std::clamp<LRESULT>(unit, 0, 3));
    SYSTEMTIME at{};
    ::SendDlgItemMessageA(dialog, IDC_EARLY_AT, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&at));
    reminder.atMinute = at.wHour * 60 + at.wMinute;
    return reminder;
}

std::optional<std::int32_t> EarlyRemindersDialog::chosenDistance()
{
    const std::optional<std::int32_t> minutes = readFields().minutesBefore(untimed);
    if (!minutes) {
        ::MessageBoxA(window(), loadResourceText(instance(), IDS_NEED_DISTANCE).c_str(),
                      loadResourceText(instance(), IDS_EVENT_MANAGER).c_str(), MB_OK | MB_ICONEXCLAMATION);
        const HWND field = ::GetDlgItem(window(), IDC_EARLY_NUMBER);
        ::SetFocus(field);
        ::SendMessageA(field, EM_SETSEL, 0, -1);
    }
    return minutes;
}

void EarlyRemindersDialog::add()
{
    if (const std::optional<std::int32_t> minutes = chosenDistance())
        showReminders(EarlyReminder::put(reminders, *minutes));
}

void EarlyRemindersDialog::change()
{
    const int row = reminderList().selectedRow();
    if (row < 0 || static_cast<std::size_t>(row) >= reminders.size())
        return;
    if (const std::optional<std::int32_t> minutes = chosenDistance()) {
        reminders.erase(reminders.begin() + row);
        showReminders(EarlyReminder::put(reminders, *minutes));
    }
}

void EarlyRemindersDialog::remove()
{
    const int row = reminderList().selectedRow();
    if (row < 0 || static_cast<std::size_t>(row) >= reminders.size())
        return;
    reminders.erase(reminders.begin() + row);
    showReminders(std::min(static_cast<std::size_t>(row), reminders.size() - 1));
}

void EarlyRemindersDialog::enableButtons()
{
    const bool selected = reminderList().selectedRow() >= 0;
    for (const int id : {IDC_EARLY_CHANGE, IDC_EARLY_REMOVE})
        ::EnableWindow(::GetDlgItem(window(), id), selected ? TRUE : FALSE);
}

void EarlyRemindersDialog::onCommand(int id)
{
    switch (id) {
    case IDOK:
        end(End::ok);
        break;
    case IDC_EARLY_ADD:
        add();
        break;
    case IDC_EARLY_CHANGE:
        change();
        break;
    case IDC_EARLY_REMOVE:
        remove();
        break;
    default:
        break;
    }
}

bool EarlyRemindersDialog::onNotify(NMHDR& header, LRESULT&)
{
    if (header.idFrom != IDC_EARLY_LIST || header.code != LVN_ITEMCHANGED)
        return false;
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
    // A row just selected shows its distance, to change it from there.
    if ((change.uChanged & LVIF_STATE) && (change.uNewState & LVIS_SELECTED) && !(change.uOldState & LVIS_SELECTED) &&
        change.iItem >= 0 && static_cast<std::size_t>(change.iItem) < reminders.size())
        showFields(EarlyReminder::of(reminders[static_cast<std::size_t>(change.iItem)], untimed));
    enableButtons();
    return false;
}
