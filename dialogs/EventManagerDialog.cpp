#include "EventManagerDialog.h"

#include "EventList.h"
#include "EventEdit.h"
#include "EventManagerDialogRes.h"
#include "EventPropertiesDialog.h"
#include "DisplaySettings.h"
#include "ListView.h"
#include "PictureIds.h"
#include "ResourceText.h"
#include "StringIds.h"
#include "SystemServices.h"
#include "CodePage.h"
#include "WideText.h"
#include "Win32Time.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

EventManagerDialog::EventManagerDialog(EventList& events, SystemServices& clock,
                                       std::function<void(const Event* entered)> onEventsChanged,
                                       std::function<void()> save)
    : ModalDialog(IDD_EVENT_MANAGER, End::closed),
      eventList(events),
      system(clock),
      eventsChanged(std::move(onEventsChanged)),
      saveEvents(std::move(save))
{
}

ModalDialog::End EventManagerDialog::show(HINSTANCE moduleInstance)
{
    // No owner: the manager stands alone on the desktop and can be minimized.
    return ModalDialog::show(moduleInstance, nullptr);
}

void EventManagerDialog::enableMonthControls(bool enable)
{
    for (const int id : {IDC_MONTH, IDC_YEAR, IDC_YEAR_SPIN})
        ::EnableWindow(::GetDlgItem(window(), id), enable);
}

ListView EventManagerDialog::eventRows() const
{
    return ListView(::GetDlgItem(window(), IDC_EVENT_LIST));
}

void EventManagerDialog::fitListToDpi()
{
    const ListView list = eventRows();
    list.setColumnWidths({250, 200});
    // In the order of EventRows' images.
    list.setSmallIcons(instance(), {IDI_APP, IDI_TODAY, IDI_OLD});
}

void EventManagerDialog::onDpiChanged()
{
    fitListToDpi();
}

void EventManagerDialog::onInit()
{
    ready = false;
    const HWND dialog = window();
    setTitleIcon(IDI_APP);
    eventRows().insertColumns(instance(), {IDS_EVENT_COLUMN, IDS_DATE_COLUMN});
    fitListToDpi();

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

    if (DisplaySettings::read("HideOld", 0))
        ::CheckDlgButton(dialog, IDC_HIDE_OLD, BST_CHECKED);
    if (!DisplaySettings::read("ShowAll", 1)) {
        ::CheckRadioButton(dialog, IDC_SHOW_ALL, IDC_SHOW_MONTH, IDC_SHOW_MONTH);
        enableMonthControls(true);
    }
    ready = true;
    refresh();
}

void EventManagerDialog::refresh()
{
    rebuildRows(false);
}

void EventManagerDialog::refreshAfterTick()
{
    rebuildRows(true);
}

void EventManagerDialog::rebuildRows(bool keepSelection)
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
    const EventRows before = shown;
    const bool sameEvents = eventList.version() == shownVersion;
    shownAt = system.localTime();
    shown = EventRows::select(eventList.all(), filter, shownAt);
    shownVersion = eventList.version();
    if (keepSelection && sameEvents && shown.firstShownIndex == before.firstShownIndex &&
        shown.count == before.count) {
        // Only the clock moved: the rows stand for the same events, and the
        // user's selection and scroll position stay. The images may change.
        ::InvalidateRect(list, nullptr, TRUE);
        return;
    }
    // The selection does not survive a rebuild.
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemCountEx(list, shown.count, 0);
    ::InvalidateRect(list, nullptr, TRUE);
}

void EventManagerDialog::fillRow(NMLVDISPINFOA& info)
{
    LVITEMA& item = info.item;
    if (item.iItem < 0 || item.iItem >= shown.count)
        return;
    const Event& event = eventList[static_cast<std::size_t>(shown.firstShownIndex + item.iItem)];
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
    return eventRows().selectedRow();
}

void EventManagerDialog::addEvent()
{
    // Only an explicit, valid OK adds: a quit while the editor is open does not.
    const std::optional<Event> added = EventPropertiesDialog::edit(instance(), window(), Event());
    if (!added)
        return;
    eventList.add(*added);
    refresh();
    eventsChanged(&*added);
}

void EventManagerDialog::editEvent()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const auto position = static_cast<std::size_t>(shown.firstShownIndex + row);
    const Event original = eventList[position];
    const std::optional<Event> edited = EventPropertiesDialog::edit(instance(), window(), original);
    if (!edited) {
        refresh();
        return;
    }
    // A timer tick may have changed the list meanwhile.
    const EventEdit::Change change = EventEdit::place(eventList.all(), position, original, *edited);
    if (change.action == EventEdit::Action::Replace)
        eventList.replace(change.position, change.event);
    else
        eventList.add(change.event);
    refresh();
    eventsChanged(&change.event);
}

void EventManagerDialog::removeEvent()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const auto position = static_cast<std::size_t>(shown.firstShownIndex + row);
    const Event chosen = eventList[position];
    if (EventRows::stillToCome(chosen, system.localTime())) {
        const int answer =
            ::MessageBoxA(window(), loadResourceText(instance(), IDS_CONFIRM_REMOVE).c_str(),
                          loadResourceText(instance(), IDS_EVENT_MANAGER).c_str(), MB_YESNO | MB_ICONEXCLAMATION);
        // A quit ends the question with its default answer: that is no Yes.
        MSG quit;
        if (answer != IDYES || ::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE))
            return;
    }
    // A timer tick while the question was open may have moved the event.
    const long now = EventEdit::locate(eventList.all(), position, chosen);
    if (now < 0)
        return;
    eventList.remove(static_cast<std::size_t>(now));
    refresh();
    eventsChanged(nullptr);
}

int EventManagerDialog::findRow(int start, UINT flags, const std::string& typed) const
{
    if (!(flags & (LVFI_STRING | LVFI_PARTIAL)))
        return -1;
    const bool prefix = (flags & LVFI_PARTIAL) != 0;
    const int typedLength = static_cast<int>(typed.size());
    // The description's first letters, compared as the user's locale does,
    // without regard to case.
    const auto matches = [&](const Event& event) {
        const int length = static_cast<int>(event.description.size());
        if (length < typedLength || (!prefix && length != typedLength))
            return false;
        return ::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, event.description.c_str(), typedLength,
                                typed.c_str(), typedLength) == CSTR_EQUAL;
    };
    return shown.findRow(eventList.all(), start, (flags & LVFI_WRAP) != 0, matches);
}

void EventManagerDialog::closeDialog()
{
    const HWND dialog = window();
    DisplaySettings::write("HideOld", ::IsDlgButtonChecked(dialog, IDC_HIDE_OLD) == BST_CHECKED ? 1 : 0);
    DisplaySettings::write("ShowAll", ::IsDlgButtonChecked(dialog, IDC_SHOW_ALL) == BST_CHECKED ? 1 : 0);
    saveEvents();
    end(End::closed);
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

bool EventManagerDialog::onNotify(NMHDR& header, LRESULT& answer)
{
    if (header.idFrom != IDC_EVENT_LIST)
        return false;
    if (header.code == LVN_GETDISPINFOA) {
        fillRow(reinterpret_cast<NMLVDISPINFOA&>(header));
    } else if (header.code == LVN_ODFINDITEMA) {
        // Unanswered, the list view would take row 0 for a match.
        const auto& request = reinterpret_cast<const NMLVFINDITEMA&>(header);
        answer = findRow(request.iStart, request.lvfi.flags, request.lvfi.psz ? request.lvfi.psz : "");
        return true;
    } else if (header.code == LVN_ODFINDITEMW) {
        // Some list views ask in UTF-16 whatever their parent speaks.
        const auto& request = reinterpret_cast<const NMLVFINDITEMW&>(header);
        const std::wstring typed = request.lvfi.psz ? request.lvfi.psz : L"";
        answer = findRow(request.iStart, request.lvfi.flags, system.codePage().fromUtf8(fromWide(typed)));
        return true;
    } else if (header.code == NM_DBLCLK) {
        editEvent();
    } else if (header.code == LVN_KEYDOWN && reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_DELETE) {
        removeEvent();
    }
    return false;
}
