#include "Calendar.h"
#include "Event.h"
#include "ReminderTestKit.h"
#include "RuleChoice.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

long day(int year, int month, int dayOfMonth)
{
    return dayNumber(year, month, dayOfMonth);
}

// Sunday 14 March 2027.
const long sunday = day(2027, 3, 14);

TEST(RuleChoice, ReadsTheRulesItCanShowAndWritesThemInOneWay)
{
    const struct {
        const char* rule;
        const char* written; // null: the dialog cannot show it
    } cases[] = {
        {"FREQ=MONTHLY;BYDAY=2TU;UNTIL=20270630", "FREQ=MONTHLY;BYDAY=2TU;UNTIL=20270630"},
        {"freq=weekly;byday=th,tu;interval=2", "FREQ=WEEKLY;INTERVAL=2;BYDAY=TU,TH"},
        {"FREQ=WEEKLY;BYDAY=SU,SA,MO", "FREQ=WEEKLY;BYDAY=MO,SA,SU"},
        {"FREQ=DAILY;INTERVAL=3;COUNT=10", "FREQ=DAILY;INTERVAL=3;COUNT=10"},
        {"FREQ=DAILY;INTERVAL=1", "FREQ=DAILY"},
        {"FREQ=WEEKLY", "FREQ=WEEKLY;BYDAY=SU"},    // the start's weekday
        {"FREQ=MONTHLY", "FREQ=MONTHLY;BYMONTHDAY=14"}, // the start's date
        {"FREQ=MONTHLY;BYMONTHDAY=31;COUNT=999", "FREQ=MONTHLY;BYMONTHDAY=31;COUNT=999"},
        {"FREQ=MONTHLY;BYMONTHDAY=-1", "FREQ=MONTHLY;BYMONTHDAY=-1"},
        {"FREQ=MONTHLY;INTERVAL=3;BYDAY=-1FR", "FREQ=MONTHLY;INTERVAL=3;BYDAY=-1FR"},
        {"FREQ=YEARLY;INTERVAL=2", "FREQ=YEARLY;INTERVAL=2"},
        {"FREQ=YEARLY;BYMONTH=3;BYMONTHDAY=14", "FREQ=YEARLY"}, // the start restated
        {"FREQ=WEEKLY;WKST=MO;BYDAY=MO;;", "FREQ=WEEKLY;BYDAY=MO"},
        {"FREQ=YEARLY;BYMONTHDAY=14", nullptr},  // every month, on the 14th
        {"FREQ=YEARLY;BYMONTH=4", nullptr},      // April, not the start's month
        {"FREQ=MONTHLY;BYDAY=TU", nullptr},      // every Tuesday of the month
        {"FREQ=MONTHLY;BYDAY=5TU", nullptr},     // the fifth is not offered
        {"FREQ=MONTHLY;BYDAY=1MO,3MO", nullptr}, // two weekdays a month
        {"FREQ=MONTHLY;BYDAY=1SU,3SU", nullptr},
        {"FREQ=MONTHLY;BYMONTHDAY=14;BYDAY=2SU", nullptr},
        {"FREQ=MONTHLY;BYMONTHDAY=1,15", nullptr},
        {"FREQ=MONTHLY;BYMONTHDAY=0", nullptr},
        {"FREQ=MONTHLY;BYMONTHDAY=14;BYDAY=2TU", nullptr},
        {"FREQ=WEEKLY;BYDAY=2TU", nullptr},
        {"FREQ=DAILY;BYDAY=MO", nullptr},
        {"FREQ=WEEKLY;UNTIL=20270630T235959", nullptr}, // a time of day
        {"FREQ=DAILY;COUNT=3;UNTIL=20270630", nullptr},
        {"FREQ=DAILY;COUNT=1000", nullptr},
        {"FREQ=DAILY;INTERVAL=1000", nullptr},
        {"FREQ=DAILY;INTERVAL=0", nullptr},
        {"FREQ=WEEKLY;WKST=SU;BYDAY=MO", nullptr},
        {"FREQ=HOURLY", nullptr},
        {"FREQ=DAILY;BYSETPOS=1", nullptr},
        {"FREQ=DAILY;BYHOUR=9", nullptr},
        {"FREQ=DAILY;FREQ=WEEKLY", nullptr},
        {"INTERVAL=2", nullptr},
        {"FREQ=DAILY;COUNT", nullptr},
        {"", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        const std::optional<RuleChoice> choice = RuleChoice::fromRule(c.rule, sunday);
        ASSERT_EQ(choice.has_value(), c.written != nullptr);
        if (!choice)
            continue;
        EXPECT_EQ(choice->toRule(), c.written);
        const std::optional<RuleChoice> again = RuleChoice::fromRule(c.written, sunday);
        ASSERT_TRUE(again);
        EXPECT_EQ(again->toRule(), c.written);
    }
}

TEST(RuleChoice, TakenIntoAnEventAPlainRepetitionStaysOneAndTheStartMovesOntoTheRule)
{
    const struct {
        const char* rule;
        long start;
        EventFrequency frequency;
        const char* stored;
        long first;
    } cases[] = {
        {"FREQ=DAILY", sunday, Daily, "", sunday},
        {"FREQ=WEEKLY;BYDAY=SU", sunday, Weekly, "", sunday},
        {"FREQ=WEEKLY;INTERVAL=2;BYDAY=SU", sunday, Fortnightly, "", sunday},
        {"FREQ=MONTHLY;BYMONTHDAY=14", sunday, Monthly, "", sunday},
        {"FREQ=YEARLY", sunday, Yearly, "", sunday},
        {"FREQ=WEEKLY;INTERVAL=3;BYDAY=SU", sunday, Once, "FREQ=WEEKLY;INTERVAL=3;BYDAY=SU", sunday},
        {"FREQ=WEEKLY;BYDAY=SU;COUNT=5", sunday, Once, "FREQ=WEEKLY;BYDAY=SU;COUNT=5", sunday},
        {"FREQ=WEEKLY;BYDAY=TU,TH", sunday, Once, "FREQ=WEEKLY;BYDAY=TU,TH", day(2027, 3, 16)},
        // The second Tuesday of March was the 9th.
        {"FREQ=MONTHLY;BYDAY=2TU;UNTIL=20270630", sunday, Once, "FREQ=MONTHLY;BYDAY=2TU;UNTIL=20270630",
         day(2027, 4, 13)},
        // Its first day would lie past its end: the start stays.
        {"FREQ=MONTHLY;BYDAY=2TU;UNTIL=20270320", sunday, Once, "FREQ=MONTHLY;BYDAY=2TU;UNTIL=20270320", sunday},
        {"FREQ=MONTHLY;BYDAY=-1FR", day(2027, 3, 27), Once, "FREQ=MONTHLY;BYDAY=-1FR", day(2027, 4, 30)},
        // Moved onto its date, a month's date is the plain repetition; the
        // 31st skips the short months, which the plain one does not.
        {"FREQ=MONTHLY;BYMONTHDAY=12", day(2027, 4, 5), Monthly, "", day(2027, 4, 12)},
        {"FREQ=MONTHLY;BYMONTHDAY=31", day(2027, 4, 5), Once, "FREQ=MONTHLY;BYMONTHDAY=31", day(2027, 5, 31)},
        {"FREQ=MONTHLY;BYMONTHDAY=-1", day(2027, 2, 10), Once, "FREQ=MONTHLY;BYMONTHDAY=-1", day(2027, 2, 28)},
        {"FREQ=MONTHLY;BYMONTHDAY=29;COUNT=3", day(2027, 2, 10), Once, "FREQ=MONTHLY;BYMONTHDAY=29;COUNT=3",
         day(2027, 3, 29)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        Event event = timedEvent("x", 2000, 1, 1, 9, 30);
        setDayNumber(event.when, c.start);
        event.frequency = Monthly;
        event.rule = "FREQ=HOURLY";
        std::optional<RuleChoice> choice = RuleChoice::fromRule(c.rule, c.start);
        ASSERT_TRUE(choice);
        choice->skippedDays = {day(2027, 6, 8), day(2027, 5, 11), day(2027, 6, 8)};
        choice->applyTo(event);
        EXPECT_EQ(event.frequency, c.frequency);
        EXPECT_EQ(event.rule, c.stored);
        EXPECT_EQ(dayNumber(event.when), c.first);
        EXPECT_EQ(event.when.wHour * 60 + event.when.wMinute, 9 * 60 + 30);
        EXPECT_EQ(event.skippedDays, (std::vector<long>{day(2027, 5, 11), day(2027, 6, 8)}));
    }
}

TEST(RuleChoice, TheDialogStartsFromTheEventsRepetitionOrItsRule)
{
    const struct {
        EventFrequency frequency;
        const char* rule;
        const char* start; // null: a rule the dialog replaces
    } cases[] = {
        {Once, "", "FREQ=WEEKLY;BYDAY=SU"},
        {Daily, "", "FREQ=DAILY"},
        {Weekly, "", "FREQ=WEEKLY;BYDAY=SU"},
        {Fortnightly, "", "FREQ=WEEKLY;INTERVAL=2;BYDAY=SU"},
        {Monthly, "", "FREQ=MONTHLY;BYMONTHDAY=14"},
        {Yearly, "", "FREQ=YEARLY"},
        {Once, "FREQ=MONTHLY;BYDAY=2TU;COUNT=4", "FREQ=MONTHLY;BYDAY=2TU;COUNT=4"},
        {Once, "FREQ=MONTHLY;BYSETPOS=2;BYDAY=TU,WE", nullptr},
        {Once, "not a rule", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        Event event = untimedEvent("x", 2027, 3, 14, c.frequency);
        event.rule = c.rule;
        event.skippedDays = {day(2027, 4, 11)};
        const std::optional<RuleChoice> choice = RuleChoice::ofEvent(event);
        ASSERT_EQ(choice.has_value(), c.start != nullptr);
        if (!choice)
            continue;
        EXPECT_EQ(choice->toRule(), c.start);
        EXPECT_EQ(choice->skippedDays, event.skippedDays);
    }
}

TEST(RuleChoice, OnlyTheNumbersInUseAreChecked)
{
    using Problem = RuleChoice::Problem;
    using Unit = RuleChoice::Unit;
    using MonthDay = RuleChoice::MonthDay;
    using Ending = RuleChoice::Ending;
    const struct {
        Unit unit;
        int interval;
        MonthDay monthDay;
        int date;
        Ending ending;
        int count;
        Problem problem;
    } cases[] = {
        {Unit::Days, 999, MonthDay::Date, 0, Ending::Never, 0, Problem::None},
        {Unit::Days, 0, MonthDay::Date, 0, Ending::AfterCount, 0, Problem::Interval},
        {Unit::Weeks, 1000, MonthDay::Date, 1, Ending::Never, 1, Problem::Interval},
        {Unit::Months, 1, MonthDay::Date, 0, Ending::AfterCount, 0, Problem::Date},
        {Unit::Months, 1, MonthDay::Date, 32, Ending::Never, 1, Problem::Date},
        {Unit::Months, 1, MonthDay::Weekday, 0, Ending::Never, 1, Problem::None},
        {Unit::Months, 1, MonthDay::Date, 31, Ending::AfterCount, 0, Problem::Count},
        {Unit::Years, 1, MonthDay::Date, 0, Ending::AfterCount, 1000, Problem::Count},
        {Unit::Years, 1, MonthDay::Date, 0, Ending::OnDate, 0, Problem::None},
        {Unit::Years, 1, MonthDay::Date, 0, Ending::AfterCount, 999, Problem::None},
    };
    for (const auto& c : cases) {
        RuleChoice choice;
        choice.unit = c.unit;
        choice.interval = c.interval;
        choice.monthDay = c.monthDay;
        choice.date = c.date;
        choice.ending = c.ending;
        choice.count = c.count;
        EXPECT_EQ(choice.firstProblem(), c.problem) << choice.toRule();
    }
}

TEST(RuleChoice, TheFirstDayIsTheRepetitionsOwnFromTheStartOn)
{
    using Unit = RuleChoice::Unit;
    using MonthDay = RuleChoice::MonthDay;
    const struct {
        Unit unit;
        unsigned weekdays;
        MonthDay monthDay;
        long from, first;
    } cases[] = {
        {Unit::Weeks, 1u << 0, MonthDay::Date, day(2027, 3, 1), day(2027, 3, 7)}, // Sundays, from a Monday
        {Unit::Weeks, (1u << 2) | (1u << 4), MonthDay::Date, day(2027, 3, 3), day(2027, 3, 4)},
        {Unit::Weeks, 0, MonthDay::Date, day(2027, 3, 3), day(2027, 3, 3)}, // the start's weekday
        {Unit::Months, 0, MonthDay::Date, day(2027, 4, 1), day(2027, 5, 31)}, // the 31st
        {Unit::Months, 0, MonthDay::Weekday, day(2027, 3, 10), day(2027, 4, 13)}, // the 2nd Tuesday
        {Unit::Months, 0, MonthDay::LastDay, day(2027, 2, 1), day(2027, 2, 28)},
        {Unit::Days, 0, MonthDay::Date, day(2027, 3, 3), day(2027, 3, 3)},
    };
    for (const auto& c : cases) {
        RuleChoice choice = RuleChoice::startingOn(c.from);
        choice.unit = c.unit;
        choice.weekdays = c.weekdays;
        choice.monthDay = c.monthDay;
        choice.date = 31;
        choice.week = 2;
        choice.weekday = 2;
        EXPECT_EQ(choice.firstDayFrom(c.from), c.first) << choice.toRule();
    }
}

TEST(RuleChoice, AMonthsWeekdayChoiceStartsAtTheStartsPlaceInItsMonth)
{
    const struct {
        long start;
        const char* monthly;
    } cases[] = {
        {day(2027, 3, 1), "FREQ=MONTHLY;BYDAY=1MO"},
        {day(2027, 3, 9), "FREQ=MONTHLY;BYDAY=2TU"},
        {day(2027, 3, 28), "FREQ=MONTHLY;BYDAY=4SU"},
        {day(2027, 3, 29), "FREQ=MONTHLY;BYDAY=-1MO"}, // the fifth Monday is the last
    };
    for (const auto& c : cases) {
        RuleChoice choice = RuleChoice::startingOn(c.start);
        choice.unit = RuleChoice::Unit::Months;
        choice.monthDay = RuleChoice::MonthDay::Weekday;
        EXPECT_EQ(choice.toRule(), c.monthly);
    }
}

} // namespace
