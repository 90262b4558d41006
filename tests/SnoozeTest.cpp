#include "ReminderTestKit.h"
#include "Snooze.h"

#include <gtest/gtest.h>

namespace {

TEST(Snooze, TheAlertComesBackAsAOneTimeEventAtTheChosenMinute)
{
    const struct {
        Snooze::Choice choice;
        SystemTime now;
        const char* again;
    } cases[] = {
        {Snooze::FiveMinutes, {2026, 12, 1, 7, 9, 30, 45, 0}, "2026-12-07 09:35 due"},
        {Snooze::TenMinutes, {2026, 12, 1, 7, 23, 55, 0, 0}, "2026-12-08 00:05 due"},
        {Snooze::FifteenMinutes, {2026, 12, 1, 7, 9, 30, 0, 0}, "2026-12-07 09:45 due"},
        {Snooze::HalfAnHour, {2026, 12, 4, 31, 23, 45, 0, 0}, "2027-01-01 00:15 due"},
        {Snooze::AnHour, {2028, 2, 2, 28, 23, 10, 0, 0}, "2028-02-29 00:10 due"},
        {Snooze::TwoHours, {2026, 12, 1, 7, 18, 45, 0, 0}, "2026-12-07 20:45 due"},
        {Snooze::Tomorrow, {2026, 2, 6, 28, 9, 30, 0, 0}, "2026-03-01 09:30 due"},
    };
    Event due = untimedEvent("due", 2026, 12, 7, Weekly);
    due.note = "the note";
    due.emailAddress = "ann@example.org";
    due.programPath = "C:\\tools\\call.exe";
    due.sendEmail = due.launchProgram = true;
    due.remind1Day = due.remind3Days = due.remind1Hour = true;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.again);
        const Event again = Snooze::again(due, c.now, c.choice);
        EXPECT_EQ(describe(again), c.again);
        EXPECT_EQ(again.note, due.note);
        EXPECT_EQ(again.emailAddress, due.emailAddress);
        EXPECT_EQ(again.programPath, due.programPath);
        EXPECT_TRUE(again.sendEmail && again.launchProgram);
        EXPECT_FALSE(again.remind1Day || again.remind3Days || again.remind1Hour || again.noTime);
    }
    EXPECT_EQ(Snooze::fromStored(6), Snooze::Tomorrow);
    EXPECT_EQ(Snooze::fromStored(7), Snooze::FiveMinutes) << "a stored value that is no choice";
    EXPECT_EQ(Snooze::minutesOf(Snooze::choices), 5) << "no choice: five minutes";
}

} // namespace
