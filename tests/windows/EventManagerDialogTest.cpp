#include "EventFileWriter.h"
#include "EventManagerDialogRes.h"
#include "EventPropertiesDialogRes.h"
#include "ReminderApp.h"
#include "ReminderTestKit.h"
#include "TemporaryFolder.h"
#include "WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

const char* const caption = "Vellumere";

struct Row {
    std::string description;
    int image;
};

std::vector<Row> rowsOf(HWND manager)
{
    const HWND list = ::GetDlgItem(manager, IDC_EVENT_LIST);
    std::vector<Row> rows;
    const int count = ListView_GetItemCount(list);
    for (int i = 0; i < count; ++i) {
        char text[512] = "";
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = i;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        ::SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        rows.push_back({text, item.iImage});
    }
    return rows;
}

std::vector<std::string> descriptions(const std::vector<Row>& rows)
{
    std::vector<std::string> out;
    for (const Row& row : rows)
        out.push_back(row.description);
    return out;
}

void pressDeleteOnRow(HWND manager, int row)
{
    const HWND list = ::GetDlgItem(manager, IDC_EVENT_LIST);
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ::SendMessageA(list, WM_KEYDOWN, VK_DELETE, 0);
}

// An application with its own event file: an old event, two of today (one
// over, one without time) and two to come.
class EventManagerTest : public testing::Test {
protected:
    TemporaryFolder folder;
    std::string file;

    void SetUp() override
    {
        ::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Norvask\\Vellumere");
        ::SetEnvironmentVariableA("APPDATA", folder.path("").c_str());
        ::SetEnvironmentVariableA("USERNAME", "manager-user");
        ::CreateDirectoryA(folder.path("Vellumere").c_str(), nullptr);
        file = folder.path("Vellumere\\manager-user.xml");
        SYSTEMTIME today;
        ::GetLocalTime(&today);
        const auto day = [&](int offset) {
            return SimulatedClock::toSystemTime(SimulatedClock::milliseconds(today.wYear, today.wMonth, today.wDay) +
                                                offset * 86400000LL);
        };
        const SystemTime before = day(-40), now = day(0), after = day(40), later = day(400);
        const int pastHour = today.wHour > 0 ? today.wHour - 1 : -1;
        std::vector<Event> events{timedEvent("long ago", before.wYear, before.wMonth, before.wDay, 9, 0),
                                  untimedEvent("today, no time", now.wYear, now.wMonth, now.wDay),
                                  timedEvent("coming", after.wYear, after.wMonth, after.wDay, 9, 0),
                                  timedEvent("much later", later.wYear, later.wMonth, later.wDay, 9, 0)};
        if (pastHour >= 0)
            events.push_back(timedEvent("earlier today", now.wYear, now.wMonth, now.wDay, pastHour, 0));
        std::ofstream(file, std::ios::binary) << EventFileWriter::write(events);
    }
    void TearDown() override { ::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Norvask\\Vellumere"); }

    // Opens the manager of `app`, runs `steps` in it, then closes it as the
    // user would, with Close.
    void inManager(ReminderApp& app, const std::function<void(HWND)>& steps)
    {
        bool seen = false;
        whenDialogAppears(caption, [&](HWND manager) {
            seen = true;
            steps(manager);
            ::PostMessageA(manager, WM_COMMAND, IDC_MANAGER_CLOSE, 0);
        });
        app.openEventManager();
        EXPECT_TRUE(seen) << "the manager did not open";
    }
};

TEST_F(EventManagerTest, FiltersIconsAndTheRowsOfOldEvents)
{
    ReminderApp app;
    app.start(::GetModuleHandleA(nullptr));
    std::vector<Row> all, withoutOld, thisMonth, emptiedYear;
    inManager(app, [&](HWND manager) {
        all = rowsOf(manager);
        ::SendDlgItemMessageA(manager, IDC_HIDE_OLD, BM_CLICK, 0, 0);
        withoutOld = rowsOf(manager);
        ::SendDlgItemMessageA(manager, IDC_HIDE_OLD, BM_CLICK, 0, 0);
        ::SendDlgItemMessageA(manager, IDC_SHOW_MONTH, BM_CLICK, 0, 0);
        thisMonth = rowsOf(manager);
        ::SetDlgItemTextA(manager, IDC_YEAR, "");
        emptiedYear = rowsOf(manager);
    });
    ASSERT_GE(all.size(), 4u);
    EXPECT_EQ(all.front().description, "long ago");
    EXPECT_EQ(all.front().image, 2) << "old";
    for (const Row& row : all) {
        SCOPED_TRACE(row.description);
        const int expected = row.description == "today, no time" ? 1
                             : row.description == "earlier today" || row.description == "long ago" ? 2
                                                                                                   : 0;
        EXPECT_EQ(row.image, expected);
    }
    EXPECT_EQ(descriptions(withoutOld), (std::vector<std::string>{"today, no time", "coming", "much later"}));
    for (const Row& row : thisMonth) {
        EXPECT_TRUE(row.description != "long ago" && row.description != "much later") << row.description;
    }
    EXPECT_EQ(emptiedYear.size(), all.size()) << "an emptied year shows every event";
}

TEST_F(EventManagerTest, DeleteOnTheFirstRowRemovesTheFirstShownEventAndAsksOnlyForWhatIsToCome)
{
    ReminderApp app;
    app.start(::GetModuleHandleA(nullptr));
    std::string question;
    std::vector<std::string> before, after, afterOld;
    inManager(app, [&](HWND manager) {
        ::SendDlgItemMessageA(manager, IDC_HIDE_OLD, BM_CLICK, 0, 0);
        before = descriptions(rowsOf(manager));
        whenDialogAppears("Event Manager", [&](HWND box) {
            question = windowText(::GetDlgItem(box, 0xFFFF));
            ::PostMessageA(box, WM_COMMAND, IDYES, 0);
        });
        pressDeleteOnRow(manager, 0);
        after = descriptions(rowsOf(manager));
        // An old event goes without a question.
        ::SendDlgItemMessageA(manager, IDC_HIDE_OLD, BM_CLICK, 0, 0);
        pressDeleteOnRow(manager, 0);
        afterOld = descriptions(rowsOf(manager));
    });
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(before.front(), "today, no time");
    EXPECT_EQ(question, "The selected event will be removed. Are you sure?");
    EXPECT_EQ(after, std::vector<std::string>(before.begin() + 1, before.end()));
    ASSERT_FALSE(afterOld.empty());
    EXPECT_NE(afterOld.front(), "long ago");
    for (const Event& event : app.events()) {
        EXPECT_NE(event.description, "today, no time");
        EXPECT_NE(event.description, "long ago");
    }
}

TEST_F(EventManagerTest, CloseStoresTheSettingsAndWritesTheFileAndTheNextOpeningReadsThem)
{
    ReminderApp app;
    app.start(::GetModuleHandleA(nullptr));
    inManager(app, [&](HWND manager) {
        ::SendDlgItemMessageA(manager, IDC_HIDE_OLD, BM_CLICK, 0, 0);
        ::SendDlgItemMessageA(manager, IDC_SHOW_MONTH, BM_CLICK, 0, 0);
        whenDialogAppears("Event properties ", [](HWND editor) {
            ::SetDlgItemTextA(editor, IDC_PROPERTIES_DESCRIPTION, "added in the manager");
            ::PostMessageA(editor, WM_COMMAND, IDC_PROPERTIES_OK, 0);
        });
        ::SendMessageA(manager, WM_COMMAND, IDC_ADD, 0);
    });
    BYTE hideOld = 9, showAll = 9;
    DWORD size = 1;
    EXPECT_EQ(::RegGetValueA(HKEY_CURRENT_USER, "Software\\Norvask\\Vellumere", "HideOld", RRF_RT_REG_BINARY,
                             nullptr, &hideOld, &size),
              ERROR_SUCCESS);
    size = 1;
    EXPECT_EQ(::RegGetValueA(HKEY_CURRENT_USER, "Software\\Norvask\\Vellumere", "ShowAll", RRF_RT_REG_BINARY,
                             nullptr, &showAll, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(hideOld, 1);
    EXPECT_EQ(showAll, 0);
    EXPECT_NE(readWholeFile(file).find("<description>added in the manager</description>"), std::string::npos)
        << "closing wrote the file";

    bool hideOldShown = false, monthShown = false, monthEnabled = false;
    inManager(app, [&](HWND manager) {
        hideOldShown = ::IsDlgButtonChecked(manager, IDC_HIDE_OLD) == BST_CHECKED;
        monthShown = ::IsDlgButtonChecked(manager, IDC_SHOW_MONTH) == BST_CHECKED;
        monthEnabled = ::IsWindowEnabled(::GetDlgItem(manager, IDC_MONTH)) != FALSE;
    });
    EXPECT_TRUE(hideOldShown);
    EXPECT_TRUE(monthShown);
    EXPECT_TRUE(monthEnabled);
}

TEST_F(EventManagerTest, ASecondOpeningBringsTheFirstForward)
{
    ReminderApp app;
    app.start(::GetModuleHandleA(nullptr));
    int managers = -1;
    inManager(app, [&](HWND) {
        app.openEventManager(); // returns at once
        managers = 0;
        for (HWND w = nullptr; (w = ::FindWindowExA(nullptr, w, "#32770", caption));)
            ++managers;
    });
    EXPECT_EQ(managers, 1);
    EXPECT_FALSE(app.manager().isOpen());
}

} // namespace
