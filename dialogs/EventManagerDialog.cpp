#include "EventManagerDialog.h"

#include "EventList.h"
#include "EventManagerDialogRes.h"
#include "EventPropertiesDialog.h"
#include "EventRows.h"
#include "PictureIds.h"
#include "ResourceText.h"
#include "StringIds.h"
#include "SystemServices.h"
#include "UniqueHandle.h"
#include "Win32Time.h"

#include <cstdlib>
#include <string>
#include <utility>

namespace {

bool readByte(HKEY key, const char* name, BYTE& value)
{
    DWORD type = 0;
    DWORD size = 1;
    return ::RegQueryValueExA(key, name, nullptr, &type, &value, &size) == ERROR_SUCCESS && size == 1;
}

} // namespace

EventManagerDialog::EventManagerDialog(EventList& events, SystemServices& clock, std::function<void()> onEventsChanged,
                                       std::function<void()> save)
    : ModalDialog(IDD_EVENT_MANAGER, 0),
      eventList(events),
      system(clock),
      eventsChanged(std::move(onEventsChanged)),
      saveEvents(std::move(save))
{
}

int EventManagerDialog::show(HINSTANCE moduleInstance)
{
    // No owner: the manager stands alone on the desktop and can be minimized.
    ModalDialog::show(moduleInstance, nullptr);
    return 0;
}

void EventManagerDialog::enableMonthControls(bool enable)
{
    for (const int id : {IDC_MONTH, IDC_YEAR, IDC_YEAR_SPIN})
        ::EnableWindow(::GetDlgItem(window(), id), enable);
}

void EventManagerDialog::onInit()
{
    ready = false;
    const HWND dialog = window();
    ::SendMessageA(dialog, WM_SETICON, ICON_SMALL,
                   reinterpret_cast<LPARAM>(::LoadIconA(instance(), MAKEINTRESOURCEA(IDI_APP))));
    const HWND list = ::GetDlgItem(dialog, IDC_EVENT_LIST);
    ImageListHandle images(ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 3, 3));
    for (const int icon : {IDI_APP, IDI_TODAY, IDI_OLD}) {
        const IconHandle loaded(
            static_cast<HICON>(::LoadImageA(instance(), MAKEINTRESOURCEA(icon), IMAGE_ICON, 16, 16, 0)));
        ImageList_AddIcon(images.get(), loaded.get());
    }
    // The list view owns the image list from here on.
    ListView_SetImageList(list, images.release(), LVSIL_SMALL);

    const std::string eventColumn = loadResourceText(instance(), IDS_EVENT_COLUMN);
    const std::string dateColumn = loadResourceText(instance(), IDS_DATE_COLUMN);
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

    const SystemTime now = system.localTime();
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

    RegistryKey key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, settingsKey, 0, KEY_READ, key.out()) == ERROR_SUCCESS) {
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
    const HWND dialog = window();
    if (!dialog)
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
    shownAt = system.localTime();
    const EventRows rows = EventRows::select(eventList.all(), filter, shownAt);
    firstShownIndex = rows.firstShownIndex;
    rowCount = rows.count;
    // The selection does not survive a rebuild.
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemCountEx(list, rowCount, 0);
    ::InvalidateRect(list, nullptr, TRUE);
}

void EventManagerDialog::fillRow(NMLVDISPINFOA& info)
{
    LVITEMA& item = info.item;
    if (item.iItem < 0 || item.iItem >= rowCount)
        return;
    const Event& event = eventList[static_cast<std::size_t>(firstShownIndex + item.iItem)];
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
    return ListView_GetNextItem(::GetDlgItem(window(), IDC_EVENT_LIST), -1, LVNI_SELECTED);
}

void EventManagerDialog::addEvent()
{
    EventPropertiesDialog editor;
    if (editor.show(instance(), window()) == -1)
        return;
    eventList.add(editor.workingEvent());
    refresh();
    eventsChanged();
}

void EventManagerDialog::editEvent()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const auto position = static_cast<std::size_t>(firstShownIndex + row);
    const Event original = eventList[position];
    EventPropertiesDialog editor;
    editor.setEvent(original);
    const bool changed = editor.show(instance(), window()) != -1;
    if (changed) {
        // A timer tick may have carried events forward meanwhile: the edit
        // goes to the event that was edited, or is added when it is gone.
        const long now = EventRows::locate(eventList.all(), position, original);
        if (now >= 0)
            eventList.replace(static_cast<std::size_t>(now), editor.workingEvent());
        else
            eventList.add(editor.workingEvent());
    }
    refresh();
    if (changed)
        eventsChanged();
}

void EventManagerDialog::removeEvent()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const auto position = static_cast<std::size_t>(firstShownIndex + row);
    if (EventRows::stillToCome(eventList[position], system.localTime())) {
        const int answer =
            ::MessageBoxA(window(), loadResourceText(instance(), IDS_CONFIRM_REMOVE).c_str(),
                          loadResourceText(instance(), IDS_EVENT_MANAGER).c_str(), MB_YESNO | MB_ICONEXCLAMATION);
        if (answer != IDYES)
            return;
    }
    eventList.remove(position);
    refresh();
    eventsChanged();
}

void EventManagerDialog::closeDialog()
{
    const HWND dialog = window();
    RegistryKey key;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, settingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                          key.out(), nullptr) == ERROR_SUCCESS) {
        const BYTE hideOld = ::IsDlgButtonChecked(dialog, IDC_HIDE_OLD) == BST_CHECKED ? 1 : 0;
        const BYTE showAll = ::IsDlgButtonChecked(dialog, IDC_SHOW_ALL) == BST_CHECKED ? 1 : 0;
        ::RegSetValueExA(key.get(), "HideOld", 0, REG_BINARY, &hideOld, 1);
        ::RegSetValueExA(key.get(), "ShowAll", 0, REG_BINARY, &showAll, 1);
    }
    saveEvents();
    end(0);
}

void EventManagerDialog::onCancel()
{
    closeDialog();
}

void EventManagerDialog::onCommand(int id)
{
    // The controls' notifications while they are being set up wait for the
    // one refresh at the end of it.
    if (!ready)
        return;
    switch (id) {
    case IDC_MANAGER_CLOSE:
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

void EventManagerDialog::onNotify(NMHDR& header)
{
    if (header.idFrom != IDC_EVENT_LIST)
        return;
    if (header.code == LVN_GETDISPINFOA)
        fillRow(reinterpret_cast<NMLVDISPINFOA&>(header));
    else if (header.code == NM_DBLCLK)
        editEvent();
    else if (header.code == LVN_KEYDOWN && reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_DELETE)
        removeEvent();
}
