// Vellumere killed at random moments while it writes a large event file, by
// VellumereClose's orderly end or by the event manager's Close, and started
// again on whatever the kill left: the file is always the old one or the new
// one, whole, never a part of either and never gone.

#include "EndToEndFixture.h"
#include "EventManagerDialogRes.h"
#include "EventFileReader.h"
#include "Windows1252.h"
#include "WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <random>
#include <string>
#include <vector>

namespace {

int killsToTry()
{
    const char* value = std::getenv("VELLUMERE_CRASH_KILLS");
    return value && std::atoi(value) > 0 ? std::atoi(value) : 40;
}

class CrashConsistencyTest : public EndToEndTest {
protected:
    bool anyUnreadableCopy() const
    {
        for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(eventFile()).parent_path()))
            if (entry.path().filename().string().find(".unreadable-") != std::string::npos)
                return true;
        return false;
    }
};

TEST_F(CrashConsistencyTest, AKillWhileSavingLeavesTheOldFileOrTheNewOneWhole)
{
    const SYSTEMTIME today = localNow();
    const int hour = (today.wHour + 12) % 24;
    // Far from the present hour, so nothing comes due; each in its own minute,
    // so that the sorted order is one; one daily event from three days ago,
    // so that the carried-forward list differs from the file.
    std::vector<Event> events;
    for (int i = 0; i < 20000; ++i)
        events.push_back(timedEventOn(("Appointment " + std::to_string(i)).c_str(), daysFrom(today, 2 + i / 60),
                                      hour, i % 60, Once));
    events.push_back(timedEventOn("Water the plants", daysFrom(today, -3), hour, 15, Daily));
    writeEventFile(events);
    const std::string oldFile = readWholeFile(eventFile());

    // One run to its end gives the new file and how long an orderly end takes.
    ChildProcess& reference = startVellumere();
    ASSERT_NE(waitForTrayWindow(reference), nullptr) << "Vellumere's window did not appear";
    const ULONGLONG asked = ::GetTickCount64();
    startClose()->waitForExit(endLimit);
    ASSERT_TRUE(reference.waitForExit(endLimit));
    const auto endMilliseconds = static_cast<unsigned>(::GetTickCount64() - asked);
    const std::string newFile = readWholeFile(eventFile());
    // Compared as booleans: a failed comparison of two files this size would
    // have the test framework diff them line by line.
    ASSERT_FALSE(newFile == oldFile) << "the run wrote the file unchanged";
    {
        std::string work = newFile;
        std::vector<Event> written;
        ASSERT_TRUE(EventFileReader::read(work, written, Windows1252()));
        ASSERT_EQ(written.size(), events.size() + 4) << "three past days and today carried forward";
    }

    const unsigned seed = static_cast<unsigned>(::GetTickCount64());
    std::mt19937 random(seed);
    int kills = 0, keptOld = 0, wroteNew = 0, endedFirst = 0, partWritten = 0;
    const std::string saving = eventFile() + ".saving";
    for (int attempt = 0; attempt < killsToTry(); ++attempt) {
        SCOPED_TRACE("attempt " + std::to_string(attempt) + ", seed " + std::to_string(seed));
        // Half the runs start on what the last kill left, the others on the
        // old file again, so that there is something new to write.
        if (random() % 2 == 0)
            writeEventFile(events);
        const std::string startedWith = readWholeFile(eventFile());
        // A half-written file a kill left stays for the next start to cope with.
        const auto savingTime = [&] {
            std::error_code absent;
            return std::filesystem::last_write_time(saving, absent);
        };
        const auto savingBefore = savingTime();
        ChildProcess& vellumere = startVellumere();
        const HWND window = waitForTrayWindow(vellumere);
        ASSERT_NE(window, nullptr) << "Vellumere's window did not appear";
        ASSERT_FALSE(anyUnreadableCopy()) << "a start found the file unreadable";

        const bool throughManager = attempt % 2 == 1;
        if (throughManager) {
            ::PostMessageA(window, WM_TRAYNOTIFY, 0, WM_LBUTTONDBLCLK);
            HWND manager = nullptr;
            ASSERT_TRUE(pumpUntil([&] { return (manager = dialogOf(vellumere.processId(), "Vellumere")) != nullptr; }))
                << "the event manager did not open";
            ::PostMessageA(manager, WM_COMMAND, MAKEWPARAM(IDC_MANAGER_CLOSE, BN_CLICKED), 0);
        } else {
            startClose();
        }
        std::uniform_int_distribution<unsigned> delay(0, endMilliseconds);
        ::Sleep(delay(random));
        if (vellumere.isRunning()) {
            vellumere.terminate();
            ++kills;
        } else {
            ++endedFirst;
        }
        ASSERT_TRUE(vellumere.waitForExit(endLimit));
        ASSERT_TRUE(pumpUntil([] { return trayWindow() == nullptr; }, endLimit));

        const std::string left = readWholeFile(eventFile());
        if (left == oldFile) {
            ASSERT_TRUE(startedWith == oldFile) << "the new file went back to the old one";
            ++keptOld;
        } else {
            ASSERT_TRUE(left == newFile) << "the file is neither the old one (" << oldFile.size()
                                         << " bytes) nor the new one (" << newFile.size() << " bytes): "
                                         << left.size() << " bytes";
            ++wroteNew;
        }
        if (std::filesystem::exists(saving) && savingTime() != savingBefore)
            ++partWritten;
    }
    std::cout << "[ crashes  ] " << kills << " kills tried over " << killsToTry() << " runs (seed " << seed
              << "): " << keptOld << " left the old file, " << wroteNew << " the new one, " << partWritten
              << " a half-written .saving beside it; " << endedFirst << " runs ended before their kill\n";
    RecordProperty("kills", kills);
    if (dateOf(localNow()) != dateOf(today))
        GTEST_SKIP() << "the date changed while the test ran; the new file is of either day";
}

} // namespace
