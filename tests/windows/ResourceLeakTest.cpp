// Each window of the program opened and closed a few hundred times, as a user
// over months would: afterwards the process holds no more GDI or USER objects
// and no more memory than before.

#include "AboutDialog.h"
#include "AboutDialogRes.h"
#include "AlertDialog.h"
#include "AlertDialogRes.h"
#include "Calendar.h"
#include "EarlyRemindersDialog.h"
#include "EarlyRemindersDialogRes.h"
#include "EventFileWriter.h"
#include "EventManagerDialogRes.h"
#include "EventPropertiesDialog.h"
#include "EventPropertiesDialogRes.h"
#include "ProcessResources.h"
#include "ReminderApp.h"
#include "ReminderTestKit.h"
#include "RepeatDialog.h"
#include "RepeatDialogRes.h"
#include "TemporaryFolder.h"
#include "WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int times = 200;

Event sampleEvent()
{
    Event event = timedEvent("Dentist & check-up", 2027, 3, 14, 9, 30);
    event.note = "Bring the card\r\nSecond floor";
    event.emailAddress = "ann@example.org";
    event.sendEmail = true;
    event.programPath = "C:\\windows\\notepad.exe";
    event.launchProgram = true;
    event.frequency = Yearly;
    return event;
}

// Runs `show`, which shows a dialog modally, and cancels the dialog from
// inside its own loop.
void openAndCancel(const char* caption, const std::function<void()>& show)
{
    bool seen = false;
    whenDialogAppears(caption, [&](HWND window) {
        seen = true;
        ::PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    });
    show();
    ASSERT_TRUE(seen) << caption << " did not appear";
}

TEST(ResourceLeakTest, TheCountsSeeADeliberateLeakAndItsRelease)
{
    const ProcessResources before = ProcessResources::ofThisProcess();
    std::vector<HPEN> pens;
    std::vector<HMENU> menus;
    std::vector<HWND> windows;
    std::vector<std::unique_ptr<char[]>> blocks;
    for (int i = 0; i < 20; ++i) {
        pens.push_back(::CreatePen(PS_SOLID, 1, RGB(i, 0, 0)));
        menus.push_back(::CreatePopupMenu());
        windows.push_back(::CreateWindowA("STATIC", "leak", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                          nullptr));
        // Blocks of a mebibyte: memory that earlier tests gave back to the
        // heap cannot hide them.
        blocks.emplace_back(new char[1024 * 1024]);
        std::fill_n(blocks.back().get(), 1024 * 1024, 'x');
    }
    const ProcessResources leaking = ProcessResources::ofThisProcess();
    for (HPEN pen : pens)
        ::DeleteObject(pen);
    for (HMENU menu : menus)
        ::DestroyMenu(menu);
    for (HWND window : windows)
        ::DestroyWindow(window);
    blocks.clear();
    const ProcessResources after = ProcessResources::ofThisProcess();

    EXPECT_GE(leaking.gdiObjects, before.gdiObjects + 20);
    EXPECT_GE(leaking.userObjects, before.userObjects + 40);
    EXPECT_GE(leaking.heapBytes, before.heapBytes + 20 * 1024 * 1024);
    EXPECT_GE(leaking.privateBytes, before.privateBytes + 10 * 1024 * 1024);
    EXPECT_EQ(after.gdiObjects, before.gdiObjects);
    EXPECT_EQ(after.userObjects, before.userObjects);
}

TEST(ResourceLeakTest, TheAlert)
{
    expectNoResourceGrowth("the alert", times, [] {
        openAndCancel("Event alert",
                      [] { AlertDialog::ask(::GetModuleHandleA(nullptr), nullptr, sampleEvent()); });
    }, bareTemplateGrowth(IDD_ALERT, "Event alert", times));
}

TEST(ResourceLeakTest, TheAboutBox)
{
    expectNoResourceGrowth("the About box", times, [] {
        AboutDialog about;
        openAndCancel("About...", [&] { about.show(::GetModuleHandleA(nullptr), nullptr); });
    }, bareTemplateGrowth(IDD_ABOUT, "About...", times));
}

TEST(ResourceLeakTest, TheEventEditor)
{
    expectNoResourceGrowth("the event editor", times, [] {
        openAndCancel("Event properties ",
                      [] { EventPropertiesDialog::edit(::GetModuleHandleA(nullptr), nullptr, sampleEvent()); });
    }, bareTemplateGrowth(IDD_EVENT_PROPERTIES, "Event properties ", times));
}

TEST(ResourceLeakTest, TheRepeatDialog)
{
    const long start = dayNumber(2027, 3, 14);
    RuleChoice choice = RuleChoice::startingOn(start);
    choice.skippedDays = {start + 28, start + 56};
    expectNoResourceGrowth("the Repeat dialog", times, [&] {
        openAndCancel("Repeat", [&] { RepeatDialog::ask(::GetModuleHandleA(nullptr), nullptr, choice, start, false); });
    }, bareTemplateGrowth(IDD_REPEAT, "Repeat", times));
}

TEST(ResourceLeakTest, TheEarlyRemindersDialog)
{
    expectNoResourceGrowth("the Early reminders dialog", times, [] {
        openAndCancel("Early reminders", [] {
            EarlyRemindersDialog::ask(::GetModuleHandleA(nullptr), nullptr, {15, 1440, 9540}, false);
        });
    }, bareTemplateGrowth(IDD_EARLY_REMINDERS, "Early reminders", times));
}

// The manager and the menu belong to a running application with events of
// its own.
class RunningAppLeakTest : public testing::Test {
protected:
    TemporaryFolder folder;
    std::unique_ptr<ReminderApp> app;

    void SetUp() override
    {
        ::SetEnvironmentVariableA("APPDATA", folder.path("").c_str());
        ::SetEnvironmentVariableA("USERNAME", "leak-user");
        ::CreateDirectoryA(folder.path("Vellumere").c_str(), nullptr);
        std::vector<Event> events;
        for (int i = 0; i < 60; ++i)
            events.push_back(timedEvent(("Event " + std::to_string(i)).c_str(), 2027 + i / 12, 1 + i % 12, 1 + i % 28, 8, 0));
        std::ofstream(folder.path("Vellumere\\leak-user.xml"), std::ios::binary) << EventFileWriter::write(events);
        app = std::make_unique<ReminderApp>();
        ASSERT_EQ(app->loadEvents(), EventStore::Loaded::Read);
        app->start(::GetModuleHandleA(nullptr));
    }
};

TEST_F(RunningAppLeakTest, TheEventManager)
{
    expectNoResourceGrowth("the event manager", times, [&] {
        bool seen = false;
        whenDialogAppears("Vellumere", [&](HWND manager) {
            seen = true;
            ::PostMessageA(manager, WM_COMMAND, IDC_MANAGER_CLOSE, 0);
        });
        app->openEventManager();
        ASSERT_TRUE(seen) << "the manager did not open";
    }, bareTemplateGrowth(IDD_EVENT_MANAGER, "Vellumere", times));
}

TEST_F(RunningAppLeakTest, TheTrayMenu)
{
    expectNoResourceGrowth("the tray menu", times, [&] {
        bool seen = false;
        whenMenuAppears([&](HWND) {
            seen = true;
            ::EndMenu();
        });
        app->showTrayMenu();
        ASSERT_TRUE(seen) << "the menu did not open";
    });
}

} // namespace

