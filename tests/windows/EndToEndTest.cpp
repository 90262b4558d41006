// Vellumere and VellumereClose as separate processes, started the way a user's
// desktop starts them.

#include "AlertDialogRes.h"
#include "EarlyRemindersDialogRes.h"
#include "EndToEndFixture.h"
#include "EventManagerDialogRes.h"
#include "EventPropertiesDialogRes.h"
#include "EventFileReader.h"
#include "Windows1252.h"
#include "EventFileWriter.h"
#include "ReminderTestKit.h"
#include "RepeatDialogRes.h"
#include "WindowsTestSupport.h"

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

TEST_F(EndToEndTest, SecondCopyEndsAtOnceAndLeavesTheFirstRunning)
{
    const SYSTEMTIME today = localNow();
    writeEventFile({timedEventOn("Standup", daysFrom(today, 1), 9, 30, Once),
                    timedEventOn("Review", daysFrom(today, 2), 14, 0, Weekly)});

    ChildProcess& first = startVellumere();
    ASSERT_TRUE(first.isStarted()) << "CreateProcess failed: " << first.startError();
    const HWND window = waitForTrayWindow(first);
    ASSERT_NE(window, nullptr) << "Vellumere's window did not appear within " << startLimit << " ms";

    ChildProcess& second = startVellumere();
    ASSERT_TRUE(second.isStarted()) << "CreateProcess failed: " << second.startError();
    ASSERT_TRUE(second.waitForExit(endLimit)) << "the second copy kept running";
    const ULONGLONG secondMilliseconds = ::GetTickCount64() - second.startedAt();
    EXPECT_EQ(second.exitCode(), 0u);
    std::cout << "[ timing   ] second copy ended after " << secondMilliseconds << " ms\n";
    RecordProperty("second_copy_ms", static_cast<int>(secondMilliseconds));

    EXPECT_TRUE(first.isRunning());
    EXPECT_EQ(trayWindow(), window);
    EXPECT_TRUE(::IsWindow(window));
    EXPECT_EQ(countTrayWindows(), 1);
}

TEST_F(EndToEndTest, VellumereCloseEndsItAndTheCaughtUpEventsAreWritten)
{
    const SYSTEMTIME today = localNow();
    // Far from the present hour, so that no occurrence of today comes due
    // while the test runs.
    const int hour = (today.wHour + 12) % 24;

    writeEventFile({timedEventOn("Water the plants", daysFrom(today, -5), hour, 15, Daily),
                    timedEventOn("Team meeting", daysFrom(today, -21), hour, 45, Weekly),
                    timedEventOn("Dentist", daysFrom(today, -10), hour, 30, Once),
                    timedEventOn("Concert", daysFrom(today, 3), hour, 5, Once)});

    // Every past occurrence stays as a one-time event, and so does today's,
    // for a timed event of today is counted with the past; the first one
    // dated after today is the one that still repeats.
    std::vector<Event> expected;
    for (int day = -5; day <= 0; ++day)
        expected.push_back(timedEventOn("Water the plants", daysFrom(today, day), hour, 15, Once));
    expected.push_back(timedEventOn("Water the plants", daysFrom(today, 1), hour, 15, Daily));
    for (int day = -21; day <= 0; day += 7)
        expected.push_back(timedEventOn("Team meeting", daysFrom(today, day), hour, 45, Once));
    expected.push_back(timedEventOn("Team meeting", daysFrom(today, 7), hour, 45, Weekly));
    expected.push_back(timedEventOn("Dentist", daysFrom(today, -10), hour, 30, Once));
    expected.push_back(timedEventOn("Concert", daysFrom(today, 3), hour, 5, Once));
    sortByTime(expected);

    ChildProcess& vellumere = startVellumere();
    ASSERT_TRUE(vellumere.isStarted()) << "CreateProcess failed: " << vellumere.startError();
    ASSERT_NE(waitForTrayWindow(vellumere), nullptr) << "Vellumere's window did not appear";

    auto close = startClose();
    ASSERT_TRUE(close->isStarted()) << "CreateProcess failed: " << close->startError();
    ASSERT_TRUE(close->waitForExit(endLimit)) << "VellumereClose kept running";
    EXPECT_EQ(close->exitCode(), 0u);

    const ULONGLONG closed = ::GetTickCount64();
    ASSERT_TRUE(vellumere.waitForExit(endLimit)) << "Vellumere did not end within " << endLimit << " ms";
    std::cout << "[ timing   ] Vellumere ended " << ::GetTickCount64() - closed
              << " ms after VellumereClose did\n";
    EXPECT_EQ(vellumere.exitCode(), 0u);
    EXPECT_EQ(trayWindow(), nullptr);

    if (dateOf(localNow()) != dateOf(today))
        GTEST_SKIP() << "the date changed while Vellumere ran; its catch-up used either day";

    std::string text = readWholeFile(eventFile());
    const std::string written = text;
    std::vector<Event> events;
    ASSERT_TRUE(EventFileReader::read(text, events, Windows1252())) << written;
    EXPECT_EQ(describeAll(events), describeAll(expected));
    // The whole file, in the writer's exact layout and the list's order.
    EXPECT_EQ(written, EventFileWriter::write(expected));
}

TEST_F(EndToEndTest, VellumereCloseWithNothingRunningEndsAtOnce)
{
    auto close = startClose();
    ASSERT_TRUE(close->isStarted()) << "CreateProcess failed: " << close->startError();
    ASSERT_TRUE(close->waitForExit(10000)) << "VellumereClose kept running with no Vellumere to close";
    const ULONGLONG milliseconds = ::GetTickCount64() - close->startedAt();
    EXPECT_EQ(close->exitCode(), 0u);
    std::cout << "[ timing   ] VellumereClose ended after " << milliseconds << " ms\n";
    RecordProperty("close_ms", static_cast<int>(milliseconds));
}

TEST_F(EndToEndTest, VellumereCloseGivesUpOnACopyThatDoesNotAnswer)
{
    writeEventFile({});
    ChildProcess& vellumere = startVellumere();
    const HWND window = waitForTrayWindow(vellumere);
    ASSERT_NE(window, nullptr) << "Vellumere's window did not appear";
    // A copy that hangs: its one thread stops.
    const DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
    HANDLE hung = ::OpenThread(THREAD_SUSPEND_RESUME, FALSE, thread);
    ASSERT_NE(hung, nullptr);
    ASSERT_NE(::SuspendThread(hung), static_cast<DWORD>(-1));

    auto close = startClose();
    ASSERT_TRUE(close->isStarted()) << "CreateProcess failed: " << close->startError();
    const bool ended = close->waitForExit(45000);
    const ULONGLONG milliseconds = ::GetTickCount64() - close->startedAt();
    ::ResumeThread(hung);
    ::CloseHandle(hung);
    ASSERT_TRUE(ended) << "VellumereClose waited for ever";
    EXPECT_EQ(close->exitCode(), 1u) << "the copy did not answer";
    EXPECT_LE(milliseconds, 35000u) << "30 seconds at most, with room for Wine";
    std::cout << "[ timing   ] VellumereClose gave up after " << milliseconds << " ms\n";
}

TEST_F(EndToEndTest, StartedThroughARelativePathRunAtStartupWritesTheFullPath)
{
    static const char* const runKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, runKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegDeleteValueA(key, "VLM");
    writeEventFile({});

    // As from a command prompt in its folder: "Vellumere.exe".
    const std::string program = withBackslashes(VELLUMERE_EXE);
    const std::string folderOfProgram = program.substr(0, program.find_last_of('\\'));
    char here[MAX_PATH] = "";
    ::GetCurrentDirectoryA(sizeof here, here);
    ::SetCurrentDirectoryA(folderOfProgram.c_str());
    vellumeres.push_back(std::make_unique<ChildProcess>("Vellumere.exe", environment(), folderOfProgram));
    ::SetCurrentDirectoryA(here);
    ChildProcess& vellumere = *vellumeres.back();
    ASSERT_TRUE(vellumere.isStarted()) << "CreateProcess failed: " << vellumere.startError();
    const HWND window = waitForTrayWindow(vellumere);
    ASSERT_NE(window, nullptr) << "Vellumere's window did not appear";

    ASSERT_TRUE(::PostMessageA(window, WM_TRAYNOTIFY, 0, WM_RBUTTONUP));
    ASSERT_TRUE(pumpUntil([&] { return openMenuOf(vellumere.processId()) != nullptr; })) << "no menu opened";
    pressKey('R'); // "Run at startup"
    char data[4096] = "";
    DWORD size = 0;
    pumpUntil([&] {
        size = sizeof data;
        return ::RegQueryValueExA(key, "VLM", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) ==
               ERROR_SUCCESS;
    });
    ::RegDeleteValueA(key, "VLM");
    ::RegCloseKey(key);
    EXPECT_EQ(lowerCase(data), lowerCase("\"" + program + "\""));
}

// Run by its own ctest test, with libfaketime on the Wine processes: the
// file its FAKETIME_TIMESTAMP_FILE names moves the clock of this test and of
// every Vellumere it starts alike.
class MovedClockEndToEndTest : public EndToEndTest {
protected:
    void SetUp() override
    {
        EndToEndTest::SetUp();
        const char* offsetFile = std::getenv("FAKETIME_TIMESTAMP_FILE");
        if (!offsetFile)
            GTEST_SKIP() << "run through ctest, which moves the clock with libfaketime";
        offsetPath = withBackslashes("Z:" + std::string(offsetFile));
        moveClock(0);
    }
    void TearDown() override
    {
        if (!offsetPath.empty())
            moveClock(0);
        EndToEndTest::TearDown();
    }
    // Wall time as the faked clocks see it: `seconds` ahead of the real one.
    void moveClock(std::int64_t seconds)
    {
        std::ofstream(offsetPath, std::ios::binary) << (seconds >= 0 ? "+" : "") << seconds << "\n";
        offset = seconds;
    }
    // Sets the faked clocks to the local time `moment`, and waits until this
    // process sees it. The step is taken in UTC, so that a change of summer
    // time on the way does not shift it.
    bool setClockTo(const SYSTEMTIME& moment)
    {
        SYSTEMTIME now{}, target{};
        ::GetSystemTime(&now);
        ::TzSpecificLocalTimeToSystemTime(nullptr, &moment, &target);
        moveClock(offset + secondOf(target) - secondOf(now));
        return pumpUntil([&] { return std::llabs(secondOf(localNow()) - secondOf(moment)) < 5; }, 10000);
    }
    // Sets the clocks a few seconds before `moment`, tells Vellumere's
    // `window` of the change and waits for what `came` looks for, which must
    // come within `moment`'s minute, not before.
    testing::AssertionResult comesAt(const SYSTEMTIME& moment, HWND window, const std::function<bool()>& came)
    {
        if (!setClockTo(shifted(moment, -3)))
            return testing::AssertionFailure() << "the clock did not move";
        // libfaketime may go on with the old time for some seconds: the news
        // is told again until it came.
        ULONGLONG toldAt = 0;
        SYSTEMTIME seen{};
        const bool appeared = pumpUntil(
            [&] {
                if (::GetTickCount64() - toldAt > 2000) {
                    ::PostMessageA(window, WM_TIMECHANGE, 0, 0);
                    toldAt = ::GetTickCount64();
                }
                const bool there = came();
                seen = localNow(); // read after the look: seen early, it surely was
                return there;
            },
            30000);
        if (!appeared)
            return testing::AssertionFailure() << "nothing came within 30 s of the clock's move";
        if (minuteOf(seen) != minuteOf(moment))
            return testing::AssertionFailure() << "came at " << seen.wHour << ":" << seen.wMinute << ":"
                                               << seen.wSecond << " on day " << seen.wDay;
        return testing::AssertionSuccess();
    }

    std::string offsetPath;
    std::int64_t offset = 0;
};

TEST_F(MovedClockEndToEndTest, ASnoozedAlertComesAgainAtItsMinuteAlsoAfterARestart)
{
    const SYSTEMTIME moment = nextMinuteStart(20000);
    writeEventFile({timedEventOn("Snooze me", moment, moment.wHour, moment.wMinute, Once)});
    ChildProcess& first = startVellumere();
    ASSERT_NE(waitForTrayWindow(first), nullptr) << "Vellumere's window did not appear";
    HWND alert = nullptr;
    ASSERT_TRUE(pumpUntil([&] { return (alert = dialogOf(first.processId(), "Event alert")) != nullptr; }, 90000));
    const std::int64_t snoozedAt = minuteOf(localNow());
    ::SendMessageA(::GetDlgItem(alert, IDC_SNOOZE_CHOICE), CB_SETCURSEL, 0, 0); // "5 minutes"
    ::PostMessageA(alert, WM_COMMAND, IDC_SNOOZE, 0);
    ASSERT_TRUE(pumpUntil([&] { return dialogOf(first.processId(), "Event alert") == nullptr; }));

    // The snooze is in the file at once, so it survives this restart.
    std::vector<Event> saved;
    pumpUntil([&] {
        std::string text = readWholeFile(eventFile());
        saved.clear();
        return EventFileReader::read(text, saved, Windows1252()) && saved.size() == 2;
    });
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(minuteOf(SYSTEMTIME{saved[1].when.wYear, saved[1].when.wMonth, 0, saved[1].when.wDay,
                                  saved[1].when.wHour, saved[1].when.wMinute, 0, 0}),
              snoozedAt + 5);
    endEveryVellumere();
    ChildProcess& second = startVellumere();
    const HWND window = waitForTrayWindow(second);
    ASSERT_NE(window, nullptr) << "Vellumere did not start again";
    // Its start reads the clock after the window is made: the clock moves
    // only once the start is over.
    ::WaitForInputIdle(second.handle(), startLimit);
    EXPECT_EQ(dialogOf(second.processId(), "Event alert"), nullptr) << "not before its minute";

    // Five minutes on: the clock jumps there, and Vellumere is told so.
    const SYSTEMTIME now = localNow();
    const std::int64_t secondsToGo = (snoozedAt + 5 - minuteOf(now)) * 60 - now.wSecond + 2;
    moveClock(secondsToGo);
    // libfaketime may go on with the old time for some seconds: the news is
    // told again until the alert is up.
    ULONGLONG toldAt = 0;
    ASSERT_TRUE(pumpUntil(
        [&] {
            if (::GetTickCount64() - toldAt > 2000) {
                ::PostMessageA(window, WM_TIMECHANGE, 0, 0);
                toldAt = ::GetTickCount64();
            }
            return (alert = dialogOf(second.processId(), "Event alert")) != nullptr;
        },
        30000))
        << "the snoozed alert did not come back";
    EXPECT_EQ(remoteControlText(alert, IDC_DESCRIPTION), "Snooze me");
    ::PostMessageA(alert, WM_COMMAND, IDCANCEL, 0);
}

TEST_F(EndToEndTest, TheAlertComesAtTheEventsMinuteAndOkLaunchesItsProgram)
{
    // Far enough ahead for Vellumere to be running before it begins.
    const SYSTEMTIME moment = nextMinuteStart(8000);
    const std::int64_t momentMinute = minuteOf(moment);

    const std::string program = withBackslashes(CAPTURE_EXE);
    Event event = timedEventOn("Call the garage", moment, moment.wHour, moment.wMinute, Once);
    event.note = "About the winter tyres";
    event.launchProgram = true;
    event.programPath = program;
    writeEventFile({event});

    ChildProcess& vellumere = startVellumere();
    ASSERT_TRUE(vellumere.isStarted()) << "CreateProcess failed: " << vellumere.startError();
    ASSERT_NE(waitForTrayWindow(vellumere), nullptr) << "Vellumere's window did not appear";
    ASSERT_LT(minuteOf(localNow()), momentMinute) << "Vellumere was not running before the event's minute";

    // Until the minute begins the alert must not show; the clock is read
    // after each look, so a dialog seen "early" surely was early.
    HWND dialog = nullptr;
    SYSTEMTIME seen{};
    const bool reachedMinute = pumpUntil(
        [&] {
            dialog = alertDialog();
            seen = localNow();
            if (minuteOf(seen) < momentMinute) {
                EXPECT_EQ(dialog, nullptr) << "the alert showed before its minute, at second " << seen.wSecond;
                return dialog != nullptr || !vellumere.isRunning();
            }
            return true;
        },
        80000);
    ASSERT_TRUE(reachedMinute);
    ASSERT_TRUE(vellumere.isRunning()) << "Vellumere ended before the event's minute";
    if (HasFailure())
        return;

    // Then it must come within that minute.
    const bool appeared = pumpUntil(
        [&] {
            dialog = alertDialog();
            seen = localNow();
            return dialog != nullptr || minuteOf(seen) > momentMinute || !vellumere.isRunning();
        },
        70000);
    ASSERT_TRUE(appeared);
    ASSERT_NE(dialog, nullptr) << "no alert within the event's minute";
    ASSERT_EQ(minuteOf(seen), momentMinute) << "the alert came after its minute was over";
    const int latency = seen.wSecond * 1000 + seen.wMilliseconds;
    std::cout << "[ latency  ] \"Event alert\" appeared " << latency << " ms after its minute began\n";
    RecordProperty("alert_latency_ms", latency);

    DWORD owner = 0;
    ::GetWindowThreadProcessId(dialog, &owner);
    EXPECT_EQ(owner, vellumere.processId());
    // The window exists before its WM_INITDIALOG has filled it in.
    EXPECT_TRUE(pumpUntil([&] { return remoteControlText(dialog, IDC_DESCRIPTION) == "Call the garage"; }))
        << "the alert shows \"" << remoteControlText(dialog, IDC_DESCRIPTION) << "\"";
    EXPECT_EQ(remoteControlText(dialog, IDC_PROGRAM_PATH), program);
    ASSERT_TRUE(::IsWindowEnabled(::GetDlgItem(dialog, IDOK))) << "the alert's OK button is missing or disabled";

    ASSERT_TRUE(::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                               reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK))));
    std::string captured;
    const bool launched = pumpUntil(
        [&] {
            captured = readWholeFile(captureFile());
            return !captured.empty() && captured.back() == '\n';
        },
        startLimit);
    ASSERT_TRUE(launched) << "the event's program did not run after OK";
    std::cout << "[ captured ] " << captured;
    EXPECT_EQ(std::count(captured.begin(), captured.end(), '\n'), 1) << captured;
    EXPECT_NE(lowerCase(captured).find(lowerCase(program)), std::string::npos) << captured;
    EXPECT_NE(lowerCase(captured).find("capture.exe"), std::string::npos) << captured;
    EXPECT_TRUE(pumpUntil([] { return alertDialog() == nullptr; })) << "the alert stayed open after OK";
}

int countAboutBoxes()
{
    int count = 0;
    for (HWND box = nullptr; (box = ::FindWindowExA(nullptr, box, "#32770", "About..."));)
        ++count;
    return count;
}

TEST_F(EndToEndTest, TheTrayMenuOpensOnARightClickAndExitEndsTheRunWithTheFileWritten)
{
    const SYSTEMTIME today = localNow();
    const int hour = (today.wHour + 12) % 24;
    writeEventFile({timedEventOn("Stretch", daysFrom(today, -2), hour, 10, Daily)});

    ChildProcess& vellumere = startVellumere();
    ASSERT_TRUE(vellumere.isStarted()) << "CreateProcess failed: " << vellumere.startError();
    const HWND window = waitForTrayWindow(vellumere);
    ASSERT_NE(window, nullptr) << "Vellumere's window did not appear";

    // Posted, not sent: the menu runs its own loop until it is answered.
    ASSERT_TRUE(::PostMessageA(window, WM_TRAYNOTIFY, 0, WM_RBUTTONUP));
    ASSERT_TRUE(pumpUntil([&] { return openMenuOf(vellumere.processId()) != nullptr; })) << "no menu opened";
    pressKey(VK_UP); // from nothing chosen, up is the last item: "Exit"
    pressKey(VK_RETURN);

    ASSERT_TRUE(vellumere.waitForExit(endLimit)) << "Exit did not end Vellumere";
    EXPECT_EQ(vellumere.exitCode(), 0u);
    EXPECT_EQ(trayWindow(), nullptr);
    if (dateOf(localNow()) != dateOf(today))
        GTEST_SKIP() << "the date changed while Vellumere ran";
    std::string text = readWholeFile(eventFile());
    std::vector<Event> events;
    ASSERT_TRUE(EventFileReader::read(text, events, Windows1252()));
    EXPECT_EQ(events.size(), 4u) << "two past days, today and tomorrow's repeating occurrence";
}

TEST_F(EndToEndTest, AboutChosenTwiceLeavesOneAboutBox)
{
    writeEventFile({});
    ChildProcess& vellumere = startVellumere();
    ASSERT_TRUE(vellumere.isStarted()) << "CreateProcess failed: " << vellumere.startError();
    const HWND window = waitForTrayWindow(vellumere);
    ASSERT_NE(window, nullptr) << "Vellumere's window did not appear";

    for (int time = 1; time <= 2; ++time) {
        SCOPED_TRACE(time);
        ASSERT_TRUE(::PostMessageA(window, WM_TRAYNOTIFY, 0, WM_RBUTTONUP));
        ASSERT_TRUE(pumpUntil([&] { return openMenuOf(vellumere.processId()) != nullptr; })) << "no menu opened";
        pressKey(VK_UP); // the last item but one: "&About..." shares its key
        pressKey(VK_UP);
        pressKey(VK_RETURN);
        ASSERT_TRUE(pumpUntil([&] { return !openMenuOf(vellumere.processId()) && countAboutBoxes() > 0; }))
            << "no About box";
        // A second box would take a moment to appear: give it that moment.
        EXPECT_FALSE(pumpUntil([] { return countAboutBoxes() > 1; }, 1000));
        EXPECT_EQ(countAboutBoxes(), 1);
    }
    const HWND about = ::FindWindowA("#32770", "About...");
    ::PostMessageA(about, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(pumpUntil([] { return countAboutBoxes() == 0; })) << "Close did not end the About box";
}

// Sets a date-time picker of another process: its message takes a pointer,
// which must point into that process.
bool setRemotePicker(HWND picker, DWORD process, const SYSTEMTIME& value)
{
    const HANDLE target = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, process);
    if (!target)
        return false;
    void* remote = ::VirtualAllocEx(target, nullptr, sizeof value, MEM_COMMIT, PAGE_READWRITE);
    bool done = false;
    if (remote && ::WriteProcessMemory(target, remote, &value, sizeof value, nullptr))
        done = ::SendMessageA(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(remote)) != 0;
    if (remote)
        ::VirtualFreeEx(target, remote, 0, MEM_RELEASE);
    ::CloseHandle(target);
    return done;
}

TEST_F(EndToEndTest, AnEventAddedThroughTheManagerIsWrittenAndRemindedAtItsMinute)
{
    writeEventFile({});
    ChildProcess& vellumere = startVellumere();
    ASSERT_TRUE(vellumere.isStarted()) << "CreateProcess failed: " << vellumere.startError();
    const HWND window = waitForTrayWindow(vellumere);
    ASSERT_NE(window, nullptr) << "Vellumere's window did not appear";
    const DWORD process = vellumere.processId();

    ASSERT_TRUE(::PostMessageA(window, WM_TRAYNOTIFY, 0, WM_LBUTTONDBLCLK));
    HWND manager = nullptr;
    ASSERT_TRUE(pumpUntil([&] { return (manager = dialogOf(process, "Vellumere")) != nullptr; }))
        << "a double click did not open the event manager";
    ::PostMessageA(manager, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED), 0);
    HWND editor = nullptr;
    ASSERT_TRUE(pumpUntil([&] { return (editor = dialogOf(process, "Event properties ")) != nullptr; }))
        << "Add did not open the editor";

    // The next minute that leaves time to finish the editing before it.
    const SYSTEMTIME moment = nextMinuteStart(15000);
    ::SendMessageA(::GetDlgItem(editor, IDC_PROPERTIES_DESCRIPTION), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Added end to end"));
    ASSERT_TRUE(setRemotePicker(::GetDlgItem(editor, IDC_DATE), process, moment));
    ASSERT_TRUE(setRemotePicker(::GetDlgItem(editor, IDC_TIME), process, moment));
    ::PostMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_PROPERTIES_OK, BN_CLICKED), 0);
    ASSERT_TRUE(pumpUntil([&] { return dialogOf(process, "Event properties ") == nullptr; })) << "OK refused";
    ::PostMessageA(manager, WM_COMMAND, MAKEWPARAM(IDC_MANAGER_CLOSE, BN_CLICKED), 0);

    std::string text;
    std::vector<Event> events;
    ASSERT_TRUE(pumpUntil([&] {
        text = readWholeFile(eventFile());
        std::string work = text;
        events.clear();
        return EventFileReader::read(work, events, Windows1252()) && events.size() == 1;
    })) << "closing the manager did not write the new event:\n"
        << text;
    EXPECT_EQ(events[0].description, "Added end to end");
    EXPECT_EQ(dateOf(SYSTEMTIME{events[0].when.wYear, events[0].when.wMonth, 0, events[0].when.wDay, 0, 0, 0, 0}),
              dateOf(moment));
    EXPECT_EQ(events[0].when.wHour, moment.wHour);
    EXPECT_EQ(events[0].when.wMinute, moment.wMinute);
    ASSERT_LT(minuteOf(localNow()), minuteOf(moment)) << "the editing took past the event's minute";

    // The manager re-armed the timer: the alert comes at the new event's minute.
    HWND alert = nullptr;
    ASSERT_TRUE(pumpUntil([&] { return (alert = alertDialog()) != nullptr || !vellumere.isRunning(); }, 90000));
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(minuteOf(localNow()), minuteOf(moment));
    ::PostMessageA(alert, WM_COMMAND, IDCANCEL, 0);
}

// The manager of `vellumere`, opened by a double click on the icon.
HWND openManager(HWND window, DWORD process)
{
    ::PostMessageA(window, WM_TRAYNOTIFY, 0, WM_LBUTTONDBLCLK);
    HWND manager = nullptr;
    pumpUntil([&] { return (manager = dialogOf(process, "Vellumere")) != nullptr; });
    return manager;
}

int managerRows(HWND manager)
{
    return static_cast<int>(::SendMessageA(::GetDlgItem(manager, IDC_EVENT_LIST), LVM_GETITEMCOUNT, 0, 0));
}

// Adds an event for tomorrow through the manager's Add and the editor's OK.
bool addThroughEditor(HWND manager, DWORD process, const char* description)
{
    ::PostMessageA(manager, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED), 0);
    HWND editor = nullptr;
    if (!pumpUntil([&] { return (editor = dialogOf(process, "Event properties ")) != nullptr; }))
        return false;
    ::SendMessageA(::GetDlgItem(editor, IDC_PROPERTIES_DESCRIPTION), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(description));
    if (!setRemotePicker(::GetDlgItem(editor, IDC_DATE), process, daysFrom(localNow(), 1)))
        return false;
    ::PostMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_PROPERTIES_OK, BN_CLICKED), 0);
    return pumpUntil([&] { return dialogOf(process, "Event properties ") == nullptr; });
}

std::vector<std::string> descriptionsIn(const std::string& path)
{
    std::string text = readWholeFile(path);
    std::vector<Event> events;
    EventFileReader::read(text, events, Windows1252());
    sortByTime(events);
    return describeAll(events);
}

bool anyFileNamed(const fs::path& folder, const std::string& part)
{
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().find(part) != std::string::npos)
            return true;
    return false;
}

TEST_F(EndToEndTest, AnEventAnotherProgramWritesIntoTheFileIsShownAndReminded)
{
    const SYSTEMTIME today = localNow();
    std::vector<Event> events{timedEventOn("First", daysFrom(today, 2), 9, 0, Once),
                              timedEventOn("Second", daysFrom(today, 3), 9, 0, Once),
                              timedEventOn("Third", daysFrom(today, 4), 9, 0, Once)};
    writeEventFile(events);
    ChildProcess& vellumere = startVellumere();
    const HWND window = waitForTrayWindow(vellumere);
    ASSERT_NE(window, nullptr);
    const HWND manager = openManager(window, vellumere.processId());
    ASSERT_NE(manager, nullptr);
    ASSERT_EQ(managerRows(manager), 3);

    // Written in place in two steps, as a slow writer does: cut, then whole.
    const SYSTEMTIME moment = nextMinuteStart(20000);
    events.push_back(timedEventOn("Written by another program", moment, moment.wHour, moment.wMinute, Once));
    const std::string text = EventFileWriter::write(events);
    std::ofstream(eventFile(), std::ios::binary | std::ios::trunc) << text.substr(0, text.size() / 2);
    ::Sleep(300);
    std::ofstream(eventFile(), std::ios::binary | std::ios::trunc) << text;
    ASSERT_TRUE(pumpUntil([&] { return managerRows(manager) == 4; }, 10000)) << "the manager did not show it";
    EXPECT_FALSE(anyFileNamed(folder / "AppData" / "Vellumere", ".unreadable-")) << "the cut file was taken";

    ::PostMessageA(manager, WM_COMMAND, MAKEWPARAM(IDC_MANAGER_CLOSE, BN_CLICKED), 0);
    HWND alert = nullptr;
    ASSERT_TRUE(pumpUntil([&] { return (alert = alertDialog()) != nullptr || !vellumere.isRunning(); }, 90000));
    ASSERT_NE(alert, nullptr) << "the event that came from outside was not reminded";
    EXPECT_EQ(minuteOf(localNow()), minuteOf(moment));
    std::string shown; // filled in as the dialog initialises
    pumpUntil([&] { return !(shown = remoteControlText(alert, IDC_DESCRIPTION)).empty(); });
    EXPECT_EQ(shown, "Written by another program");
    ::PostMessageA(alert, WM_COMMAND, IDCANCEL, 0);
}

TEST_F(EndToEndTest, AnEventRemovedOutsideStaysRemovedBesideAnAdditionNotYetSaved)
{
    const SYSTEMTIME today = localNow();
    const Event kept = timedEventOn("Kept", daysFrom(today, 2), 9, 0, Once);
    writeEventFile({kept, timedEventOn("Removed elsewhere", daysFrom(today, 3), 9, 0, Once)});
    ChildProcess& vellumere = startVellumere();
    const HWND window = waitForTrayWindow(vellumere);
    ASSERT_NE(window, nullptr);
    const DWORD process = vellumere.processId();
    const HWND manager = openManager(window, process);
    ASSERT_NE(manager, nullptr);
    ASSERT_TRUE(addThroughEditor(manager, process, "Added here"));
    ASSERT_TRUE(pumpUntil([&] { return managerRows(manager) == 3; }));

    // Another program takes one event out, replacing the file in one step.
    const std::string other = eventFile() + ".other";
    std::ofstream(other, std::ios::binary) << EventFileWriter::write({kept});
    ASSERT_TRUE(::MoveFileExA(other.c_str(), eventFile().c_str(), MOVEFILE_REPLACE_EXISTING));
    ASSERT_TRUE(pumpUntil([&] { return managerRows(manager) == 2; }, 10000)) << "the removal did not come in";

    ::PostMessageA(manager, WM_COMMAND, MAKEWPARAM(IDC_MANAGER_CLOSE, BN_CLICKED), 0);
    std::vector<std::string> saved;
    EXPECT_TRUE(pumpUntil([&] {
        saved = descriptionsIn(eventFile());
        return saved.size() == 2;
    }));
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_NE(saved[0].find("Added here"), std::string::npos);
    EXPECT_NE(saved[1].find("Kept"), std::string::npos);
}

TEST_F(EndToEndTest, AnOlderSaveOfARepeatingEventFromAnotherCopyDoesNotDoubleIt)
{
    const SYSTEMTIME today = localNow();
    const int hour = (today.wHour + 12) % 24; // no occurrence comes due while the test runs
    const auto pills = [&](int day, EventFrequency frequency) {
        return timedEventOn("Pills", daysFrom(today, day), hour, 0, frequency);
    };
    writeEventFile({pills(-6, Daily)});
    ChildProcess& vellumere = startVellumere(); // carries the series forward in memory, unsaved
    const HWND window = waitForTrayWindow(vellumere);
    ASSERT_NE(window, nullptr);
    const HWND manager = openManager(window, vellumere.processId());
    ASSERT_NE(manager, nullptr);
    const int rows = managerRows(manager);

    // A laptop that carried the series forward three days ago saves its
    // version (and one event of its own) into the shared file.
    const Event laptops = timedEventOn("Added on the laptop", daysFrom(today, 5), 9, 0, Once);
    const std::string other = eventFile() + ".other";
    std::ofstream(other, std::ios::binary)
        << EventFileWriter::write({pills(-6, Once), pills(-5, Once), pills(-4, Once), pills(-3, Daily), laptops});
    ASSERT_TRUE(::MoveFileExA(other.c_str(), eventFile().c_str(), MOVEFILE_REPLACE_EXISTING));
    ASSERT_TRUE(pumpUntil([&] { return managerRows(manager) != rows; }, 10000)) << "the laptop's save did not come in";
    ::PostMessageA(manager, WM_COMMAND, MAKEWPARAM(IDC_MANAGER_CLOSE, BN_CLICKED), 0);

    auto close = startClose();
    ASSERT_TRUE(close->waitForExit(endLimit));
    ASSERT_TRUE(vellumere.waitForExit(endLimit));
    if (dateOf(localNow()) != dateOf(today))
        GTEST_SKIP() << "the date changed while Vellumere ran";
    std::vector<Event> expected{laptops};
    for (int day = -6; day <= 0; ++day)
        expected.push_back(pills(day, Once));
    expected.push_back(pills(1, Daily));
    sortByTime(expected);
    std::string text = readWholeFile(eventFile());
    std::vector<Event> saved;
    ASSERT_TRUE(EventFileReader::read(text, saved, Windows1252()));
    EXPECT_EQ(describeAll(saved), describeAll(expected)) << "one series, each past occurrence once";
}

// A dialog of `process` opened by posting `command` to `from`, waited for.
HWND openFrom(HWND from, int command, DWORD process, const char* caption)
{
    ::PostMessageA(from, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
    HWND dialog = nullptr;
    pumpUntil([&] { return (dialog = dialogOf(process, caption)) != nullptr; });
    return dialog;
}

// Presses `command` of `dialog`, which must then close.
bool closeWith(HWND dialog, int command)
{
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
    return pumpUntil([&] { return !::IsWindowVisible(dialog); });
}

// The button's own click, so a radio button or box also takes its state.
void clickRemote(HWND dialog, int id)
{
    ::SendMessageTimeoutA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
}

// Item `index` of a drop-down list, chosen as a user's choice is, telling the dialog.
void chooseRemote(HWND dialog, int id, int index)
{
    const HWND box = ::GetDlgItem(dialog, id);
    ::SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
}

void setRemoteText(HWND dialog, int id, const char* text)
{
    ::SendMessageA(::GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

SYSTEMTIME atTime(SYSTEMTIME date, int hour, int minute)
{
    date.wHour = static_cast<WORD>(hour);
    date.wMinute = static_cast<WORD>(minute);
    date.wSecond = date.wMilliseconds = 0;
    return date;
}

// The second Tuesday on or after `date`, by the system's calendar.
SYSTEMTIME secondTuesdayFrom(const SYSTEMTIME& date)
{
    SYSTEMTIME first = date;
    first.wDay = 1;
    first = shifted(first, 0); // with its day of the week
    const SYSTEMTIME second = daysFrom(first, (2 - first.wDayOfWeek + 7) % 7 + 7);
    return second.wDay >= date.wDay ? second : secondTuesdayFrom(daysFrom(first, 31)); // into the next month
}

// The text of the balloon the notification area shows, if one shows: a
// tooltip of the shell's, which answers WM_GETTEXT with what it shows.
std::string balloonText()
{
    for (HWND tip = nullptr; (tip = ::FindWindowExA(nullptr, tip, TOOLTIPS_CLASSA, nullptr));) {
        if (::IsWindowVisible(tip) && (::GetWindowLongA(tip, GWL_STYLE) & TTS_BALLOON))
            return remoteText(tip);
    }
    return "";
}

TEST_F(MovedClockEndToEndTest, ARuleAndAnEarlyReminderMadeInTheEditorComeAtTheirMomentsAfterARestart)
{
    const SYSTEMTIME start = atTime(daysFrom(localNow(), 1), 10, 30);
    const SYSTEMTIME first = secondTuesdayFrom(start);
    const SYSTEMTIME second = secondTuesdayFrom(daysFrom(first, 1));
    const SYSTEMTIME until = daysFrom(second, 7); // before a third
    const SYSTEMTIME birthday = daysFrom(second, 10);
    const SYSTEMTIME alertAt = atTime(second, 10, 30);
    const SYSTEMTIME balloonAt = atTime(daysFrom(birthday, -7), 9, 0);

    writeEventFile({});
    ChildProcess& editing = startVellumere();
    const HWND editingWindow = waitForTrayWindow(editing);
    ASSERT_NE(editingWindow, nullptr) << "Vellumere's window did not appear";
    const DWORD process = editing.processId();
    const HWND manager = openManager(editingWindow, process);
    ASSERT_NE(manager, nullptr);

    // A timed event on the second Tuesday of each month until a date.
    HWND editor = openFrom(manager, IDC_ADD, process, "Event properties ");
    ASSERT_NE(editor, nullptr) << "Add did not open the editor";
    setRemoteText(editor, IDC_PROPERTIES_DESCRIPTION, "Book club");
    ASSERT_TRUE(setRemotePicker(::GetDlgItem(editor, IDC_DATE), process, start));
    ASSERT_TRUE(setRemotePicker(::GetDlgItem(editor, IDC_TIME), process, start));
    const HWND repeat = openFrom(editor, IDC_PROPERTIES_REPEAT, process, "Repeat");
    ASSERT_NE(repeat, nullptr) << "Repeat... opened nothing";
    chooseRemote(repeat, IDC_REPEAT_UNIT, 2); // months
    clickRemote(repeat, IDC_REPEAT_ON_WEEKDAY);
    chooseRemote(repeat, IDC_REPEAT_WEEK, 1);    // second
    chooseRemote(repeat, IDC_REPEAT_WEEKDAY, 1); // Tuesday: the list runs from Monday
    clickRemote(repeat, IDC_REPEAT_UNTIL);
    ASSERT_TRUE(setRemotePicker(::GetDlgItem(repeat, IDC_REPEAT_UNTIL_DATE), process, until));
    ASSERT_TRUE(closeWith(repeat, IDOK)) << "the rule was refused";
    ASSERT_TRUE(closeWith(editor, IDC_PROPERTIES_OK));

    // A birthday, without a time, reminded a week before at 09:00.
    editor = openFrom(manager, IDC_ADD, process, "Event properties ");
    ASSERT_NE(editor, nullptr);
    setRemoteText(editor, IDC_PROPERTIES_DESCRIPTION, "Anna's birthday");
    ASSERT_TRUE(setRemotePicker(::GetDlgItem(editor, IDC_DATE), process, birthday));
    clickRemote(editor, IDC_NO_TIME);
    const HWND early = openFrom(editor, IDC_PROPERTIES_EARLY, process, "Early reminders");
    ASSERT_NE(early, nullptr) << "Early reminders... opened nothing";
    setRemoteText(early, IDC_EARLY_NUMBER, "1");
    chooseRemote(early, IDC_EARLY_UNIT, 1); // weeks, after days
    ASSERT_TRUE(setRemotePicker(::GetDlgItem(early, IDC_EARLY_AT), process, atTime(birthday, 9, 0)));
    ::PostMessageA(early, WM_COMMAND, MAKEWPARAM(IDC_EARLY_ADD, BN_CLICKED), 0);
    EXPECT_TRUE(pumpUntil([&] {
        return ::SendMessageA(::GetDlgItem(early, IDC_EARLY_LIST), LVM_GETITEMCOUNT, 0, 0) == 1;
    })) << "Add listed nothing";
    ASSERT_TRUE(closeWith(early, IDOK));
    ASSERT_TRUE(closeWith(editor, IDC_PROPERTIES_OK));
    ::PostMessageA(manager, WM_COMMAND, MAKEWPARAM(IDC_MANAGER_CLOSE, BN_CLICKED), 0);

    std::vector<Event> saved;
    ASSERT_TRUE(pumpUntil([&] {
        std::string text = readWholeFile(eventFile());
        saved.clear();
        return EventFileReader::read(text, saved, Windows1252()) && saved.size() == 2;
    })) << "closing the manager did not write both events";
    sortByTime(saved);
    EXPECT_EQ(describe(saved[0]), describe(timedEventOn("Book club", first, 10, 30, Once)))
        << "the start moves onto the rule's first day";
    char rule[64];
    std::snprintf(rule, sizeof rule, "FREQ=MONTHLY;BYDAY=2TU;UNTIL=%04d%02d%02d", until.wYear, until.wMonth,
                  until.wDay);
    EXPECT_EQ(saved[0].rule, rule);
    EXPECT_TRUE(saved[1].noTime);
    EXPECT_EQ(saved[1].remindBefore, std::vector<std::int32_t>{7 * 24 * 60 - 9 * 60});
    endEveryVellumere();

    // Its second occurrence, weeks ahead: its alert at its minute. Then, days
    // on, the birthday's balloon at 09:00 a week before.
    ASSERT_TRUE(setClockTo(shifted(alertAt, -60)));
    ChildProcess& restarted = startVellumere();
    const HWND window = waitForTrayWindow(restarted);
    ASSERT_NE(window, nullptr) << "Vellumere did not start again";
    ::WaitForInputIdle(restarted.handle(), startLimit);
    HWND alert = nullptr;
    ASSERT_TRUE(comesAt(alertAt, window,
                        [&] { return (alert = dialogOf(restarted.processId(), "Event alert")) != nullptr; }));
    EXPECT_TRUE(pumpUntil([&] { return remoteControlText(alert, IDC_DESCRIPTION) == "Book club"; }));
    ASSERT_TRUE(closeWith(alert, IDCANCEL));
    EXPECT_TRUE(
        comesAt(balloonAt, window, [] { return balloonText().find("Anna's birthday") != std::string::npos; }))
        << "the balloon shows \"" << balloonText() << "\"";

    // The rule ended at its date: no occurrence carries it on.
    endEveryVellumere();
    std::string text = readWholeFile(eventFile());
    saved.clear();
    ASSERT_TRUE(EventFileReader::read(text, saved, Windows1252()));
    sortByTime(saved);
    std::vector<std::string> clubs;
    for (const Event& event : saved) {
        if (event.description == "Book club")
            clubs.push_back(describe(event) + event.rule);
    }
    EXPECT_EQ(clubs, describeAll({timedEventOn("Book club", first, 10, 30, Once),
                                  timedEventOn("Book club", second, 10, 30, Once)}));
}

// One of two copies of Vellumere, each in a Wine prefix of its own (two
// computers), sharing one file through "-file:": it adds an event and ends.
// Run by the two-copies test, which sets the variables; skipped otherwise.
TEST_F(EndToEndTest, OneOfTwoCopiesAddsItsEventAndEnds)
{
    const char* shared = std::getenv("VELLUMERE_SHARED_FILE");
    const char* name = std::getenv("VELLUMERE_COPY");
    const char* other = std::getenv("VELLUMERE_OTHER_COPY");
    if (!shared || !name || !other)
        GTEST_SKIP() << "run by the two-copies test";
    const std::string file = shared;
    vellumeres.push_back(
        std::make_unique<ChildProcess>(VELLUMERE_EXE, environment(), "", "-file:\"" + file + "\""));
    ChildProcess& vellumere = *vellumeres.back();
    const DWORD process = vellumere.processId();
    HWND pathBox = nullptr;
    ASSERT_TRUE(pumpUntil([&] { return (pathBox = dialogOf(process, "")) != nullptr; }, startLimit))
        << "no message box with the file's path";
    ::PostMessageA(pathBox, WM_COMMAND, IDOK, 0);
    const HWND window = waitForTrayWindow(vellumere);
    ASSERT_NE(window, nullptr);

    // Both copies have read the file before either adds.
    std::ofstream(file + ".ready-" + name) << name;
    ASSERT_TRUE(pumpUntil([&] { return fs::exists(file + ".ready-" + other); }, 120000));
    const HWND manager = openManager(window, process);
    ASSERT_NE(manager, nullptr);
    ASSERT_TRUE(addThroughEditor(manager, process, (std::string("Added by copy ") + name).c_str()));
    // The copies end one after the other, each with its addition unsaved.
    if (std::string(name) > other) {
        ASSERT_TRUE(pumpUntil([&] { return fs::exists(file + ".ended-" + other); }, 120000));
    }
    auto close = std::make_unique<ChildProcess>(VELLUMERE_CLOSE_EXE, environment());
    EXPECT_TRUE(close->waitForExit(endLimit));
    EXPECT_TRUE(vellumere.waitForExit(endLimit));
    std::ofstream(file + ".ended-" + name) << name;
}

} // namespace
