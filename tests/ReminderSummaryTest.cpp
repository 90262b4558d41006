#include "ReminderSummary.h"
#include "ReminderTestKit.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class ReminderSummaryTest : public testing::Test {
protected:
    ReminderTestKit kit;
    ReminderTexts texts = testTexts();
    std::string text;

    bool composeOn(int year, int month, int day)
    {
        kit.setClock(SimulatedClock::milliseconds(year, month, day, 12, 0));
        return ReminderSummary::compose(kit.events.all(), kit.system.now, texts, text);
    }
    Event withOptions(Event event, bool oneDay, bool threeDays)
    {
        event.remind1Day = oneDay;
        event.remind3Days = threeDays;
        return event;
    }
};

TEST_F(ReminderSummaryTest, NoEvents)
{
    EXPECT_FALSE(composeOn(2026, 12, 7));
    EXPECT_EQ(text, "Today:\r\nNo events today.\r\n");
}

TEST_F(ReminderSummaryTest, AllSectionsByteForByte)
{
    kit.events.add(timedEvent("long gone", 2026, 12, 1, 9, 0));
    kit.events.add(withOptions(timedEvent("yesterday", 2026, 12, 6, 9, 0), true, true));
    kit.events.add(timedEvent("breakfast", 2026, 12, 7, 8, 0));
    kit.events.add(untimedEvent("birthday", 2026, 12, 7));
    kit.events.add(timedEvent("dinner", 2026, 12, 7, 18, 30));
    kit.events.add(timedEvent("past midnight", 2026, 12, 7, 0, 5));
    kit.events.add(withOptions(untimedEvent("tomorrow, asks", 2026, 12, 8), true, false));
    kit.events.add(withOptions(timedEvent("tomorrow, asks three", 2026, 12, 8, 9, 0), false, true));
    kit.events.add(withOptions(timedEvent("tomorrow, timed", 2026, 12, 8, 7, 15), true, false));
    kit.events.add(withOptions(timedEvent("day after", 2026, 12, 9, 9, 0), true, true));
    kit.events.add(withOptions(timedEvent("third day", 2026, 12, 10, 10, 0), false, true));
    kit.events.add(withOptions(timedEvent("third day, not asked", 2026, 12, 10, 11, 0), true, false));
    kit.events.add(withOptions(timedEvent("fourth day", 2026, 12, 11, 10, 0), true, true));

    EXPECT_TRUE(composeOn(2026, 12, 7));
    EXPECT_EQ(text, "Today:\r\n"
                    "00.05\tpast midnight\r\n"
                    "08.00\tbreakfast\r\n"
                    "18.30\tdinner\r\n"
                    "-------\tbirthday\r\n"
                    "\r\n"
                    "Tomorrow:\r\n"
                    "07.15\ttomorrow, timed\r\n"
                    "-------\ttomorrow, asks\r\n"
                    "\r\n"
                    "Three days after:\r\n"
                    "10.00\tthird day\r\n");
}

TEST_F(ReminderSummaryTest, EmptySectionsAreAbsent)
{
    kit.events.add(withOptions(untimedEvent("party", 2026, 12, 8), true, false));
    kit.events.add(withOptions(timedEvent("not asked", 2026, 12, 10, 9, 0), true, false));
    EXPECT_TRUE(composeOn(2026, 12, 7));
    EXPECT_EQ(text, "Today:\r\nNo events today.\r\n\r\nTomorrow:\r\n-------\tparty\r\n");

    kit.events.remove(0);
    EXPECT_FALSE(composeOn(2026, 12, 7)) << "nothing listed";
    EXPECT_EQ(text, "Today:\r\nNo events today.\r\n");
}

TEST_F(ReminderSummaryTest, MonthAndYearEnds)
{
    const struct {
        int year, month, day;
        int tomorrowYear, tomorrowMonth, tomorrowDay;
        int thirdYear, thirdMonth, thirdDay;
    } cases[] = {
        {2026, 12, 31, 2027, 1, 1, 2027, 1, 3},
        {2026, 2, 28, 2026, 3, 1, 2026, 3, 3},
        {2028, 2, 28, 2028, 2, 29, 2028, 3, 2},
        {2028, 2, 27, 2028, 2, 28, 2028, 3, 1},
        {2026, 4, 30, 2026, 5, 1, 2026, 5, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.year << "-" << c.month << "-" << c.day);
        while (!kit.events.empty())
            kit.events.remove(0);
        kit.events.add(withOptions(untimedEvent("next", c.tomorrowYear, c.tomorrowMonth, c.tomorrowDay), true, false));
        kit.events.add(withOptions(untimedEvent("third", c.thirdYear, c.thirdMonth, c.thirdDay), false, true));
        EXPECT_TRUE(composeOn(c.year, c.month, c.day));
        EXPECT_EQ(text, "Today:\r\nNo events today.\r\n\r\nTomorrow:\r\n-------\tnext\r\n\r\nThree days after:\r\n"
                        "-------\tthird\r\n");
    }
}

TEST_F(ReminderSummaryTest, LongDescriptionsAreCutWithinTheLine)
{
    Event event = timedEvent("", 2026, 12, 7, 9, 5);
    event.description = "ab" + std::string(2045, 'x');
    const std::string line = ReminderSummary::eventLine(event);
    EXPECT_EQ(line.size(), 255u);
    EXPECT_EQ(line.substr(0, 8), "09.05\tab") << "cut at its end, not its start";
    EXPECT_EQ(line.substr(line.size() - 5), "...\r\n");

    EXPECT_EQ(ReminderSummary::datedEventLine(timedEvent("end", 9999, 12, 31, 23, 59)), "9999-12-31 23.59\tend\r\n");

    event.description = std::string(247, 'y');
    EXPECT_EQ(ReminderSummary::eventLine(event), "09.05\t" + event.description + "\r\n") << "exactly fits";
}

} // namespace
