// The "Repeat" and "Early reminders" dialogs, driven through their controls
// as a user would.

#include "Calendar.h"
#include "EarlyRemindersDialog.h"
#include "EarlyRemindersDialogRes.h"
#include "RepeatDialog.h"
#include "RepeatDialogRes.h"
#include "ReminderTestKit.h"
#include "WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <optional>
#include <string>
#include <vector>

namespace {

void click(HWND dialog, int id)
{
    ::SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0);
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

int rowCount(HWND dialog, int list)
{
    return ListView_GetItemCount(::GetDlgItem(dialog, list));
}

void selectRow(HWND dialog, int list, int row)
{
    ListView_SetItemState(::GetDlgItem(dialog, list), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
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
