#pragma once

// Helpers of the tests that run Vellumere and VellumereClose as separate
// processes, started the way a user's desktop starts them.

#include "ChildProcess.h"
#include "Event.h"
#include "EventFileWriter.h"
#include "WindowsTestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

inline const char* const userName = "e2e-user";

// The icon's callback message, as the shell sends it to Vellumere's window.
inline UINT const WM_TRAYNOTIFY = WM_APP + 1;

// Generous for a loaded machine: a Wine process takes a second or two to
// start and as long again to go.
inline constexpr DWORD startLimit = 20000;
inline constexpr DWORD endLimit = 20000;

HWND trayWindow();
int countTrayWindows();
HWND alertDialog();
// The visible dialog with `caption` of process `process`, if one is open.
HWND dialogOf(DWORD process, const char* caption);
// The visible popup menu of process `owner`, if one is open.
HWND openMenuOf(DWORD owner);

// GetWindowText does not ask another process's window for its text; the
// message does.
std::string remoteText(HWND window);
std::string remoteControlText(HWND dialog, int id);
std::string withBackslashes(std::string path);

// Calendar arithmetic done by the system rather than by the code under test:
// the fields are taken as they are, whole days and minutes added through
// FILETIME, so month and year ends come out right on their own.
SYSTEMTIME shifted(const SYSTEMTIME& time, std::int64_t seconds);
SYSTEMTIME daysFrom(const SYSTEMTIME& date, int days);
std::tuple<int, int, int> dateOf(const SYSTEMTIME& time);
// Seconds since 1601, and minutes, for telling which minute a moment lies in.
std::int64_t secondOf(SYSTEMTIME time);
std::int64_t minuteOf(SYSTEMTIME time);
SYSTEMTIME localNow();
// The start of the next minute, or of the one after when the next begins
// within `marginMilliseconds` from now. Its date may be tomorrow's.
SYSTEMTIME nextMinuteStart(int marginMilliseconds);

Event timedEventOn(const char* description, const SYSTEMTIME& date, int hour, int minute,
                   EventFrequency frequency);
// Date and time order, independent of Event's own operator<; the tests give
// every event its own minute, so no ties arise.
void sortByTime(std::vector<Event>& events);
std::vector<std::string> describeAll(const std::vector<Event>& events);

// Each test gives its Vellumere its own APPDATA folder, user name and capture
// file, so it never sees the user's events, and ends every copy it started,
// also when it fails.
class EndToEndTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(trayWindow(), nullptr) << "a Vellumere started elsewhere is still running";
        static std::atomic<unsigned> counter{0};
        char temporary[MAX_PATH] = "";
        ASSERT_NE(::GetTempPathA(sizeof temporary, temporary), 0u);
        folder = std::filesystem::path(temporary) / ("vellumere-e2e-" + std::to_string(::GetCurrentProcessId()) + "-" +
                                        std::to_string(::GetTickCount64()) + "-" + std::to_string(counter++));
        ASSERT_TRUE(std::filesystem::create_directories(folder / "AppData")) << folder.string();
    }

    void TearDown() override
    {
        endEveryVellumere();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    std::string appData() const { return (folder / "AppData").string(); }
    std::string eventFile() const
    {
        return (folder / "AppData" / "Vellumere" / (std::string(userName) + ".xml")).string();
    }
    std::string captureFile() const { return (folder / "capture.txt").string(); }

    void writeEventFile(const std::vector<Event>& events) const
    {
        std::filesystem::create_directories(folder / "AppData" / "Vellumere");
        std::ofstream(eventFile(), std::ios::binary) << EventFileWriter::write(events);
    }

    std::string environment() const
    {
        return environmentBlock(
            {{"APPDATA", appData()}, {"USERNAME", userName}, {"VELLUMERE_CAPTURE_FILE", captureFile()}});
    }

    // Starts a Vellumere that TearDown ends at the latest.
    ChildProcess& startVellumere()
    {
        vellumeres.push_back(std::make_unique<ChildProcess>(VELLUMERE_EXE, environment()));
        return *vellumeres.back();
    }

    std::unique_ptr<ChildProcess> startClose() const
    {
        return std::make_unique<ChildProcess>(VELLUMERE_CLOSE_EXE, environment());
    }

    // The tray window of `vellumere`, waited for; null when none came.
    static HWND waitForTrayWindow(const ChildProcess& vellumere)
    {
        HWND window = nullptr;
        pumpUntil(
            [&] {
                window = trayWindow();
                DWORD owner = 0;
                if (window)
                    ::GetWindowThreadProcessId(window, &owner);
                return (window && owner == vellumere.processId()) || !vellumere.isRunning();
            },
            startLimit);
        return vellumere.isRunning() ? window : nullptr;
    }

    // Ends every Vellumere this test started: in order through VellumereClose
    // while it answers, by force as the last resort so the next test starts
    // clean. Needing force is a fault in itself.
    void endEveryVellumere()
    {
        const bool anyRunning = std::any_of(vellumeres.begin(), vellumeres.end(),
                                            [](const auto& vellumere) { return vellumere->isRunning(); });
        if (!anyRunning)
            return;
        if (trayWindow()) {
            auto close = startClose();
            if (close->isStarted() && !close->waitForExit(endLimit))
                close->terminate();
        }
        for (const auto& vellumere : vellumeres) {
            if (vellumere->waitForExit(endLimit))
                continue;
            ADD_FAILURE() << "Vellumere " << vellumere->processId() << " did not end on VellumereClose; terminated";
            vellumere->terminate();
            vellumere->waitForExit(endLimit);
        }
    }

    std::filesystem::path folder;
    std::vector<std::unique_ptr<ChildProcess>> vellumeres;
};
