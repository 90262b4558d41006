#include "EventPropertiesDialog.h"

#include "AddressBookDialog.h"
#include "Calendar.h"
#include "EarlyRemindersDialog.h"
#include "EventCheck.h"
#include "EventPropertiesDialogRes.h"
#include "PictureIds.h"
#include "RepeatDialog.h"
#include "ResourceText.h"
#include "RuleChoice.h"
#include "StringIds.h"
#include "Win32Time.h"
#include "WordTexts.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

// What may be typed into a text field; a longer text from the file stays
// whole (and may be typed on up to its own length).
constexpr std::size_t typedCapacity = 2047;

} // namespace

EventPropertiesDialog::EventPropertiesDialog(const Event& edited)
    : ModalDialog(IDD_EVENT_PROPERTIES, End::cancelled), event(edited)
{
}

std::optional<Event> EventPropertiesDialog::edit(HINSTANCE moduleInstance, HWND owner, const Event& edited)
{
    EventPropertiesDialog editor(edited);
    if (editor.show(moduleInstance, owner) != End::ok)
        return std::nullopt;
    return editor.event;
}

std::string EventPropertiesDialog::text(int id) const
{
    // Whole, whatever its length: an untouched field must come back byte for byte.
    const HWND field = ::GetDlgItem(window(), id);
    std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(field)) + 1, '\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextA(field, text.data(), static_cast<int>(text.size()))));
    return text;
}

bool EventPropertiesDialog::checked(int id) const
{
    return ::IsDlgButtonChecked(window(), id) == BST_CHECKED;
}

void EventPropertiesDialog::onInit()
{
    const HWND dialog = window();
    setTitleIcon(IDI_TODAY);
    ruleTexts = loadRuleTexts(instance());
    ::SendDlgItemMessageA(dialog, IDC_TIME, DTM_SETFORMATA, 0, reinterpret_cast<LPARAM>("HH.mm"));
    const struct {
        int id;
        const std::string& text;
    } fields[] = {{IDC_PROPERTIES_DESCRIPTION, event.description},
                  {IDC_PROPERTIES_EMAIL_ADDRESS, event.emailAddress},
                  {IDC_PROPERTIES_PROGRAM_PATH, event.programPath},
                  {IDC_PROPERTIES_NOTE, event.note}};
    for (const auto& field : fields)
        ::SendDlgItemMessageA(dialog, field.id, EM_LIMITTEXT, std::max(typedCapacity, field.text.size()), 0);
    fillControls();
}

void EventPropertiesDialog::fillControls()
{
    const HWND dialog = window();
    ::SetDlgItemTextA(dialog, IDC_PROPERTIES_DESCRIPTION, event.description.c_str());
    // A date the pickers refuse (the all-zero date of a new event) leaves
    // them at the present moment, where a new event starts.
    SYSTEMTIME when = toWin32Time(event.when);
    ::SendDlgItemMessageA(dialog, IDC_DATE, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&when));
    ::SendDlgItemMessageA(dialog, IDC_TIME, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&when));

    showRepetition();

    ::CheckDlgButton(dialog, IDC_NO_TIME, event.noTime ? BST_CHECKED : BST_UNCHECKED);
    ::EnableWindow(::GetDlgItem(dialog, IDC_TIME), !event.noTime);
    ::EnableWindow(::GetDlgItem(dialog, IDC_REMIND_1_HOUR), !event.noTime);
    ::CheckDlgButton(dialog, IDC_REMIND_3_DAYS, event.remind3Days ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(dialog, IDC_REMIND_1_DAY, event.remind1Day ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(dialog, IDC_REMIND_1_HOUR, event.remind1Hour ? BST_CHECKED : BST_UNCHECKED);

    ::CheckDlgButton(dialog, IDC_SEND_EMAIL_CHECK, event.sendEmail ? BST_CHECKED : BST_UNCHECKED);
    ::SetDlgItemTextA(dialog, IDC_PROPERTIES_EMAIL_ADDRESS, event.emailAddress.c_str());
    ::EnableWindow(::GetDlgItem(dialog, IDC_PROPERTIES_EMAIL_ADDRESS), event.sendEmail);
    ::EnableWindow(::GetDlgItem(dialog, IDC_SELECT_ADDRESS), event.sendEmail);

    ::CheckDlgButton(dialog, IDC_LAUNCH_PROGRAM_CHECK, event.launchProgram ? BST_CHECKED : BST_UNCHECKED);
    ::SetDlgItemTextA(dialog, IDC_PROPERTIES_PROGRAM_PATH, event.programPath.c_str());
    ::EnableWindow(::GetDlgItem(dialog, IDC_PROPERTIES_PROGRAM_PATH), event.launchProgram);
    ::EnableWindow(::GetDlgItem(dialog, IDC_BROWSE), event.launchProgram);

    ::SetDlgItemTextA(dialog, IDC_PROPERTIES_NOTE, event.note.c_str());
}

void EventPropertiesDialog::showRepetition()
{
    const HWND dialog = window();
    // A rule is none of the five.
    const int frequency = event.frequency >= Once && event.frequency <= Fortnightly ? event.frequency : Once;
    for (int id = IDC_ONCE; id <= IDC_FORTNIGHTLY; ++id) {
        const bool chosen = event.rule.empty() && id == IDC_ONCE + frequency;
        ::CheckDlgButton(dialog, id, chosen ? BST_CHECKED : BST_UNCHECKED);
    }
    ::SetDlgItemTextA(dialog, IDC_PROPERTIES_RULE_WORDS, RuleWords::of(event, ruleTexts).c_str());
}

void EventPropertiesDialog::chooseFrequency(int button)
{
    const auto frequency = static_cast<EventFrequency>(button - IDC_ONCE);
    // The skipped dates belong to the rule or the repetition they were chosen for.
    if (!event.rule.empty() || frequency != event.frequency)
        event.skippedDays.clear();
    event.rule.clear();
    event.frequency = frequency;
    showRepetition();
}

void EventPropertiesDialog::chooseRule()
{
    readControls();
    const long start = dayNumber(event.when);
    const std::optional<RuleChoice> current = RuleChoice::ofEvent(event);
    const std::optional<RuleChoice> chosen =
        RepeatDialog::ask(instance(), window(), current ? *current : RuleChoice::startingOn(start), start, !current);
    if (!chosen)
        return;
    chosen->applyTo(event);
    // The start may have moved onto the rule's first day.
    SYSTEMTIME when = toWin32Time(event.when);
    ::SendDlgItemMessageA(window(), IDC_DATE, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&when));
    showRepetition();
}

void EventPropertiesDialog::chooseEarlyReminders()
{
    readControls();
    if (std::optional<std::vector<std::int32_t>> chosen =
            EarlyRemindersDialog::ask(instance(), window(), event.remindBefore, event.noTime))
        event.remindBefore = std::move(*chosen);
}

void EventPropertiesDialog::readControls()
{
    const HWND dialog = window();
    event.description = text(IDC_PROPERTIES_DESCRIPTION);

    SYSTEMTIME date{}, time{};
    ::SendDlgItemMessageA(dialog, IDC_DATE, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&date));
    ::SendDlgItemMessageA(dialog, IDC_TIME, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time));
    // Hour and minute come from the time picker even when it is not used.
    event.when.wYear = date.wYear;
    event.when.wMonth = date.wMonth;
    event.when.wDayOfWeek = date.wDayOfWeek;
    event.when.wDay = date.wDay;
    event.when.wHour = time.wHour;
    event.when.wMinute = time.wMinute;
    event.when.wSecond = date.wSecond;
    event.when.wMilliseconds = date.wMilliseconds;

    for (int id = IDC_ONCE; id <= IDC_FORTNIGHTLY; ++id) {
        if (checked(id))
            event.frequency = static_cast<EventFrequency>(id - IDC_ONCE);
    }
    event.noTime = checked(IDC_NO_TIME);
    event.remind3Days = checked(IDC_REMIND_3_DAYS);
    event.remind1Day = checked(IDC_REMIND_1_DAY);
    event.remind1Hour = checked(IDC_REMIND_1_HOUR);
    event.sendEmail = checked(IDC_SEND_EMAIL_CHECK);
    event.emailAddress = text(IDC_PROPERTIES_EMAIL_ADDRESS);
    event.launchProgram = checked(IDC_LAUNCH_PROGRAM_CHECK);
    event.programPath = text(IDC_PROPERTIES_PROGRAM_PATH);
    event.note = text(IDC_PROPERTIES_NOTE);
}

void EventPropertiesDialog::complain(unsigned message, int field)
{
    ::MessageBoxA(window(), loadResourceText(instance(), message).c_str(),
                  loadResourceText(instance(), IDS_EVENT_MANAGER).c_str(), MB_OK | MB_ICONEXCLAMATION);
    ::SetFocus(::GetDlgItem(window(), field));
}

bool EventPropertiesDialog::validate()
{
    readControls();
    switch (EventCheck::firstProblem(event)) {
    case EventCheck::Problem::NoDescription:
        complain(IDS_NEED_DESCRIPTION, IDC_PROPERTIES_DESCRIPTION);
        return false;
    case EventCheck::Problem::NoEmailAddress:
        complain(IDS_NEED_EMAIL_ADDRESS, IDC_PROPERTIES_EMAIL_ADDRESS);
        return false;
    case EventCheck::Problem::NoProgramPath:
        complain(IDS_NEED_PROGRAM_PATH, IDC_PROPERTIES_PROGRAM_PATH);
        return false;
    case EventCheck::Problem::None:
        break;
    }
    return true;
}

void EventPropertiesDialog::toggleTime()
{
    const HWND dialog = window();
    // Follows the time picker's state, which every click flips with the box.
    const HWND timePicker = ::GetDlgItem(dialog, IDC_TIME);
    const HWND hourBefore = ::GetDlgItem(dialog, IDC_REMIND_1_HOUR);
    if (::IsWindowEnabled(timePicker)) {
        ::EnableWindow(timePicker, FALSE);
        ::EnableWindow(hourBefore, FALSE);
        ::CheckDlgButton(dialog, IDC_REMIND_1_HOUR, BST_UNCHECKED);
    } else {
        ::EnableWindow(timePicker, TRUE);
        ::EnableWindow(hourBefore, TRUE);
    }
}

void EventPropertiesDialog::toggleField(int field, int button)
{
    const HWND dialog = window();
    const HWND edit = ::GetDlgItem(dialog, field);
    const bool enable = !::IsWindowEnabled(edit);
    ::EnableWindow(edit, enable);
    ::EnableWindow(::GetDlgItem(dialog, button), enable);
    if (enable)
        ::SetFocus(edit);
}

void EventPropertiesDialog::browseProgram()
{
    const HWND dialog = window();
    const std::string filter = EventCheck::programFilter(loadResourceText(instance(), IDS_PROGRAM_FILTER));
    const std::string title = loadResourceText(instance(), IDS_PROGRAM_SELECTION);
    char file[256] = "";
    OPENFILENAMEA request;
    std::memset(&request, 0, sizeof request);
    request.lStructSize = sizeof request;
    request.hwndOwner = dialog;
    request.lpstrFilter = filter.c_str();
    request.nFilterIndex = 1;
    request.lpstrFile = file;
    request.nMaxFile = sizeof file;
    request.lpstrTitle = title.c_str();
    request.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    if (::GetOpenFileNameA(&request))
        ::SetDlgItemTextA(dialog, IDC_PROPERTIES_PROGRAM_PATH, file);
}

void EventPropertiesDialog::selectAddress()
{
    const HWND dialog = window();
    if (const std::optional<std::string> address = AddressBookDialog::pick(instance(), dialog))
        ::SetDlgItemTextA(dialog, IDC_PROPERTIES_EMAIL_ADDRESS, address->c_str());
}

void EventPropertiesDialog::onCommand(int id)
{
    switch (id) {
    case IDC_PROPERTIES_OK:
    case IDOK:
        if (validate())
            end(End::ok);
        break;
    case IDC_PROPERTIES_CANCEL:
        onCancel();
        break;
    case IDC_NO_TIME:
        toggleTime();
        break;
    case IDC_SEND_EMAIL_CHECK:
        toggleField(IDC_PROPERTIES_EMAIL_ADDRESS, IDC_SELECT_ADDRESS);
        break;
    case IDC_LAUNCH_PROGRAM_CHECK:
        toggleField(IDC_PROPERTIES_PROGRAM_PATH, IDC_BROWSE);
        break;
    case IDC_BROWSE:
        browseProgram();
        break;
    case IDC_SELECT_ADDRESS:
        selectAddress();
        break;
    case IDC_ONCE:
    case IDC_DAILY:
    case IDC_WEEKLY:
    case IDC_MONTHLY:
    case IDC_YEARLY:
    case IDC_FORTNIGHTLY:
        chooseFrequency(id);
        break;
    case IDC_PROPERTIES_REPEAT:
        chooseRule();
        break;
    case IDC_PROPERTIES_EARLY:
        chooseEarlyReminders();
        break;
    default:
        break;
    }
}
