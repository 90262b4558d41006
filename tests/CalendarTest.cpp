#include "Calendar.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

SystemTime date(int year, int month, int day)
{
    SystemTime time;
    time.wYear = static_cast<std::uint16_t>(year);
    time.wMonth = static_cast<std::uint16_t>(month);
    time.wDay = static_cast<std::uint16_t>(day);
    return time;
}

// Days since 1970-01-01 by Howard Hinnant's days_from_civil: an independent
// count to check the step-by-step arithmetic against.
long daysFromCivil(long y, long m, long d)
{
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;                                // [0, 399]
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1; // [0, 365]
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;         // [0, 146096]
    return era * 146097 + doe - 719468;
}

long civilDay(const SystemTime& t)
{
    return daysFromCivil(t.wYear, t.wMonth, t.wDay);
}

TEST(Calendar, LeapYears)
{
    const struct {
        int year;
        bool leap;
    } cases[] = {{1900, false}, {2000, true}, {2100, false}, {2400, true}, {2024, true},
                 {2023, false}, {2026, false}, {1996, true}, {0, true},    {-4, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.year);
        EXPECT_EQ(isLeapYear(c.year), c.leap);
        EXPECT_EQ(daysInMonth(c.year, 2), c.leap ? 29 : 28);
    }
}

TEST(Calendar, EveryDayFrom1980To2100FollowsTheCivilCalendarBothWays)
{
    SystemTime day = date(1980, 1, 1);
    const long first = civilDay(day);
    for (long n = 1; day.wYear <= 2100; ++n) {
        addDays(day, 1);
        ASSERT_TRUE(isValidDate(day)) << day.wYear << "-" << day.wMonth << "-" << day.wDay;
        ASSERT_EQ(civilDay(day), first + n) << day.wYear << "-" << day.wMonth << "-" << day.wDay;
        SystemTime back{};
        setDayNumber(back, first + n);
        ASSERT_TRUE(sameDate(back, day)) << "the day number gives the date back";
    }
}

TEST(Calendar, LongStepsCrossLeapAndCommonYears)
{
    // Steps that cross several year ends must use each year's own February.
    for (const int count : {0, 1, 59, 60, 365, 366, 1461, 3000}) {
        for (const SystemTime start : {date(1999, 12, 25), date(2000, 2, 28), date(2099, 3, 1), date(2023, 12, 31)}) {
            SystemTime moved = start;
            addDays(moved, count);
            SCOPED_TRACE(testing::Message() << start.wYear << "-" << start.wMonth << "-" << start.wDay << " + " << count);
            EXPECT_TRUE(isValidDate(moved));
            EXPECT_EQ(civilDay(moved), civilDay(start) + count);
        }
    }
}

TEST(Calendar, AddDaysChangesOnlyTheDate)
{
    SystemTime time = date(2026, 12, 31);
    time.wDayOfWeek = 4;
    time.wHour = 23;
    time.wMinute = 59;
    time.wSecond = 58;
    time.wMilliseconds = 999;
    addDays(time, 1);
    EXPECT_EQ(time.wYear, 2027);
    EXPECT_EQ(time.wMonth, 1);
    EXPECT_EQ(time.wDay, 1);
    EXPECT_EQ(time.wDayOfWeek, 4);
    EXPECT_EQ(time.wHour, 23);
    EXPECT_EQ(time.wMinute, 59);
    EXPECT_EQ(time.wSecond, 58);
    EXPECT_EQ(time.wMilliseconds, 999);
}

TEST(Calendar, DatesThatAreNotRealStayAsTheyAre)
{
    // A hand-edited file can hold any number; arithmetic must neither crash
    // nor invent a date from them.
    for (const SystemTime bad : {date(2026, 0, 5), date(2026, 13, 5), date(2026, 65535, 1), date(2026, 2, 29),
                                 date(2026, 4, 31), date(2026, 1, 0), date(0, 0, 0)}) {
        SystemTime moved = bad;
        addDays(moved, 1);
        EXPECT_FALSE(isValidDate(bad));
        EXPECT_EQ(moved.wYear, bad.wYear);
        EXPECT_EQ(moved.wMonth, bad.wMonth);
        EXPECT_EQ(moved.wDay, bad.wDay);
    }
}

TEST(Calendar, SameDateIgnoresTheTime)
{
    SystemTime morning = date(2026, 3, 5);
    SystemTime evening = morning;
    evening.wHour = 22;
    evening.wDayOfWeek = 6;
    EXPECT_TRUE(sameDate(morning, evening));
    EXPECT_FALSE(sameDate(date(2026, 3, 5), date(2026, 3, 6)));
    EXPECT_FALSE(sameDate(date(2026, 3, 5), date(2026, 4, 5)));
    EXPECT_FALSE(sameDate(date(2026, 3, 5), date(2027, 3, 5)));
}

TEST(Calendar, SecondsSince1970AndWeekdays)
{
    const struct {
        SystemTime time;
        long long seconds;
        int weekday;
    } cases[] = {
        {{1970, 1, 0, 1, 0, 0, 0, 0}, 0, 4},
        {{1969, 12, 0, 31, 23, 59, 59, 0}, -1, 3},
        {{1969, 12, 0, 31, 0, 0, 0, 0}, -86400, 3},
        {{2000, 2, 0, 29, 12, 30, 15, 0}, 951827415, 2},
        {{2026, 3, 0, 15, 0, 0, 0, 0}, 1773532800, 0},
        {{1, 1, 0, 1, 0, 0, 0, 0}, -62135596800, 1},
        {{9999, 12, 0, 31, 23, 59, 59, 0}, 253402300799, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ(secondsOf(c.time), c.seconds);
        const SystemTime back = timeAt(c.seconds);
        EXPECT_TRUE(std::memcmp(&back, &c.time, sizeof back) == 0);
        EXPECT_EQ(weekdayOf(civilDay(c.time)), c.weekday);
    }
}

TEST(Calendar, OneYearBeforeKeepsTheDayOrTheEndOfFebruary)
{
    // Year 0 is the floor: the 16-bit year must not wrap round to 65535.
    const struct {
        SystemTime date;
        SystemTime earlier;
    } cases[] = {
        {date(2024, 2, 29), date(2023, 2, 28)}, {date(2025, 2, 28), date(2024, 2, 28)},
        {date(2025, 3, 1), date(2024, 3, 1)},   {date(1, 6, 30), date(0, 6, 30)},
        {date(0, 6, 30), date(0, 6, 30)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.date.wYear << "-" << c.date.wMonth << "-" << c.date.wDay);
        EXPECT_TRUE(sameDate(oneYearBefore(c.date), c.earlier));
    }
}

} // namespace
