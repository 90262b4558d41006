#include "EventFileWriter.h"
#include "ReminderApp.h"
#include "ReminderTestKit.h"
#include "TemporaryFolder.h"
#include "WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

TEST(ReminderApp, TheEndOfTheSessionWritesTheEventsWhileTheProgramRuns)
{
    // Windows may end the process without a quit message once the session
    // has ended, so the carried-forward events must be on disk by then.
    TemporaryFolder folder;
    ::SetEnvironmentVariableA("APPDATA", folder.path("").c_str());
    ::SetEnvironmentVariableA("USERNAME", "session-user");
    ::CreateDirectoryA(folder.path("Vellumere").c_str(), nullptr);
    const std::string file = folder.path("Vellumere\\session-user.xml");

    SYSTEMTIME today;
    ::GetLocalTime(&today);
    const std::int64_t threeDaysAgo =
        SimulatedClock::milliseconds(today.wYear, today.wMonth, today.wDay) - 3 * 86400000LL;
    const SystemTime start = SimulatedClock::toSystemTime(threeDaysAgo);
    const std::string written =
        EventFileWriter::write({untimedEvent("water the plants", start.wYear, start.wMonth, start.wDay, Daily)});
    std::ofstream(file, std::ios::binary) << written;

    ReminderApp app;
    ASSERT_EQ(app.loadEvents(), EventStore::Loaded::Read);
    app.start(::GetModuleHandleA(nullptr));
    ASSERT_EQ(app.events().size(), 4u) << "three past days as one-time events, and today's";
    EXPECT_EQ(readWholeFile(file), written) << "nothing is written before it must be";

    ::SendMessageA(app.hiddenWindow(), WM_ENDSESSION, TRUE, 0);
    const std::vector<Event> now(app.events().begin(), app.events().end());
    EXPECT_EQ(readWholeFile(file), EventFileWriter::write(now));
}

} // namespace
