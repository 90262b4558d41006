#include "RecurrenceRule.h"

#include "Calendar.h"
#include "ValueText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

// tests/check-recurrence-rules compares thousands of rules with dateutil; these
// are the cases worth reading, and what dateutil cannot check.

namespace {

long day(const char* date)
{
    int year = 0, month = 0, dayOfMonth = 0;
    std::sscanf(date, "%d-%d-%d", &year, &month, &dayOfMonth);
    return dayNumber(year, month, dayOfMonth);
}

RecurrenceRule rule(const char* text)
{
    RecurrenceRule parsed;
    EXPECT_TRUE(parsed.parse(text)) << text;
    return parsed;
}

TEST(RecurrenceRule, TextIsCanonicalAndReadsBack)
{
    const struct {
        const char* given;
        const char* text;
    } cases[] = {
        {"freq=monthly;interval=1;byday=2tu;wkst=mo", "FREQ=MONTHLY;BYDAY=2TU"},
        {"FREQ=MONTHLY;BYDAY=-2TU", "FREQ=MONTHLY;BYDAY=-2TU"},
        {"FREQ=YEARLY;BYDAY=-53MO,53SU", "FREQ=YEARLY;BYDAY=53SU,-53MO"},
        {"BYDAY=TH,-1FR,1MO,MO;FREQ=YEARLY;BYMONTH=11,3;WKST=SU;COUNT=4",
         "FREQ=YEARLY;BYDAY=MO,TH,1MO,-1FR;BYMONTH=3,11;COUNT=4;WKST=SU"},
        {"FREQ=WEEKLY;WKST=SU;BYDAY=TU,TH;UNTIL=20270630T215959Z", "FREQ=WEEKLY;BYDAY=TU,TH;UNTIL=20270630T215900Z;WKST=SU"},
        {"UNTIL=20270601;BYSETPOS=-1,2;BYMONTHDAY=-1,15,1;INTERVAL=3;FREQ=MONTHLY",
         "FREQ=MONTHLY;INTERVAL=3;BYMONTHDAY=1,15,-1;BYSETPOS=2,-1;UNTIL=20270601"},
    };
    for (const auto& c : cases) {
        const RecurrenceRule given = rule(c.given);
        EXPECT_EQ(given.text(), c.text) << c.given;
        EXPECT_TRUE(rule(c.text) == given) << c.given;
        for (const auto& other : cases)
            EXPECT_EQ(rule(other.given) == given, &other == &c) << c.given << " and " << other.given;
    }
}

TEST(RecurrenceRule, ReadsOnlyNumbersInTheirRangesAndPartsItKnows)
{
    const struct {
        const char* text;
        bool reads;
    } cases[] = {
        {"FREQ=DAILY;COUNT=1", true},            {"FREQ=DAILY;COUNT=0", false},
        {"FREQ=YEARLY;BYMONTH=1,12", true},      {"FREQ=YEARLY;BYMONTH=13", false},
        {"FREQ=YEARLY;BYDAY=-54MO", false},      {"FREQ=YEARLY;BYDAY=54SU", false},
        {"FREQ=WEEKLY;BYDAY=1MO", false},        {"FREQ=DAILY;BYWEEKNO=1", false},
        {"FREQ=DAILY;X-=1;X-A=2", true},         {"FREQ=DAILY;X=1", false},
        {"FREQ=DAILY;UNTIL=20261231T235960Z", true}, // a leap second
    };
    for (const auto& c : cases) {
        RecurrenceRule parsed;
        EXPECT_EQ(parsed.parse(c.text), c.reads) << c.text;
    }
}

TEST(RecurrenceRule, VocabularyIsDailyAndCoarser)
{
    const struct {
        const char* text;
        bool inVocabulary;
    } cases[] = {
        {"FREQ=DAILY;COUNT=100000", true},      {"FREQ=DAILY;COUNT=100001", false},
        {"FREQ=HOURLY", false},                 {"FREQ=DAILY;BYHOUR=9", false},
        {"FREQ=WEEKLY;BYMONTHDAY=1", false},    {"FREQ=MONTHLY;BYMONTHDAY=1;BYSETPOS=1", true},
        {"FREQ=MONTHLY;BYSETPOS=1", false},     {"FREQ=DAILY;COUNT=2;UNTIL=20270101", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rule(c.text).inVocabulary(), c.inVocabulary) << c.text;
}

TEST(RecurrenceRule, OccurrencesWithinAWindow)
{
    const struct {
        const char* text;
        const char* start;
        int minute;
        const char* from;
        const char* to;
        std::vector<const char*> days;
    } cases[] = {
        {"FREQ=MONTHLY", "2026-01-31", 0, "2026-01-01", "2026-12-31",
         {"2026-01-31", "2026-03-31", "2026-05-31", "2026-07-31", "2026-08-31", "2026-10-31", "2026-12-31"}},
        {"FREQ=MONTHLY;BYMONTHDAY=-1", "2026-01-31", 0, "2028-01-15", "2028-04-30",
         {"2028-01-31", "2028-02-29", "2028-03-31", "2028-04-30"}},
        {"FREQ=YEARLY", "2096-02-29", 0, "2090-01-01", "2107-12-31", {"2096-02-29", "2104-02-29"}},
        {"FREQ=DAILY;COUNT=3", "2026-03-01", 0, "2026-03-03", "2026-03-31", {"2026-03-03"}},
        // The start counts, though it is no Tuesday.
        {"FREQ=WEEKLY;BYDAY=TU;COUNT=2", "2026-03-05", 0, "2026-01-01", "2026-12-31", {"2026-03-05", "2026-03-10"}},
        {"FREQ=DAILY;UNTIL=20260303T090000", "2026-03-01", 540, "2026-01-01", "2026-12-31",
         {"2026-03-01", "2026-03-02", "2026-03-03"}},
        {"FREQ=DAILY;UNTIL=20260303T090000", "2026-03-01", 541, "2026-01-01", "2026-12-31", {"2026-03-01", "2026-03-02"}},
        {"FREQ=DAILY;UNTIL=20260302", "2026-03-01", 1439, "2026-01-01", "2026-12-31", {"2026-03-01", "2026-03-02"}},
        {"FREQ=DAILY;UNTIL=20260220", "2026-03-01", 0, "2026-01-01", "2026-12-31", {"2026-03-01"}},
        // Every Tuesday, the year's second Saturday and second-last Friday: the first and second-last of them.
        {"FREQ=YEARLY;BYDAY=TU,2SA,-2FR;BYSETPOS=1,-2", "2026-01-01", 0, "2026-01-01", "2026-12-31",
         {"2026-01-01", "2026-01-06", "2026-12-22"}},
        {"FREQ=YEARLY;BYDAY=-1TH", "2026-01-01", 0, "2026-12-01", "2026-12-31", {"2026-12-31"}},
    };
    for (const auto& c : cases) {
        std::vector<long> expected;
        for (const char* date : c.days)
            expected.push_back(day(date));
        std::vector<long> days;
        long budget = 1000000;
        EXPECT_TRUE(rule(c.text).occurrences(day(c.start), day(c.from), day(c.to), days, budget, c.minute));
        EXPECT_EQ(days, expected) << c.text << " from " << c.start;
    }
}

TEST(RecurrenceRule, NextOccurrenceAndEnd)
{
    const long none = RecurrenceRule::noDay;
    const struct {
        const char* text;
        const char* start;
        const char* from;
        long next;
        bool endedTheDayBefore;
    } cases[] = {
        {"FREQ=DAILY;COUNT=3", "2026-03-01", "2026-03-03", day("2026-03-03"), false},
        {"FREQ=DAILY;COUNT=3", "2026-03-01", "2026-03-04", none, true},
        {"FREQ=DAILY;COUNT=100000", "2000-01-01", "2273-10-15", day("2273-10-15"), false},
        {"FREQ=DAILY;COUNT=100000", "2000-01-01", "2273-10-16", none, true},
        // Monday 29 February comes every 28 years; every third year, after 60 or 84.
        {"FREQ=YEARLY;INTERVAL=3;BYMONTH=2;BYMONTHDAY=29;BYDAY=MO", "1900-01-01", "1960-03-01", day("2044-02-29"), false},
        {"FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=30", "2026-01-01", "2026-01-02", none, true},
        {"FREQ=DAILY;BYDAY=MO;BYSETPOS=2", "2026-01-01", "2026-01-02", none, true},
    };
    for (const auto& c : cases) {
        const RecurrenceRule given = rule(c.text);
        long budget = 1000000;
        EXPECT_EQ(given.nextOccurrenceFrom(day(c.start), day(c.from), budget), c.next) << c.text << " " << c.from;
        // A rule that gives no day ends its search after 400 years, not at the year 9999.
        EXPECT_GT(budget, 1000000 - 2 * 146097) << c.text;
        EXPECT_EQ(given.hasEnded(day(c.start), day(c.from) - 1, budget), c.endedTheDayBefore) << c.text << " " << c.from;
    }
}

TEST(ValueText, OffsetsAndDurationsToTheSecondAndDigitsOnlyWithinTheText)
{
    const struct {
        const char* text;
        bool reads;
        long long seconds;
    } offsets[] = {
        {"+0530", true, 19800}, {"-013045", true, -5445}, {"+000059", true, 59},
        {"+000060", false, 0},  {"+0100ab", false, 0},
    };
    for (const auto& c : offsets) {
        long long seconds = 0;
        EXPECT_EQ(ValueText::parseOffset(c.text, seconds), c.reads) << c.text;
        EXPECT_EQ(seconds, c.seconds) << c.text;
    }
    const struct {
        long long seconds;
        const char* text;
    } durations[] = {{-90061, "-P1DT1H1M1S"}, {59, "PT59S"}, {0, "PT0S"}};
    for (const auto& c : durations) {
        long long seconds = 1;
        EXPECT_EQ(ValueText::durationText(c.seconds), c.text);
        EXPECT_TRUE(ValueText::parseDuration(c.text, seconds)) << c.text;
        EXPECT_EQ(seconds, c.seconds) << c.text;
    }
    int value = 0;
    EXPECT_FALSE(ValueText::digitsAt(std::string_view("2026").substr(0, 3), 0, 4, value));
}

} // namespace
