#include "EventFileWriter.h"
#include "EventManagerDialog.h"
#include "EventManagerDialogRes.h"
#include "EventPropertiesDialogRes.h"
#include "ReminderSchedule.h"
#include "ReminderTestKit.h"
#include "WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

const char* const caption = "Vellumere";
const char* const settingsKey = "Software\\Norvask\\Vellumere";

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

std::vector<std::string> descriptions(const EventList& events)
{
    std::vector<std::string> out;
    for (const Event& event : events)
        out.push_back(event.description);
    return out;
}

void selectRow(HWND manager, int row)
{
    const HWND list = ::GetDlgItem(manager, IDC_EVENT_LIST);
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void pressDeleteOnRow(HWND manager, int row)
{
    selectRow(manager, row);
    ::SendMessageA(::GetDlgItem(manager, IDC_EVENT_LIST), WM_KEYDOWN, VK_DELETE, 0);
}

void click(HWND manager, int id)
{
    ::SendDlgItemMessageA(manager, id, BM_CLICK, 0, 0);
}

// The manager on a list of its own, on a fake disk, with the clock at
// 2026-12-07 12:00:30, a callback that counts the changes it reports, and one
// that saves.
class EventManagerTest : public testing::Test {
protected:
    ReminderTestKit kit;
    int changes = 0;
    EventManagerDialog manager{kit.events, kit.system, [this](const Event*) { ++changes; },
                               [this] { kit.keeper.save(); }};

    void SetUp() override
    {
        ::RegDeleteKeyA(HKEY_CURRENT_USER, settingsKey);
        kit.setClock(SimulatedClock::milliseconds(2026, 12, 7, 12, 0, 30));
        kit.events.add(timedEvent("long ago", 2026, 10, 28, 9, 0));
        kit.events.add(timedEvent("earlier today", 2026, 12, 7, 9, 0));
        kit.events.add(untimedEvent("today, no time", 2026, 12, 7));
        kit.events.add(timedEvent("coming", 2026, 12, 20, 9, 0));
        kit.events.add(timedEvent("much later", 2027, 12, 20, 9, 0));
    }
    void TearDown() override { ::RegDeleteKeyA(HKEY_CURRENT_USER, settingsKey); }

    // Opens the manager, runs `steps` in it, then closes it as the user
    // would, with Close.
    void inManager(const std::function<void(HWND)>& steps)
    {
        bool seen = false;
        whenDialogAppears(caption, [&](HWND window) {
            seen = true;
            steps(window);
            ::PostMessageA(window, WM_COMMAND, IDC_MANAGER_CLOSE, 0);
        });
        EXPECT_EQ(manager.show(::GetModuleHandleA(nullptr)), ModalDialog::End::closed);
        EXPECT_TRUE(seen) << "the manager did not open";
    }

    // Answers the next event editor with `description`, today at 10:00, and
    // OK. (The editor's pickers start at the real clock, not the fake one.)
    static void editorAnswers(const char* description)
    {
        whenDialogAppears("Event properties ", [description](HWND editor) {
            ::SetDlgItemTextA(editor, IDC_PROPERTIES_DESCRIPTION, description);
            SYSTEMTIME tenOClock{2026, 12, 1, 7, 10, 0, 0, 0};
            for (const int picker : {IDC_DATE, IDC_TIME})
                ::SendDlgItemMessageA(editor, picker, DTM_SETSYSTEMTIME, GDT_VALID,
                                      reinterpret_cast<LPARAM>(&tenOClock));
            ::PostMessageA(editor, WM_COMMAND, IDC_PROPERTIES_OK, 0);
        });
    }
};

TEST_F(EventManagerTest, FiltersAndImagesFollowTheClockAndNeverReportAChange)
{
    struct View {
        const char* what;
        std::vector<std::string> rows;
    };
    std::vector<Row> all;
    std::vector<View> views;
    inManager([&](HWND window) {
        all = rowsOf(window);
        click(window, IDC_HIDE_OLD);
        views.push_back({"without old events", descriptions(rowsOf(window))});
        click(window, IDC_HIDE_OLD);
        click(window, IDC_SHOW_MONTH);
        views.push_back({"this month", descriptions(rowsOf(window))});
        ::SetDlgItemTextA(window, IDC_YEAR, "2027");
        views.push_back({"the same month of next year", descriptions(rowsOf(window))});
        ::SetDlgItemTextA(window, IDC_YEAR, "");
        views.push_back({"an emptied year", descriptions(rowsOf(window))});
        click(window, IDC_SHOW_ALL);
        views.push_back({"all again", descriptions(rowsOf(window))});
    });
    const std::vector<std::string> everything{"long ago", "earlier today", "today, no time", "coming", "much later"};
    EXPECT_EQ(descriptions(all), everything);
    const int expectedImages[] = {2, 2, 1, 0, 0}; // old, old, today, ordinary, ordinary
    for (std::size_t i = 0; i < all.size() && i < 5; ++i)
        EXPECT_EQ(all[i].image, expectedImages[i]) << all[i].description;

    const std::vector<View> expected{
        {"without old events", {"today, no time", "coming", "much later"}},
        {"this month", {"earlier today", "today, no time", "coming"}},
        {"the same month of next year", {"much later"}},
        {"an emptied year", everything},
        {"all again", everything},
    };
    ASSERT_EQ(views.size(), expected.size());
    for (std::size_t i = 0; i < views.size(); ++i)
        EXPECT_EQ(views[i].rows, expected[i].rows) << expected[i].what;
    EXPECT_EQ(changes, 0) << "a filter changes no event, so nothing is re-armed";
}

TEST_F(EventManagerTest, AddEditAndRemoveChangeTheListAndReportEachChange)
{
    struct Step {
        const char* what;
        std::vector<std::string> list;
        int changes;
    };
    std::vector<Step> steps;
    std::string question;
    inManager([&](HWND window) {
        editorAnswers("added");
        ::SendMessageA(window, WM_COMMAND, IDC_ADD, 0);
        steps.push_back({"add", descriptions(kit.events), changes});

        whenDialogAppears("Event properties ", [](HWND editor) { ::PostMessageA(editor, WM_COMMAND, IDCANCEL, 0); });
        selectRow(window, 4);
        ::SendMessageA(window, WM_COMMAND, IDC_EDIT, 0);
        steps.push_back({"a cancelled edit", descriptions(kit.events), changes});

        editorAnswers("coming, renamed");
        selectRow(window, 4);
        ::SendMessageA(window, WM_COMMAND, IDC_EDIT, 0);
        steps.push_back({"an edit", descriptions(kit.events), changes});

        // With old events hidden the first row is the first event still shown.
        click(window, IDC_HIDE_OLD);
        whenDialogAppears("Event Manager", [&](HWND box) {
            question = windowText(::GetDlgItem(box, 0xFFFF));
            ::PostMessageA(box, WM_COMMAND, IDYES, 0);
        });
        pressDeleteOnRow(window, 0);
        steps.push_back({"a remove after Yes", descriptions(kit.events), changes});

        whenDialogAppears("Event Manager", [](HWND box) { ::PostMessageA(box, WM_COMMAND, IDNO, 0); });
        pressDeleteOnRow(window, 0);
        steps.push_back({"a remove after No", descriptions(kit.events), changes});

        // An event that is over goes without a question.
        click(window, IDC_HIDE_OLD);
        pressDeleteOnRow(window, 0);
        steps.push_back({"a remove of an old event", descriptions(kit.events), changes});
    });
    // The editor gives 10:00 today: "added" is old, and so is "coming" once
    // it is renamed to that moment.
    const std::vector<Step> expected{
        {"add", {"long ago", "earlier today", "added", "today, no time", "coming", "much later"}, 1},
        {"a cancelled edit", {"long ago", "earlier today", "added", "today, no time", "coming", "much later"}, 1},
        {"an edit", {"long ago", "earlier today", "added", "coming, renamed", "today, no time", "much later"}, 2},
        {"a remove after Yes", {"long ago", "earlier today", "added", "coming, renamed", "much later"}, 3},
        {"a remove after No", {"long ago", "earlier today", "added", "coming, renamed", "much later"}, 3},
        {"a remove of an old event", {"earlier today", "added", "coming, renamed", "much later"}, 4},
    };
    ASSERT_EQ(steps.size(), expected.size());
    for (std::size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(expected[i].what);
        EXPECT_EQ(steps[i].list, expected[i].list);
        EXPECT_EQ(steps[i].changes, expected[i].changes);
    }
    EXPECT_EQ(question, "The selected event will be removed. Are you sure?");
}

TEST_F(EventManagerTest, CloseStoresTheSettingsAndWritesTheFileAndTheNextOpeningReadsThem)
{
    inManager([&](HWND window) {
        click(window, IDC_HIDE_OLD);
        click(window, IDC_SHOW_MONTH);
    });
    BYTE hideOld = 9, showAll = 9;
    DWORD size = 1;
    EXPECT_EQ(::RegGetValueA(HKEY_CURRENT_USER, settingsKey, "HideOld", RRF_RT_REG_BINARY, nullptr, &hideOld, &size),
              ERROR_SUCCESS);
    size = 1;
    EXPECT_EQ(::RegGetValueA(HKEY_CURRENT_USER, settingsKey, "ShowAll", RRF_RT_REG_BINARY, nullptr, &showAll, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(hideOld, 1);
    EXPECT_EQ(showAll, 0);
    EXPECT_EQ(kit.files.files[kit.keeper.path()], EventFileWriter::write(kit.events.all())) << "closing wrote the file";

    bool hideOldShown = false, monthShown = false, monthEnabled = false;
    std::vector<std::string> rows;
    inManager([&](HWND window) {
        hideOldShown = ::IsDlgButtonChecked(window, IDC_HIDE_OLD) == BST_CHECKED;
        monthShown = ::IsDlgButtonChecked(window, IDC_SHOW_MONTH) == BST_CHECKED;
        monthEnabled = ::IsWindowEnabled(::GetDlgItem(window, IDC_MONTH)) != FALSE;
        rows = descriptions(rowsOf(window));
    });
    EXPECT_TRUE(hideOldShown);
    EXPECT_TRUE(monthShown);
    EXPECT_TRUE(monthEnabled);
    EXPECT_EQ(rows, (std::vector<std::string>{"today, no time", "coming"})) << "December 2026, nothing old";
}

TEST_F(EventManagerTest, ASecondOpeningBringsTheFirstForward)
{
    int managers = -1;
    inManager([&](HWND) {
        EXPECT_EQ(manager.show(::GetModuleHandleA(nullptr)), ModalDialog::End::broughtToFront); // at once
        managers = 0;
        for (HWND w = nullptr; (w = ::FindWindowExA(nullptr, w, "#32770", caption));)
            ++managers;
    });
    EXPECT_EQ(managers, 1);
    EXPECT_FALSE(manager.isOpen());
}

// Posted as the run's end is: the nested loops end, and nothing may count as
// an answer. The quit is taken off the queue again for the next tests.
void quitNow()
{
    ::PostQuitMessage(0);
}

bool takeQuit()
{
    MSG quit;
    return ::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

TEST_F(EventManagerTest, AQuitWhileTheEditorOrTheQuestionIsOpenChangesNothing)
{
    const struct {
        const char* what;
        void (*start)(HWND managerWindow);
        const char* caption;
        void (*inThere)(HWND dialog);
    } cases[] = {
        {"Add", [](HWND managerWindow) { ::SendMessageA(managerWindow, WM_COMMAND, IDC_ADD, 0); }, "Event properties ",
         [](HWND) {}},
        {"Edit after a refused OK",
         [](HWND managerWindow) {
             selectRow(managerWindow, 4);
             ::SendMessageA(managerWindow, WM_COMMAND, IDC_EDIT, 0);
         },
         "Event properties ",
         [](HWND editor) {
             ::SetDlgItemTextA(editor, IDC_PROPERTIES_DESCRIPTION, "");
             // The refusal's message box is answered; the editor stays open.
             whenDialogAppears("Event Manager", [](HWND box) { ::PostMessageA(box, WM_COMMAND, IDOK, 0); });
             ::SendMessageA(editor, WM_COMMAND, IDC_PROPERTIES_OK, 0);
         }},
        {"the Remove question", [](HWND managerWindow) { pressDeleteOnRow(managerWindow, 4); }, "Event Manager",
         [](HWND) {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<Event> before = kit.events.all();
        bool reached = false;
        whenDialogAppears(caption, [&](HWND window) {
            whenDialogAppears(c.caption, [&](HWND dialog) {
                reached = true;
                c.inThere(dialog);
                quitNow();
            });
            c.start(window);
        });
        manager.show(::GetModuleHandleA(nullptr));
        EXPECT_TRUE(takeQuit()) << "the quit was passed on";
        EXPECT_TRUE(reached);
        EXPECT_EQ(kit.events.all(), before) << "the list is as it was";
        EXPECT_EQ(changes, 0);
        pumpUntil([] { return ::FindWindowA("#32770", nullptr) == nullptr; }, 2000);
    }
}

TEST_F(EventManagerTest, TypingInTheListGoesToTheNextDescriptionThatStartsSo)
{
    const struct {
        const char* what;
        int selected; // before typing; -1 for none
        WPARAM letter;
        int after;
    } cases[] = {
        {"a prefix, any case", -1, 'C', 3},
        {"from the row after the current one", 0, 'e', 1},
        {"wrapping to the top", 3, 'l', 0},
        {"no match keeps the selection", 2, 'z', 2},
    };
    std::vector<int> selected;
    inManager([&](HWND window) {
        const HWND list = ::GetDlgItem(window, IDC_EVENT_LIST);
        for (const auto& c : cases) {
            ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
            if (c.selected >= 0)
                selectRow(window, c.selected);
            // Each letter a new search: the list view forgets a search after a pause.
            ::Sleep(1100);
            ::SendMessageA(list, WM_CHAR, c.letter, 1); // a repeat count of one, as a key gives
            selected.push_back(ListView_GetNextItem(list, -1, LVNI_SELECTED));
        }
    });
    ASSERT_EQ(selected.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(selected[i], cases[i].after) << cases[i].what;
}

TEST_F(EventManagerTest, ATickWhileTheQuestionOrTheEditorIsOpenMovesNoRowOntoAnotherEvent)
{
    // The tick adds two events before every row, as a catch-up after sleep does.
    const auto tick = [this] {
        kit.events.add(timedEvent("inserted one", 2026, 9, 1, 9, 0));
        kit.events.add(timedEvent("inserted two", 2026, 9, 2, 9, 0));
        manager.refreshAfterTick();
    };
    inManager([&](HWND window) {
        whenDialogAppears("Event Manager", [&](HWND box) {
            tick();
            ::PostMessageA(box, WM_COMMAND, IDYES, 0);
        });
        pressDeleteOnRow(window, 3); // "coming"
        whenDialogAppears("Event properties ", [&](HWND editor) {
            tick();
            ::SetDlgItemTextA(editor, IDC_PROPERTIES_DESCRIPTION, "much later, renamed");
            ::PostMessageA(editor, WM_COMMAND, IDC_PROPERTIES_OK, 0);
        });
        selectRow(window, 5); // "much later", after the first tick
        ::SendMessageA(window, WM_COMMAND, IDC_EDIT, 0);
    });
    std::vector<std::string> left;
    for (const Event& event : kit.events)
        left.push_back(event.description);
    EXPECT_EQ(left, (std::vector<std::string>{"inserted one", "inserted one", "inserted two", "inserted two",
                                              "long ago", "earlier today", "today, no time", "much later, renamed"}));
}

TEST_F(EventManagerTest, AnEditOfADailyEventCarriedForwardMeanwhileLeavesOneSeries)
{
    kit.events.add(timedEvent("stand-up", 2026, 12, 7, 13, 0, Daily));
    inManager([&](HWND window) {
        whenDialogAppears("Event properties ", [&](HWND editor) {
            // The tick while the editor is open carries the series forward.
            ReminderSchedule::catchUpEvents(kit.events, kit.system.now);
            manager.refreshAfterTick();
            SYSTEMTIME later{2026, 12, 1, 7, 14, 30, 0, 0};
            ::SendDlgItemMessageA(editor, IDC_TIME, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&later));
            ::PostMessageA(editor, WM_COMMAND, IDC_PROPERTIES_OK, 0);
        });
        selectRow(window, 2); // today 13:00, between "earlier today" and "today, no time"
        ::SendMessageA(window, WM_COMMAND, IDC_EDIT, 0);
    });
    for (int day = 1; day <= 30; ++day) {
        kit.setClock(SimulatedClock::milliseconds(2026, 12, 7, 12, 0) + day * 86400000LL);
        ReminderSchedule::catchUpEvents(kit.events, kit.system.now);
    }
    std::vector<std::string> standUps;
    int series = 0;
    for (const Event& event : kit.events) {
        if (event.description == "stand-up")
            standUps.push_back(describe(event));
        series += event.repeats() ? 1 : 0;
    }
    EXPECT_EQ(series, 1);
    ASSERT_EQ(standUps.size(), 32u) << "today's, then one a day";
    EXPECT_EQ(standUps[0], "2026-12-07 13:00 stand-up");
    EXPECT_EQ(standUps[1], "2026-12-08 14:30 stand-up");
    EXPECT_EQ(standUps.back(), "2027-01-07 14:30 stand-up (repeats 1)");
}

TEST_F(EventManagerTest, AnErrorInAHandlerIsToldAndTheManagerEndsInOrderKeepingTheEvents)
{
    EventManagerDialog failing{kit.events, kit.system,
                               [](const Event*) { throw std::runtime_error("the timer could not be set"); },
                               [this] { kit.keeper.save(); }};
    std::string told;
    bool toldByTheManager = false;
    bool seen = false;
    whenDialogAppears(caption, [&](HWND window) {
        seen = true;
        whenOwnedDialogAppears(window, [&](HWND box) {
            toldByTheManager = true;
            told = windowText(::GetDlgItem(box, 0xFFFF));
            ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        });
        editorAnswers("added before the error");
        ::PostMessageA(window, WM_COMMAND, IDC_ADD, 0);
    });
    EXPECT_EQ(failing.show(::GetModuleHandleA(nullptr)), ModalDialog::End::closed) << "the manager ended";
    ASSERT_TRUE(seen);
    EXPECT_TRUE(toldByTheManager) << "the message box is owned by the manager";
    EXPECT_EQ(told, "the timer could not be set");
    EXPECT_FALSE(failing.isOpen());
    EXPECT_EQ(kit.events.size(), 6u) << "nothing in memory is lost";
    EXPECT_EQ(kit.files.files[kit.keeper.path()], EventFileWriter::write(kit.events.all()))
        << "the manager ended the way Close ends it: the events are written";
}

} // namespace
