// The "Repeat" and "Early reminders" dialogs, on their own and from the event
// editor, driven through their controls as a user would.

#include "Calendar.h"
#include "EarlyRemindersDialog.h"
#include "EarlyRemindersDialogRes.h"
#include "EventPropertiesDialog.h"
#include "EventPropertiesDialogRes.h"
#include "RepeatDialog.h"
#include "RepeatDialogRes.h"
#include "ReminderTestKit.h"
#include "WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

void click(HWND dialog, int id)
{
    ::SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0);
}

bool isChecked(HWND dialog, int id)
{
    return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

bool isEnabled(HWND dialog, int id)
{
    return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE;
}

// Picks item `index` of a drop-down list as a user's choice does, telling the dialog.
void choose(HWND dialog, int combo, int index)
{
    const HWND box = ::GetDlgItem(dialog, combo);
    ::SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(combo, CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
}

void setPicker(HWND dialog, int id, WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0)
{
    SYSTEMTIME value{year, month, 0, day, hour, minute, 0, 0};
    ::SendDlgItemMessageA(dialog, id, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&value));
}

// The date of a picker as YYYYMMDD.
int pickerDate(HWND dialog, int id)
{
    SYSTEMTIME value{};
    ::SendDlgItemMessageA(dialog, id, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&value));
    return value.wYear * 10000 + value.wMonth * 100 + value.wDay;
}

int rowCount(HWND dialog, int list)
{
    return ListView_GetItemCount(::GetDlgItem(dialog, list));
}

void selectRow(HWND dialog, int list, int row)
{
    ListView_SetItemState(::GetDlgItem(dialog, list), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

bool anyRepetitionChecked(HWND editor)
{
    for (int id = IDC_ONCE; id <= IDC_FORTNIGHTLY; ++id) {
        if (isChecked(editor, id))
            return true;
    }
    return false;
}

// Edits `event` in the editor through `steps`, then presses OK.
std::optional<Event> editAndOk(const Event& event, const std::function<void(HWND)>& steps)
{
    bool seen = false;
    whenDialogAppears("Event properties ", [&](HWND editor) {
        seen = true;
        steps(editor);
        ::PostMessageA(editor, WM_COMMAND, IDC_PROPERTIES_OK, 0);
    });
    std::optional<Event> result = EventPropertiesDialog::edit(::GetModuleHandleA(nullptr), nullptr, event);
    EXPECT_TRUE(seen) << "the editor did not open";
    return result;
}

TEST(RepeatDialog, TheSecondTuesdayOfEachMonthUntilADateFromTheEditor)
{
    // Sunday 14 March 2027; the second Tuesday of March was the 9th.
    const Event club = timedEvent("Book club", 2027, 3, 14, 19, 30);
    bool repeatSeen = false, checkedAfter = true;
    int dateAfter = 0;
    std::string wordsAfter;
    const std::optional<Event> result = editAndOk(club, [&](HWND editor) {
        whenDialogAppears("Repeat", [&](HWND repeat) {
            repeatSeen = true;
            choose(repeat, IDC_REPEAT_UNIT, 2); // months
            click(repeat, IDC_REPEAT_ON_WEEKDAY);
            choose(repeat, IDC_REPEAT_WEEK, 1);    // second
            choose(repeat, IDC_REPEAT_WEEKDAY, 1); // Tuesday: the list runs from Monday
            click(repeat, IDC_REPEAT_UNTIL);
            setPicker(repeat, IDC_REPEAT_UNTIL_DATE, 2027, 6, 30);
            ::PostMessageA(repeat, WM_COMMAND, IDOK, 0);
        });
        ::SendMessageA(editor, WM_COMMAND, IDC_PROPERTIES_REPEAT, 0);
        checkedAfter = anyRepetitionChecked(editor);
        dateAfter = pickerDate(editor, IDC_DATE);
        wordsAfter = controlText(editor, IDC_PROPERTIES_RULE_WORDS);
    });
    EXPECT_TRUE(repeatSeen) << "Repeat... opened nothing";
    ASSERT_TRUE(result);
    EXPECT_EQ(result->rule, "FREQ=MONTHLY;BYDAY=2TU;UNTIL=20270630");
    EXPECT_EQ(result->frequency, Once);
    EXPECT_FALSE(checkedAfter) << "a rule is none of the five repetitions";
    EXPECT_FALSE(wordsAfter.empty()) << "the rule is said under them";
    EXPECT_EQ(dateAfter, 20270413) << "the start moves onto the rule";
    EXPECT_EQ(describe(*result), "2027-04-13 19:30 Book club");
}

TEST(RepeatDialog, ChoosingOneOfTheFiveAfterARuleClearsIt)
{
    Event club = timedEvent("Book club", 2027, 4, 13, 19, 30);
    club.rule = "FREQ=MONTHLY;BYDAY=2TU";
    club.skippedDays = {dayNumber(2027, 8, 10)};
    bool checkedBefore = true;
    std::string wordsBefore, wordsAfter = "not read";
    const std::optional<Event> result = editAndOk(club, [&](HWND editor) {
        checkedBefore = anyRepetitionChecked(editor);
        wordsBefore = controlText(editor, IDC_PROPERTIES_RULE_WORDS);
        click(editor, IDC_WEEKLY);
        wordsAfter = controlText(editor, IDC_PROPERTIES_RULE_WORDS);
    });
    EXPECT_FALSE(checkedBefore);
    EXPECT_FALSE(wordsBefore.empty());
    EXPECT_EQ(wordsAfter, "");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->frequency, Weekly);
    EXPECT_EQ(result->rule, "");
    EXPECT_TRUE(result->skippedDays.empty());
}

TEST(RepeatDialog, PartsFollowTheChoiceSkippedDatesAndTheChecksOnOk)
{
    const long sunday = dayNumber(2027, 3, 14);
    std::vector<bool> weekly, daily;
    std::vector<int> rows;
    std::string complaint, replaces;
    bool stillOpen = false;
    whenDialogAppears("Repeat", [&](HWND repeat) {
        replaces = controlText(repeat, IDC_REPEAT_REPLACES);
        for (const int id : {IDC_REPEAT_SUNDAY, IDC_REPEAT_ON_DATE, IDC_REPEAT_UNTIL_DATE, IDC_REPEAT_SKIP_REMOVE})
            weekly.push_back(isEnabled(repeat, id));
        choose(repeat, IDC_REPEAT_UNIT, 0); // days
        click(repeat, IDC_REPEAT_AFTER);
        for (const int id : {IDC_REPEAT_SUNDAY, IDC_REPEAT_COUNT})
            daily.push_back(isEnabled(repeat, id));

        // A date skipped twice is one row; removing it leaves the other.
        setPicker(repeat, IDC_REPEAT_SKIP_DATE, 2027, 5, 2);
        click(repeat, IDC_REPEAT_SKIP_ADD);
        setPicker(repeat, IDC_REPEAT_SKIP_DATE, 2027, 4, 4);
        click(repeat, IDC_REPEAT_SKIP_ADD);
        click(repeat, IDC_REPEAT_SKIP_ADD);
        rows.push_back(rowCount(repeat, IDC_REPEAT_SKIPPED));
        selectRow(repeat, IDC_REPEAT_SKIPPED, 1);
        click(repeat, IDC_REPEAT_SKIP_REMOVE);
        rows.push_back(rowCount(repeat, IDC_REPEAT_SKIPPED));

        ::SetDlgItemTextA(repeat, IDC_REPEAT_COUNT, "0");
        whenOwnedDialogAppears(repeat, [&](HWND box) {
            complaint = windowText(::GetDlgItem(box, 0xFFFF));
            ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        });
        ::SendMessageA(repeat, WM_COMMAND, IDOK, 0);
        stillOpen = ::IsWindow(repeat) && ::GetDlgCtrlID(::GetFocus()) == IDC_REPEAT_COUNT;
        ::SetDlgItemTextA(repeat, IDC_REPEAT_COUNT, "12");
        ::PostMessageA(repeat, WM_COMMAND, IDOK, 0);
    });
    const std::optional<RuleChoice> chosen =
        RepeatDialog::ask(::GetModuleHandleA(nullptr), nullptr, RuleChoice::startingOn(sunday), sunday, true);
    EXPECT_FALSE(replaces.empty()) << "the note that the event's rule is replaced";
    EXPECT_EQ(weekly, (std::vector<bool>{true, false, false, false}));
    EXPECT_EQ(daily, (std::vector<bool>{false, true}));
    EXPECT_EQ(rows, (std::vector<int>{2, 1}));
    EXPECT_FALSE(complaint.empty());
    EXPECT_TRUE(stillOpen) << "a refused count keeps the dialog open, on the count";
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->toRule(), "FREQ=DAILY;COUNT=12");
    EXPECT_EQ(chosen->skippedDays, std::vector<long>{dayNumber(2027, 4, 4)});
}

TEST(EarlyRemindersDialog, AWeekBeforeAtNineFromTheEditorOfAnUntimedEvent)
{
    const Event birthday = untimedEvent("Anna's birthday", 2027, 5, 14, Yearly);
    int units = 0, rows = 0;
    const std::optional<Event> result = editAndOk(birthday, [&](HWND editor) {
        whenDialogAppears("Early reminders", [&](HWND early) {
            units = static_cast<int>(::SendDlgItemMessageA(early, IDC_EARLY_UNIT, CB_GETCOUNT, 0, 0));
            ::SetDlgItemTextA(early, IDC_EARLY_NUMBER, "1");
            choose(early, IDC_EARLY_UNIT, 1); // weeks
            setPicker(early, IDC_EARLY_AT, 2000, 1, 1, 9, 0);
            click(early, IDC_EARLY_ADD);
            rows = rowCount(early, IDC_EARLY_LIST);
            ::PostMessageA(early, WM_COMMAND, IDOK, 0);
        });
        ::SendMessageA(editor, WM_COMMAND, IDC_PROPERTIES_EARLY, 0);
    });
    EXPECT_EQ(units, 2) << "days and weeks only, for an event without a time";
    EXPECT_EQ(rows, 1);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->remindBefore, std::vector<std::int32_t>{7 * 1440 - 9 * 60});
}

TEST(EarlyRemindersDialog, ChangeRemoveAndADistanceTooFar)
{
    std::string complaint;
    whenDialogAppears("Early reminders", [&](HWND early) {
        // The selected day before shows as such; two of them is the change.
        selectRow(early, IDC_EARLY_LIST, 1);
        ::SetDlgItemTextA(early, IDC_EARLY_NUMBER, "2");
        click(early, IDC_EARLY_CHANGE);
        selectRow(early, IDC_EARLY_LIST, 0);
        click(early, IDC_EARLY_REMOVE);
        // 60 weeks is more than the year the file keeps.
        ::SetDlgItemTextA(early, IDC_EARLY_NUMBER, "60");
        choose(early, IDC_EARLY_UNIT, 3); // weeks
        whenOwnedDialogAppears(early, [&](HWND box) {
            complaint = windowText(::GetDlgItem(box, 0xFFFF));
            ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        });
        click(early, IDC_EARLY_ADD);
        ::SetDlgItemTextA(early, IDC_EARLY_NUMBER, "3");
        choose(early, IDC_EARLY_UNIT, 1); // hours
        click(early, IDC_EARLY_ADD);
        ::PostMessageA(early, WM_COMMAND, IDOK, 0);
    });
    const auto chosen = EarlyRemindersDialog::ask(::GetModuleHandleA(nullptr), nullptr, {1440, 15}, false);
    EXPECT_FALSE(complaint.empty());
    ASSERT_TRUE(chosen);
    EXPECT_EQ(*chosen, (std::vector<std::int32_t>{180, 2 * 1440}));
}

} // namespace
