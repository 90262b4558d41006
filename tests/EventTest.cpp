#include "Calendar.h"
#include "Event.h"
#include "Occurrences.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

Event timed(int year, int month, int day, int hour, int minute, int second = 0)
{
    Event event;
    event.when.wYear = static_cast<std::uint16_t>(year);
    event.when.wMonth = static_cast<std::uint16_t>(month);
    event.when.wDay = static_cast<std::uint16_t>(day);
    event.when.wHour = static_cast<std::uint16_t>(hour);
    event.when.wMinute = static_cast<std::uint16_t>(minute);
    event.when.wSecond = static_cast<std::uint16_t>(second);
    return event;
}

Event untimed(int year, int month, int day)
{
    Event event = timed(year, month, day, 17, 45);
    event.noTime = true;
    return event;
}

Event repeating(EventFrequency frequency, int year, int month, int day)
{
    Event event = timed(year, month, day, 10, 30);
    event.frequency = frequency;
    return event;
}

std::string dateOf(const Event& event)
{
    return std::to_string(event.when.wYear) + "-" + std::to_string(event.when.wMonth) + "-" +
           std::to_string(event.when.wDay);
}

TEST(EventOrder, Table)
{
    const struct {
        const char* what;
        Event a, b;
        bool aBeforeB, bBeforeA;
    } cases[] = {
        {"earlier year", timed(2025, 12, 31, 23, 59), timed(2026, 1, 1, 0, 0), true, false},
        {"earlier month", timed(2026, 2, 28, 9, 0), timed(2026, 3, 1, 9, 0), true, false},
        {"earlier day", timed(2026, 3, 4, 9, 0), timed(2026, 3, 5, 9, 0), true, false},
        {"hour, then minute", timed(2026, 3, 5, 9, 59), timed(2026, 3, 5, 10, 0), true, false},
        {"same minute, seconds ignored", timed(2026, 3, 5, 10, 30, 59), timed(2026, 3, 5, 10, 30, 0), false, false},
        {"23:59 before the untimed event of its day", timed(2026, 3, 5, 23, 59), untimed(2026, 3, 5), true, false},
        {"untimed before the next day's 00:00", untimed(2026, 3, 5), timed(2026, 3, 6, 0, 0), true, false},
        {"two untimed events of a day are equivalent", untimed(2026, 3, 5), untimed(2026, 3, 5), false, false},
        {"an untimed event's stray hour does not count", untimed(2026, 3, 5), timed(2026, 3, 5, 0, 0), false, true},
        {"a default event comes before any real date", Event(), timed(1, 1, 1, 0, 0), true, false},
        // Unsigned 16-bit comparison: a stored "-1" is the largest year.
        {"fields compare unsigned", timed(2026, 1, 1, 0, 0), timed(65535, 1, 1, 0, 0), true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.a < c.b, c.aBeforeB);
        EXPECT_EQ(c.b < c.a, c.bBeforeA);
    }
}

TEST(EventOrder, IsAStrictWeakOrderOverManyEvents)
{
    // std::sort relies on it; check irreflexivity and transitivity of
    // incomparability over a grid of close events.
    std::vector<Event> events;
    for (int day = 4; day <= 6; ++day) {
        events.push_back(untimed(2026, 3, day));
        for (int hour : {0, 10, 23})
            for (int minute : {0, 30, 59})
                events.push_back(timed(2026, 3, day, hour, minute, minute % 7));
    }
    for (const Event& a : events) {
        EXPECT_FALSE(a < a);
        for (const Event& b : events)
            for (const Event& c : events) {
                if (a < b && b < c) {
                    EXPECT_TRUE(a < c);
                }
                const bool abEquivalent = !(a < b) && !(b < a);
                const bool bcEquivalent = !(b < c) && !(c < b);
                if (abEquivalent && bcEquivalent) {
                    EXPECT_TRUE(!(a < c) && !(c < a));
                }
            }
    }
}

TEST(EventRecurrence, NextOccurrenceTable)
{
    const struct {
        EventFrequency frequency;
        int year, month, day;
        const char* expected;
    } cases[] = {
        {Daily, 2024, 2, 28, "2024-2-29"},
        {Daily, 2100, 2, 28, "2100-3-1"},
        {Daily, 2000, 2, 28, "2000-2-29"},
        {Daily, 1900, 2, 28, "1900-3-1"},
        {Daily, 2026, 12, 31, "2027-1-1"},
        {Daily, 2026, 4, 30, "2026-5-1"},
        {Weekly, 2023, 2, 25, "2023-3-4"},
        {Weekly, 2024, 2, 25, "2024-3-3"},
        {Fortnightly, 2026, 12, 25, "2027-1-8"},
        {Monthly, 2024, 1, 31, "2024-2-29"},
        {Monthly, 2025, 1, 31, "2025-2-28"},
        {Monthly, 2026, 4, 30, "2026-5-30"},
        {Monthly, 2026, 12, 15, "2027-1-15"},
        {Monthly, 2026, 12, 31, "2027-1-31"},
        {Monthly, 2026, 3, 31, "2026-4-30"},
        {Yearly, 2024, 2, 29, "2025-2-28"},
        {Yearly, 2025, 2, 28, "2026-2-28"},
        {Yearly, 2026, 3, 5, "2027-3-5"},
        {Yearly, 2096, 2, 29, "2097-2-28"},
        {Once, 2026, 3, 5, "2026-3-5"},
    };
    for (const auto& c : cases) {
        const Event event = repeating(c.frequency, c.year, c.month, c.day);
        SCOPED_TRACE(testing::Message() << "frequency " << c.frequency << " from " << dateOf(event));
        const Event next = event.nextOccurrence();
        EXPECT_EQ(dateOf(next), c.expected);
        EXPECT_EQ(next.when.wHour, 10);
        EXPECT_EQ(next.when.wMinute, 30);
        EXPECT_EQ(next.frequency, c.frequency);
    }
}

TEST(EventRecurrence, ClampedDaysStayClamped)
{
    Event monthly = repeating(Monthly, 2025, 1, 31);
    std::vector<std::string> dates;
    for (int i = 0; i < 4; ++i) {
        monthly = monthly.nextOccurrence();
        dates.push_back(dateOf(monthly));
    }
    EXPECT_EQ(dates, (std::vector<std::string>{"2025-2-28", "2025-3-28", "2025-4-28", "2025-5-28"}));

    Event yearly = repeating(Yearly, 2024, 2, 29);
    dates.clear();
    for (int i = 0; i < 4; ++i) {
        yearly = yearly.nextOccurrence();
        dates.push_back(dateOf(yearly));
    }
    EXPECT_EQ(dates, (std::vector<std::string>{"2025-2-28", "2026-2-28", "2027-2-28", "2028-2-28"}));
}

TEST(EventRecurrence, EveryOtherFieldIsCopied)
{
    Event event = repeating(Weekly, 2026, 3, 5);
    event.description = "Yoga";
    event.noTime = true;
    event.remind3Days = event.remind1Day = event.remind1Hour = true;
    event.sendEmail = event.launchProgram = true;
    event.emailAddress = "a@b.c";
    event.programPath = "C:\\yoga.exe";
    event.note = "mat\r\nwater";
    event.when.wDayOfWeek = 4;
    event.when.wSecond = 12;
    event.when.wMilliseconds = 345;

    const Event next = event.nextOccurrence();
    EXPECT_EQ(dateOf(next), "2026-3-12");
    EXPECT_EQ(next.description, "Yoga");
    EXPECT_TRUE(next.noTime && next.remind3Days && next.remind1Day && next.remind1Hour);
    EXPECT_TRUE(next.sendEmail && next.launchProgram);
    EXPECT_EQ(next.emailAddress, "a@b.c");
    EXPECT_EQ(next.programPath, "C:\\yoga.exe");
    EXPECT_EQ(next.note, "mat\r\nwater");
    EXPECT_EQ(next.when.wDayOfWeek, 4) << "the day of the week is never recomputed";
    EXPECT_EQ(next.when.wSecond, 12);
    EXPECT_EQ(next.when.wMilliseconds, 345);
}

TEST(EventRecurrence, UnknownFrequenciesAndUnrealDatesDoNotMove)
{
    for (const int frequency : {-1, 6, 1000}) {
        const Event event = repeating(static_cast<EventFrequency>(frequency), 2026, 3, 5);
        EXPECT_FALSE(event.repeats());
        EXPECT_EQ(dateOf(event.nextOccurrence()), "2026-3-5");
    }
    for (const EventFrequency frequency : {Daily, Weekly, Monthly, Yearly, Fortnightly}) {
        SCOPED_TRACE(frequency);
        EXPECT_EQ(dateOf(repeating(frequency, 2026, 13, 5).nextOccurrence()), "2026-13-5");
        EXPECT_EQ(dateOf(repeating(frequency, 2026, 0, 5).nextOccurrence()), "2026-0-5");
        EXPECT_EQ(dateOf(repeating(frequency, 2026, 2, 30).nextOccurrence()), "2026-2-30");
    }
}

TEST(EventRecurrence, FirstOccurrenceFromADayPassesSkippedDays)
{
    const long none = Occurrences::noDay;
    const struct {
        EventFrequency frequency;
        std::vector<long> skipped;
        long from;
        long next;
    } cases[] = {
        {Once, {}, dayNumber(2026, 3, 5), dayNumber(2026, 3, 5)},
        {Once, {}, dayNumber(2026, 3, 6), none},
        {Once, {dayNumber(2026, 3, 5)}, dayNumber(2026, 3, 1), none},
        {Weekly, {dayNumber(2026, 3, 12), dayNumber(2026, 3, 19)}, dayNumber(2026, 3, 6), dayNumber(2026, 3, 26)},
        {Monthly, {dayNumber(2026, 4, 5)}, dayNumber(2026, 3, 6), dayNumber(2026, 5, 5)},
    };
    for (const auto& c : cases) {
        Event event = repeating(c.frequency, 2026, 3, 5);
        event.skippedDays = c.skipped;
        SCOPED_TRACE(testing::Message() << "frequency " << c.frequency << " from day " << c.from);
        EXPECT_EQ(Occurrences(event).nextFrom(c.from), c.next);
    }
}

TEST(EventRecord, ADefaultEventIsEmptyAndOnce)
{
    const Event fresh;
    const SystemTime zero{};
    EXPECT_TRUE(fresh.description.empty() && fresh.note.empty() && fresh.emailAddress.empty() &&
                fresh.programPath.empty());
    EXPECT_EQ(fresh.frequency, Once);
    EXPECT_FALSE(fresh.noTime || fresh.remind3Days || fresh.remind1Day || fresh.remind1Hour || fresh.sendEmail ||
                 fresh.launchProgram);
    EXPECT_EQ(std::memcmp(&fresh.when, &zero, sizeof zero), 0);
}

TEST(EventRecord, EqualityIsEveryStoredField)
{
    Event base = repeating(Weekly, 2026, 3, 5);
    base.description = "Yoga";
    base.note = "mat";
    const struct {
        const char* change;
        void (*apply)(Event&);
        bool equal;
    } cases[] = {
        {"nothing", [](Event&) {}, true},
        {"the day of the week", [](Event& e) { e.when.wDayOfWeek = 6; }, true},
        {"the seconds", [](Event& e) { e.when.wSecond = 59; }, true},
        {"the milliseconds", [](Event& e) { e.when.wMilliseconds = 1; }, true},
        {"the year", [](Event& e) { ++e.when.wYear; }, false},
        {"the month", [](Event& e) { ++e.when.wMonth; }, false},
        {"the day", [](Event& e) { ++e.when.wDay; }, false},
        {"the hour", [](Event& e) { ++e.when.wHour; }, false},
        {"the minute", [](Event& e) { ++e.when.wMinute; }, false},
        {"the frequency", [](Event& e) { e.frequency = Once; }, false},
        {"no time", [](Event& e) { e.noTime = true; }, false},
        {"three days before", [](Event& e) { e.remind3Days = true; }, false},
        {"one day before", [](Event& e) { e.remind1Day = true; }, false},
        {"one hour before", [](Event& e) { e.remind1Hour = true; }, false},
        {"send an e-mail", [](Event& e) { e.sendEmail = true; }, false},
        {"launch a program", [](Event& e) { e.launchProgram = true; }, false},
        {"the description", [](Event& e) { e.description += "!"; }, false},
        {"the address", [](Event& e) { e.emailAddress = "a@b.c"; }, false},
        {"the program", [](Event& e) { e.programPath = "x.exe"; }, false},
        {"the note", [](Event& e) { e.note += "\r\n"; }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        Event changed = base;
        c.apply(changed);
        EXPECT_EQ(changed == base, c.equal);
        EXPECT_EQ(base == changed, c.equal);
        EXPECT_EQ(changed != base, !c.equal);
    }
}

} // namespace
