#include "AlertDialog.h"
#include "AlertDialogRes.h"
#include "ReminderListDialog.h"
#include "ReminderListDialogRes.h"
#include "ReminderTestKit.h"
#include "WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>
#include <vector>

namespace {

const char* const settingsKey = "Software\\Norvask\\Vellumere";

std::vector<std::string> rowsOf(HWND dialog)
{
    const HWND list = ::GetDlgItem(dialog, IDC_REMINDER_LIST);
    std::vector<std::string> rows;
    for (int row = 0; row < ListView_GetItemCount(list); ++row) {
        std::string line;
        for (int column = 0; column < 3; ++column) {
            char text[256] = "";
            ListView_GetItemText(list, row, column, text, sizeof text);
            line += (column ? " | " : "") + std::string(text);
        }
        rows.push_back(line);
    }
    return rows;
}

class SnoozeTest : public testing::Test {
protected:
    void SetUp() override { ::RegDeleteKeyA(HKEY_CURRENT_USER, settingsKey); }
    void TearDown() override { ::RegDeleteKeyA(HKEY_CURRENT_USER, settingsKey); }

    static std::vector<Event> backlog()
    {
        Event mail = timedEvent("newest, mails", 2026, 12, 7, 9, 0);
        mail.sendEmail = true;
        Event both = timedEvent("middle, both", 2026, 12, 6, 18, 30);
        both.sendEmail = both.launchProgram = true;
        return {mail, both, untimedEvent("oldest, nothing", 2026, 12, 5)};
    }
};

TEST_F(SnoozeTest, TheListShowsTheBacklogAndOpensOneAlertAtATime)
{
    std::vector<std::string> shown, afterOpen;
    std::vector<std::string> opened;
    whenDialogAppears("Reminders", [&](HWND dialog) {
        shown = rowsOf(dialog);
        ListView_SetItemState(::GetDlgItem(dialog, IDC_REMINDER_LIST), 1, LVIS_SELECTED, LVIS_SELECTED);
        ::SendMessageA(dialog, WM_COMMAND, IDC_REMINDER_OPEN, 0);
        afterOpen = rowsOf(dialog);
        ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_FALSE(ReminderListDialog::ask(::GetModuleHandleA(nullptr), nullptr, backlog(),
                                         [&](const Event& due) { opened.push_back(due.description); }))
        << "Close";
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_NE(shown[0].find(" | newest, mails | e-mail"), std::string::npos) << shown[0];
    EXPECT_NE(shown[1].find(" | middle, both | e-mail, program"), std::string::npos) << shown[1];
    EXPECT_NE(shown[2].find(" | oldest, nothing | "), std::string::npos) << shown[2];
    EXPECT_EQ(opened, std::vector<std::string>{"middle, both"});
    EXPECT_EQ(afterOpen, (std::vector<std::string>{shown[0], shown[2]})) << "the opened row is gone";

    // What is left after an opening is what Snooze all snoozes.
    whenDialogAppears("Reminders", [&](HWND dialog) {
        ListView_SetItemState(::GetDlgItem(dialog, IDC_REMINDER_LIST), 1, LVIS_SELECTED, LVIS_SELECTED);
        ::SendMessageA(dialog, WM_COMMAND, IDC_REMINDER_OPEN, 0);
        ::PostMessageA(dialog, WM_COMMAND, IDC_REMINDER_SNOOZE_ALL, 0);
    });
    const auto snoozed = ReminderListDialog::ask(::GetModuleHandleA(nullptr), nullptr, backlog(), [](const Event&) {});
    ASSERT_TRUE(snoozed);
    ASSERT_EQ(snoozed->events.size(), 2u);
    EXPECT_EQ(snoozed->events[0].description, "newest, mails");
    EXPECT_EQ(snoozed->events[1].description, "oldest, nothing");
}

TEST_F(SnoozeTest, SnoozeAllAndTheAlertsSnoozeRememberTheChoice)
{
    whenDialogAppears("Reminders", [](HWND dialog) {
        ::SendDlgItemMessageA(dialog, IDC_REMINDER_SNOOZE_CHOICE, CB_SETCURSEL, Snooze::HalfAnHour, 0);
        ::PostMessageA(dialog, WM_COMMAND, IDC_REMINDER_SNOOZE_ALL, 0);
    });
    const auto snoozedAll = ReminderListDialog::ask(::GetModuleHandleA(nullptr), nullptr, backlog(), [](const Event&) {});
    ASSERT_TRUE(snoozedAll);
    EXPECT_EQ(snoozedAll->choice, Snooze::HalfAnHour);
    EXPECT_EQ(snoozedAll->events.size(), 3u);

    // The alert starts on the last choice, and its own snooze is remembered.
    LRESULT startedOn = -1;
    whenDialogAppears("Event alert", [&](HWND dialog) {
        startedOn = ::SendDlgItemMessageA(dialog, IDC_SNOOZE_CHOICE, CB_GETCURSEL, 0, 0);
        ::SendDlgItemMessageA(dialog, IDC_SNOOZE_CHOICE, CB_SETCURSEL, Snooze::Tomorrow, 0);
        ::PostMessageA(dialog, WM_COMMAND, IDC_SNOOZE, 0);
    });
    const AlertDialog::Answer snoozed = AlertDialog::ask(::GetModuleHandleA(nullptr), nullptr, backlog()[1]);
    EXPECT_EQ(snoozed.end, ModalDialog::End::snoozed);
    EXPECT_EQ(startedOn, Snooze::HalfAnHour);
    EXPECT_EQ(snoozed.snoozeFor, Snooze::Tomorrow);

    LRESULT nextStart = -1;
    whenDialogAppears("Event alert", [&](HWND dialog) {
        nextStart = ::SendDlgItemMessageA(dialog, IDC_SNOOZE_CHOICE, CB_GETCURSEL, 0, 0);
        ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(AlertDialog::ask(::GetModuleHandleA(nullptr), nullptr, backlog()[0]).end, ModalDialog::End::cancelled);
    EXPECT_EQ(nextStart, Snooze::Tomorrow);
}

} // namespace
