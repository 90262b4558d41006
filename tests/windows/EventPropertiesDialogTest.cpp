#include "EventPropertiesDialog.h"
#include "EventPropertiesDialogRes.h"
#include "WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <optional>
#include <string>
#include <vector>

namespace {

const char* const caption = "Event properties ";

bool isChecked(HWND dialog, int id)
{
    return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

bool isEnabled(HWND dialog, int id)
{
    return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE;
}

SYSTEMTIME pickerValue(HWND dialog, int id)
{
    SYSTEMTIME value{};
    ::SendDlgItemMessageA(dialog, id, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&value));
    return value;
}

void click(HWND dialog, int id)
{
    ::SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0);
}

// Presses OK and answers the message box it may bring; gives the box's text
// ("" when none came) and, through `focus`, the control focused afterwards.
std::string pressOk(HWND dialog, int* focus = nullptr)
{
    std::string message;
    whenDialogAppears("Event Manager", [&](HWND box) {
        message = windowText(::GetDlgItem(box, 0xFFFF));
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    }, 1500);
    ::SendMessageA(dialog, WM_COMMAND, IDC_PROPERTIES_OK, 0);
    if (focus)
        *focus = ::GetDlgCtrlID(::GetFocus());
    return message;
}

// Edits `event`; what the editor gives back.
std::optional<Event> run(const Event& event, const std::function<void(HWND)>& steps)
{
    bool seen = false;
    whenDialogAppears(caption, [&](HWND dialog) {
        seen = true;
        steps(dialog);
        if (::IsWindow(dialog))
            ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    std::optional<Event> result = EventPropertiesDialog::edit(::GetModuleHandleA(nullptr), nullptr, event);
    EXPECT_TRUE(seen) << "the editor did not open";
    return result;
}

TEST(EventPropertiesDialog, ANewEventStartsAtThePresentWithNothingChosen)
{
    SYSTEMTIME before{}, date{}, time{};
    std::vector<bool> checks, enabled;
    ::GetLocalTime(&before);
    EXPECT_FALSE(run(Event(), [&](HWND dialog) {
        date = pickerValue(dialog, IDC_DATE);
        time = pickerValue(dialog, IDC_TIME);
        for (int id = IDC_ONCE; id <= IDC_FORTNIGHTLY; ++id)
            checks.push_back(isChecked(dialog, id));
        for (const int id : {IDC_NO_TIME, IDC_REMIND_3_DAYS, IDC_REMIND_1_DAY, IDC_REMIND_1_HOUR,
                             IDC_SEND_EMAIL_CHECK, IDC_LAUNCH_PROGRAM_CHECK})
            checks.push_back(isChecked(dialog, id));
        for (const int id : {IDC_TIME, IDC_REMIND_1_HOUR, IDC_PROPERTIES_EMAIL_ADDRESS, IDC_SELECT_ADDRESS,
                             IDC_PROPERTIES_PROGRAM_PATH, IDC_BROWSE})
            enabled.push_back(isEnabled(dialog, id));
    }));
    EXPECT_EQ(checks, (std::vector<bool>{true, false, false, false, false, false, // only one time
                                         false, false, false, false, false, false}));
    EXPECT_EQ(enabled, (std::vector<bool>{true, true, false, false, false, false}));
    EXPECT_EQ(date.wYear, before.wYear);
    EXPECT_EQ(date.wMonth, before.wMonth);
    EXPECT_EQ(date.wDay, before.wDay);
    EXPECT_EQ(time.wHour * 60 + time.wMinute - (before.wHour * 60 + before.wMinute) <= 1, true);
}

TEST(EventPropertiesDialog, AnEventWithoutTimeOpensWithTheTimeFieldsOff)
{
    Event event;
    event.description = "birthday";
    event.noTime = true;
    event.remind1Day = true;
    event.when = SystemTime{2027, 5, 0, 14, 9, 45, 0, 0};
    bool timeEnabled = true, hourEnabled = true, noTimeChecked = false;
    SYSTEMTIME date{};
    run(event, [&](HWND dialog) {
        timeEnabled = isEnabled(dialog, IDC_TIME);
        hourEnabled = isEnabled(dialog, IDC_REMIND_1_HOUR);
        noTimeChecked = isChecked(dialog, IDC_NO_TIME);
        date = pickerValue(dialog, IDC_DATE);
    });
    EXPECT_FALSE(timeEnabled);
    EXPECT_FALSE(hourEnabled);
    EXPECT_TRUE(noTimeChecked);
    EXPECT_EQ(date.wYear * 10000 + date.wMonth * 100 + date.wDay, 20270514);
}

TEST(EventPropertiesDialog, ChecksOnOkInTheirOrderWithTheFocusOnTheFieldToMend)
{
    std::vector<std::string> messages;
    std::vector<int> focused;
    const std::optional<Event> result = run(Event(), [&](HWND dialog) {
        click(dialog, IDC_SEND_EMAIL_CHECK);
        click(dialog, IDC_LAUNCH_PROGRAM_CHECK);
        int focus = 0;
        messages.push_back(pressOk(dialog, &focus));
        focused.push_back(focus);
        ::SetDlgItemTextA(dialog, IDC_PROPERTIES_DESCRIPTION, "Dentist");
        messages.push_back(pressOk(dialog, &focus));
        focused.push_back(focus);
        ::SetDlgItemTextA(dialog, IDC_PROPERTIES_EMAIL_ADDRESS, "ann@example.org");
        messages.push_back(pressOk(dialog, &focus));
        focused.push_back(focus);
        ::SetDlgItemTextA(dialog, IDC_PROPERTIES_PROGRAM_PATH, "C:\\dentist.exe");
        messages.push_back(pressOk(dialog));
    });
    EXPECT_EQ(messages, (std::vector<std::string>{
                            "You must provide a description of the event!",
                            "If you want to send an e-mail you must provide an e-mail address!",
                            "If you want to launch a program you must provide its path!",
                            "",
                        }));
    EXPECT_EQ(focused, (std::vector<int>{IDC_PROPERTIES_DESCRIPTION, IDC_PROPERTIES_EMAIL_ADDRESS,
                                         IDC_PROPERTIES_PROGRAM_PATH}));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->description, "Dentist");
    EXPECT_EQ(result->emailAddress, "ann@example.org");
    EXPECT_EQ(result->programPath, "C:\\dentist.exe");
    EXPECT_TRUE(result->sendEmail && result->launchProgram);
}

TEST(EventPropertiesDialog, TheToggles)
{
    std::vector<std::string> states;
    run(Event(), [&](HWND dialog) {
        auto state = [&](const char* what) {
            states.push_back(std::string(what) + ": time " + (isEnabled(dialog, IDC_TIME) ? "on" : "off") +
                             ", hour " + (isEnabled(dialog, IDC_REMIND_1_HOUR) ? "on" : "off") +
                             (isChecked(dialog, IDC_REMIND_1_HOUR) ? " ticked" : "") + ", mail " +
                             (isEnabled(dialog, IDC_PROPERTIES_EMAIL_ADDRESS) ? "on" : "off") +
                             (isEnabled(dialog, IDC_SELECT_ADDRESS) ? "+" : "-") + ", program " +
                             (isEnabled(dialog, IDC_PROPERTIES_PROGRAM_PATH) ? "on" : "off") +
                             (isEnabled(dialog, IDC_BROWSE) ? "+" : "-") + ", focus " +
                             std::to_string(::GetDlgCtrlID(::GetFocus())));
        };
        click(dialog, IDC_REMIND_1_HOUR);
        click(dialog, IDC_NO_TIME);
        state("no time");
        click(dialog, IDC_NO_TIME);
        state("time again");
        click(dialog, IDC_SEND_EMAIL_CHECK);
        state("mail");
        click(dialog, IDC_LAUNCH_PROGRAM_CHECK);
        state("program");
        click(dialog, IDC_SEND_EMAIL_CHECK);
        click(dialog, IDC_LAUNCH_PROGRAM_CHECK);
        state("neither");
    });
    EXPECT_EQ(states, (std::vector<std::string>{
                          "no time: time off, hour off, mail off-, program off-, focus 1011",
                          "time again: time on, hour on, mail off-, program off-, focus 1011",
                          "mail: time on, hour on, mail on+, program off-, focus 1015",
                          "program: time on, hour on, mail on+, program on+, focus 1017",
                          "neither: time on, hour on, mail off-, program off-, focus 1016",
                      }));
}

TEST(EventPropertiesDialog, EachRepetitionButtonStoresItsOwnFrequency)
{
    // The screen order differs from the values: the fifth button is monthly.
    for (int id = IDC_ONCE; id <= IDC_FORTNIGHTLY; ++id) {
        SCOPED_TRACE(id);
        Event event;
        event.description = "x";
        event.frequency = Yearly;
        const std::optional<Event> result = run(event, [&](HWND dialog) {
            click(dialog, id);
            pressOk(dialog);
        });
        ASSERT_TRUE(result);
        EXPECT_EQ(result->frequency, id - IDC_ONCE);
    }
}

TEST(EventPropertiesDialog, LongTextsFromTheFileStayWholeAndTypingStopsAt2047)
{
    Event event;
    event.description = std::string(3000, 'd');
    for (int line = 0; event.note.size() < 100000; ++line)
        event.note += "line " + std::to_string(line) + " of a long note, kept byte for byte\r\n";
    event.sendEmail = true;
    event.emailAddress = std::string(2100, 'a');
    event.when = SystemTime{2027, 3, 0, 14, 9, 30, 0, 0};
    const std::optional<Event> result = run(event, [](HWND dialog) {
        // Only the date changes.
        SYSTEMTIME date = pickerValue(dialog, IDC_DATE);
        date.wDay = 15;
        ::SendDlgItemMessageA(dialog, IDC_DATE, DTM_SETSYSTEMTIME, GDT_VALID,
                              reinterpret_cast<LPARAM>(&date));
        pressOk(dialog);
    });
    ASSERT_TRUE(result);
    EXPECT_EQ(result->when.wDay, 15);
    EXPECT_TRUE(result->description == event.description) << "a 3,000-character description";
    EXPECT_TRUE(result->note == event.note) << "a 100,000-character note";
    EXPECT_TRUE(result->emailAddress == event.emailAddress);

    // What the user types is held to 2047 characters, as the design has it.
    const std::optional<Event> fresh = run(Event(), [](HWND dialog) {
        const std::string typed(3000, 't');
        ::SendDlgItemMessageA(dialog, IDC_PROPERTIES_DESCRIPTION, EM_REPLACESEL, TRUE,
                              reinterpret_cast<LPARAM>(typed.c_str()));
        pressOk(dialog);
    });
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->description, std::string(2047, 't'));
}

TEST(EventPropertiesDialog, CancelAndACancelledBrowseChangeNothing)
{
    Event event;
    event.description = "keep";
    event.launchProgram = true;
    event.programPath = "C:\\kept.exe";
    std::string pathAfterBrowse, browseTitle;
    const std::optional<Event> result = run(event, [&](HWND dialog) {
        whenDialogAppears("Program selection", [&](HWND files) {
            browseTitle = windowText(files);
            ::PostMessageA(files, WM_COMMAND, IDCANCEL, 0);
        });
        ::SendMessageA(dialog, WM_COMMAND, IDC_BROWSE, 0);
        pathAfterBrowse = windowText(::GetDlgItem(dialog, IDC_PROPERTIES_PROGRAM_PATH));
        ::SetDlgItemTextA(dialog, IDC_PROPERTIES_DESCRIPTION, "changed, then cancelled");
    });
    EXPECT_FALSE(result);
    EXPECT_EQ(browseTitle, "Program selection");
    EXPECT_EQ(pathAfterBrowse, "C:\\kept.exe");
}

} // namespace
