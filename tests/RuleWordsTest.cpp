#include "Calendar.h"
#include "Event.h"
#include "ReminderTestKit.h"
#include "RuleWords.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The English texts, as the string table has them.
RuleTexts englishTexts()
{
    return {
        {"Every day", "Every week", "Every month", "Every year"},
        {"Every %1 days", "Every %1 weeks", "Every %1 months", "Every %1 years"},
        " on %1",
        ", ",
        " and ",
        " on the %1 %2",
        " on day %1",
        " on the last day",
        {"first", "second", "third", "fourth", "last"},
        {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"},
        {"January", "February", "March", "April", "May", "June", "July", "August", "September", "October",
         "November", "December"},
        ", until %1",
        ", %1 times",
        ", once",
        ", except %1 dates",
        ", except 1 date",
        "Repeats by a calendar rule",
    };
}

TEST(RuleWords, SayHowAnEventRepeats)
{
    const struct {
        EventFrequency frequency;
        const char* rule;
        int skipped;
        const char* words;
    } cases[] = {
        {Once, "FREQ=MONTHLY;BYDAY=2TU;UNTIL=20270630", 0, "Every month on the second Tuesday, until 30 June 2027"},
        {Once, "FREQ=DAILY;INTERVAL=3;COUNT=10", 0, "Every 3 days, 10 times"},
        {Once, "FREQ=WEEKLY;INTERVAL=2;BYDAY=TH,TU", 0, "Every 2 weeks on Tuesday and Thursday"},
        {Once, "FREQ=WEEKLY;BYDAY=MO,WE,FR,SU", 0, "Every week on Monday, Wednesday, Friday and Sunday"},
        {Once, "FREQ=WEEKLY;BYDAY=FR,SA", 0, "Every week on Friday and Saturday"},
        {Once, "FREQ=YEARLY;COUNT=1", 0, "Every year, once"},
        {Once, "FREQ=YEARLY;INTERVAL=4;UNTIL=21000101", 0, "Every 4 years, until 1 January 2100"},
        {Once, "FREQ=MONTHLY;BYMONTHDAY=-1", 0, "Every month on the last day"},
        {Once, "FREQ=MONTHLY;INTERVAL=2;BYMONTHDAY=31", 0, "Every 2 months on day 31"},
        {Once, "FREQ=MONTHLY;BYDAY=-1FR", 1, "Every month on the last Friday, except 1 date"},
        {Once, "FREQ=MONTHLY;BYSETPOS=-1;BYDAY=MO,TU,WE,TH,FR", 0, "Repeats by a calendar rule"},
        {Once, "FREQ=HOURLY", 3, "Repeats by a calendar rule, except 3 dates"},
        // The five repetitions speak for themselves, unless they skip dates.
        {Yearly, "", 2, "Every year, except 2 dates"},
        {Weekly, "", 1, "Every week on Sunday, except 1 date"},
        {Monthly, "", 0, ""},
        {Once, "", 2, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        Event event = timedEvent("x", 2027, 3, 14, 9, 0, c.frequency);
        event.rule = c.rule;
        for (int i = 0; i < c.skipped; ++i)
            event.skippedDays.push_back(dayNumber(2027, 5, 1 + i));
        EXPECT_EQ(RuleWords::of(event, englishTexts()), c.words);
    }
}

TEST(RuleWords, DatesInTheEnglishStyle)
{
    EXPECT_EQ(RuleWords::date(dayNumber(2027, 6, 30), englishTexts()), "30 June 2027");
    EXPECT_EQ(RuleWords::date(dayNumber(2028, 2, 29), englishTexts()), "29 February 2028");
    EXPECT_EQ(RuleWords::date(dayNumber(1999, 12, 1), englishTexts()), "1 December 1999");
}

} // namespace
