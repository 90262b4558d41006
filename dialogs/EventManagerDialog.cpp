#include "EventManagerDialog.h"

#include "EventList.h"
#include "EventManagerDialogRes.h"
#include "EventPropertiesDialog.h"
#include "PictureIds.h"
#include "ReminderApp.h"
#include "ResourceText.h"
#include "StringIds.h"
#include "UniqueHandle.h"
#include "Win32SystemServices.h"
#include "Win32Time.h"

#include <cstdlib>

EventManagerDialog* EventManagerDialog::currentInstance = nullptr;

namespace {

SystemTime localNow()
{
    return Win32SystemServices().localTime();
}

bool readByte(HKEY key, const char* name, BYTE& value)
{
    DWORD type = 0;
    DWORD size = 1;
    return ::RegQueryValueExA(key, name, nullptr, &type, &value, &size) == ERROR_SUCCESS && size == 1;
}

} // namespace

EventManagerDialog::EventManagerDialog()
{
    currentInstance = this;
}

EventManagerDialog::~EventManagerDialog()
{
    if (currentInstance == this)
        currentInstance = nullptr;
}

int EventManagerDialog::show(HINSTANCE moduleInstance, HWND, ReminderApp& application, EventList& list)
{
    if (open) {
        bringToFront();
        return 0;
    }
    app = &application;
    eventList = &list;
    instance = moduleInstance;
    open = true;
    runModal(*this, instance, IDD_EVENT_MANAGER, nullptr);
    open = false;
    ready = false;
    dialog = nullptr;
    return 0;
}

void EventManagerDialog::bringToFront()
{
    if (!dialog)
        return;
    ::SetActiveWindow(dialog);
    ::SetForegroundWindow(dialog);
}

std::string EventManagerDialog::loadText(UINT id) const
{
    return loadResourceText(instance, id);
}

void EventManagerDialog::enableMonthControls(bool enable)
{
    for (const int id : {IDC_MONTH, IDC_YEAR, IDC_YEAR_SPIN})
        ::EnableWindow(::GetDlgItem(dialog, id), enable);
}

void EventManagerDialog::initialise()
{
    ::SendMessageA(dialog, WM_SETICON, ICON_SMALL,
                   reinterpret_cast<LPARAM>(::LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP))));
    const HWND list = ::GetDlgItem(dialog, IDC_EVENT_LIST);
    imageList = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 3, 3);
    for (const int icon : {IDI_APP, IDI_TODAY, IDI_OLD}) {
        const HICON loaded =
            static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(icon), IMAGE_ICON, 16, 16, 0));
        ImageList_AddIcon(imageList, loaded);
        ::DestroyIcon(loaded);
    }
    ListView_SetImageList(list, imageList, LVSIL_SMALL);

    const std::string eventColumn = loadText(IDS_EVENT_COLUMN);
    const std::string dateColumn = loadText(IDS_DATE_COLUMN);
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.fmt = LVCFMT_LEFT;
    column.cx = 250;
    column.pszText = const_cast<char*>(eventColumn.c_str());
    ::SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    column.cx = 200;
    column.pszText = const_cast<char*>(dateColumn.c_str());
    ::SendMessageA(list, LVM_INSERTCOLUMNA, 1, reinterpret_cast<LPARAM>(&column));

    ::CheckRadioButton(dialog, IDC_SHOW_ALL, IDC_SHOW_MONTH, IDC_SHOW_ALL);
    enableMonthControls(false);

    const SystemTime now = localNow();
    ::SendDlgItemMessageA(dialog, IDC_YEAR_SPIN, UDM_SETRANGE32, 1980, 2099);
    ::SendDlgItemMessageA(dialog, IDC_YEAR_SPIN, UDM_SETPOS32, 0, now.wYear);

    for (WORD month = 1; month <= 12; ++month) {
        SYSTEMTIME day{};
        day.wYear = now.wYear;
        day.wMonth = month;
        day.wDay = 1;
        char name[64] = "";
        ::GetDateFormatA(LOCALE_USER_DEFAULT, 0, &day, "MMMM", name, sizeof name);
        ::SendDlgItemMessageA(dialog, IDC_MONTH, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
    ::SendDlgItemMessageA(dialog, IDC_MONTH, CB_SETCURSEL, now.wMonth - 1u, 0);

    HKEY opened = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, settingsKey, 0, KEY_READ, &opened) == ERROR_SUCCESS) {
        const RegistryKey key(opened);
        BYTE value = 0;
        if (readByte(key.get(), "HideOld", value) && value)
            ::CheckDlgButton(dialog, IDC_HIDE_OLD, BST_CHECKED);
        if (readByte(key.get(), "ShowAll", value) && !value) {
            ::CheckRadioButton(dialog, IDC_SHOW_ALL, IDC_SHOW_MONTH, IDC_SHOW_MONTH);
            enableMonthControls(true);
        }
    }
    ready = true;
    refresh();
}

void EventManagerDialog::refresh()
{
    if (!dialog || !eventList)
        return;
    const HWND list = ::GetDlgItem(dialog, IDC_EVENT_LIST);
    EventRows::Filter filter;
    filter.hideOld = ::IsDlgButtonChecked(dialog, IDC_HIDE_OLD) == BST_CHECKED;
    if (::IsDlgButtonChecked(dialog, IDC_SHOW_MONTH) == BST_CHECKED) {
        char year[16] = "";
        ::GetDlgItemTextA(dialog, IDC_YEAR, year, sizeof year);
        filter.year = std::atoi(year);
        const LRESULT month = ::SendDlgItemMessageA(dialog, IDC_MONTH, CB_GETCURSEL, 0, 0);
        filter.month = month == CB_ERR ? 0 : static_cast<int>(month) + 1;
    }
    shownAt = localNow();
    const EventRows rows = EventRows::select(*eventList, filter, shownAt);
    firstShownIndex = rows.firstShownIndex;
    rowCount = rows.count;
    // The selection does not survive a rebuild.
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemCountEx(list, rowCount, 0);
    ::InvalidateRect(list, nullptr, TRUE);
    if (app)
        app->armTimer();
}

void EventManagerDialog::fillRow(NMLVDISPINFOA& info)
{
    LVITEMA& item = info.item;
    if (item.iItem < 0 || item.iItem >= rowCount)
        return;
    const Event& event = (*eventList)[static_cast<std::size_t>(firstShownIndex + item.iItem)];
    if (item.mask & LVIF_IMAGE)
        item.iImage = EventRows::imageOf(event, shownAt);
    if (!(item.mask & LVIF_TEXT))
        return;
    if (item.iSubItem == 0) {
        lstrcpynA(rowText, event.description.c_str(), sizeof rowText);
    } else {
        const SYSTEMTIME when = toWin32Time(event.when);
        char date[256] = "";
        ::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_LONGDATE, &when, nullptr, date, sizeof date);
        std::string text = date;
        if (!event.noTime) {
            char time[256] = "";
            ::GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &when, nullptr, time, sizeof time);
            text += std::string(" - ") + time;
        }
        lstrcpynA(rowText, text.c_str(), sizeof rowText);
    }
    item.pszText = rowText;
}

int EventManagerDialog::selectedRow() const
{
    return ListView_GetNextItem(::GetDlgItem(dialog, IDC_EVENT_LIST), -1, LVNI_SELECTED);
}

void EventManagerDialog::addEvent()
{
    EventPropertiesDialog editor;
    if (editor.show(instance, dialog) == -1)
        return;
    eventList->add(editor.workingEvent());
    refresh();
}

void EventManagerDialog::editEvent()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const auto position = static_cast<std::size_t>(firstShownIndex + row);
    const Event original = (*eventList)[position];
    EventPropertiesDialog editor;
    editor.setEvent(original);
    if (editor.show(instance, dialog) != -1) {
        // A timer tick may have carried events forward meanwhile: the edit
        // goes to the event that was edited, or is added when it is gone.
        const long now = EventRows::locate(*eventList, position, original);
        if (now >= 0)
            eventList->replace(static_cast<std::size_t>(now), editor.workingEvent());
        else
            eventList->add(editor.workingEvent());
    }
    refresh();
}

void EventManagerDialog::removeEvent()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const auto position = static_cast<std::size_t>(firstShownIndex + row);
    if (EventRows::stillToCome((*eventList)[position], localNow())) {
        const int answer = ::MessageBoxA(dialog, loadText(IDS_CONFIRM_REMOVE).c_str(),
                                         loadText(IDS_EVENT_MANAGER).c_str(), MB_YESNO | MB_ICONEXCLAMATION);
        if (answer != IDYES)
            return;
    }
    eventList->remove(position);
    refresh();
}

void EventManagerDialog::closeDialog()
{
    HKEY created = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, settingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                          &created, nullptr) == ERROR_SUCCESS) {
        const RegistryKey key(created);
        const BYTE hideOld = ::IsDlgButtonChecked(dialog, IDC_HIDE_OLD) == BST_CHECKED ? 1 : 0;
        const BYTE showAll = ::IsDlgButtonChecked(dialog, IDC_SHOW_ALL) == BST_CHECKED ? 1 : 0;
        ::RegSetValueExA(key.get(), "HideOld", 0, REG_BINARY, &hideOld, 1);
        ::RegSetValueExA(key.get(), "ShowAll", 0, REG_BINARY, &showAll, 1);
    }
    eventList->save();
    ::EndDialog(dialog, 0);
}

void EventManagerDialog::onCommand(int id)
{
    switch (id) {
    case IDC_MANAGER_CLOSE:
    case IDCANCEL:
        closeDialog();
        break;
    case IDC_ADD:
        addEvent();
        break;
    case IDC_EDIT:
        editEvent();
        break;
    case IDC_REMOVE:
        removeEvent();
        break;
    case IDC_SHOW_ALL:
        enableMonthControls(false);
        refresh();
        break;
    case IDC_SHOW_MONTH:
        enableMonthControls(true);
        refresh();
        break;
    case IDC_HIDE_OLD:
    case IDC_MONTH:
    case IDC_YEAR:
    case IDC_YEAR_SPIN:
        refresh();
        break;
    default:
        break;
    }
}

void EventManagerDialog::onNotify(const NMHDR& header, LPARAM lParam)
{
    if (header.idFrom != IDC_EVENT_LIST)
        return;
    if (header.code == LVN_GETDISPINFOA)
        fillRow(*reinterpret_cast<NMLVDISPINFOA*>(lParam));
    else if (header.code == NM_DBLCLK)
        editEvent();
    else if (header.code == LVN_KEYDOWN && reinterpret_cast<const NMLVKEYDOWN*>(lParam)->wVKey == VK_DELETE)
        removeEvent();
}

void EventManagerDialog::handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        dialog = hwnd;
        initialise();
        break;
    case WM_COMMAND:
        // The controls' notifications while they are being set up wait for
        // the one refresh at the end of it.
        if (ready)
            onCommand(LOWORD(wParam));
        break;
    case WM_NOTIFY:
        onNotify(*reinterpret_cast<const NMHDR*>(lParam), lParam);
        break;
    case WM_CLOSE:
        closeDialog();
        break;
    default:
        break;
    }
}
