#include "RecurrenceRule.h"

#include <gtest/gtest.h>

#include <string>

namespace {

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

} // namespace
