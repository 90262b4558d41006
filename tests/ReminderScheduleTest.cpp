#include "AllocationFailure.h"
#include "Calendar.h"
#include "EventFileReader.h"
#include "EventFileWriter.h"
#include "Windows1252.h"
#include "ReminderSchedule.h"
#include "ReminderTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

namespace {

using Moment = ReminderSchedule::Moment;

std::vector<std::string> listing(const EventList& events)
{
    std::vector<std::string> out;
    for (const Event& event : events)
        out.push_back(describe(event));
    return out;
}

class ReminderScheduleTest : public testing::Test {
protected:
    ReminderTestKit kit;

    void at(int year, int month, int day, int hour, int minute, int second = 0, int milliseconds = 0)
    {
        kit.setClock(SimulatedClock::milliseconds(year, month, day, hour, minute, second) + milliseconds);
    }
    void add(const Event& event) { kit.events.add(event); }
};

TEST_F(ReminderScheduleTest, CatchUpCarriesEveryRepeatingEventPastToday)
{
    // Monday 7 December 2026, 08:00; the computer was off since Saturday.
    at(2026, 12, 7, 8, 0);
    add(timedEvent("stand-up", 2026, 12, 5, 9, 0, Daily));
    add(timedEvent("late call", 2026, 12, 7, 23, 0, Daily));
    add(untimedEvent("water plants", 2026, 12, 7, Daily));
    add(untimedEvent("bins", 2026, 12, 6, Weekly));
    add(timedEvent("one-off", 2026, 12, 1, 12, 0));
    add(timedEvent("future", 2026, 12, 20, 12, 0, Monthly));

    EXPECT_TRUE(ReminderSchedule::catchUpEvents(kit.events, kit.system.now));
    EXPECT_EQ(listing(kit.events), (std::vector<std::string>{
                                       "2026-12-01 12:00 one-off",
                                       "2026-12-05 09:00 stand-up",
                                       "2026-12-06 09:00 stand-up",
                                       "2026-12-06 --:-- bins",
                                       "2026-12-07 09:00 stand-up",
                                       "2026-12-07 23:00 late call",
                                       "2026-12-07 --:-- water plants (repeats 1)",
                                       "2026-12-08 09:00 stand-up (repeats 1)",
                                       "2026-12-08 23:00 late call (repeats 1)",
                                       "2026-12-13 --:-- bins (repeats 2)",
                                       "2026-12-20 12:00 future (repeats 3)",
                                   }));
    EXPECT_FALSE(ReminderSchedule::catchUpEvents(kit.events, kit.system.now)) << "a second pass finds nothing";
}

TEST_F(ReminderScheduleTest, CatchUpCopiesEveryOtherFieldAndKeepsClampedDays)
{
    at(2027, 4, 2, 12, 0);
    Event rent = timedEvent("rent", 2027, 1, 31, 9, 0, Monthly);
    rent.note = "bank";
    rent.remind1Day = rent.sendEmail = true;
    rent.emailAddress = "me@example.org";
    add(rent);
    add(timedEvent("new year", 2026, 12, 31, 0, 0, Monthly));

    ReminderSchedule::catchUpEvents(kit.events, kit.system.now);
    EXPECT_EQ(listing(kit.events), (std::vector<std::string>{
                                       "2026-12-31 00:00 new year",
                                       "2027-01-31 00:00 new year",
                                       "2027-01-31 09:00 rent",
                                       "2027-02-28 00:00 new year",
                                       "2027-02-28 09:00 rent",
                                       "2027-03-28 00:00 new year",
                                       "2027-03-28 09:00 rent",
                                       "2027-04-28 00:00 new year (repeats 3)",
                                       "2027-04-28 09:00 rent (repeats 3)",
                                   }));
    for (const Event& event : kit.events) {
        if (event.description == "rent") {
            EXPECT_EQ(event.note, "bank");
            EXPECT_TRUE(event.remind1Day && event.sendEmail);
            EXPECT_EQ(event.emailAddress, "me@example.org");
        }
    }
}

TEST_F(ReminderScheduleTest, CatchUpLeavesWhatCannotMoveOn)
{
    at(2026, 12, 7, 8, 0);
    Event badMonth = timedEvent("bad", 2026, 1, 1, 9, 0, Daily);
    badMonth.when.wMonth = 13;
    add(badMonth);
    Event lastYear = timedEvent("last year", 2026, 1, 1, 9, 0, Yearly);
    lastYear.when.wYear = 65535;
    add(lastYear);
    add(timedEvent("unknown rule", 2020, 1, 1, 9, 0, static_cast<EventFrequency>(9)));
    EXPECT_FALSE(ReminderSchedule::catchUpEvents(kit.events, kit.system.now));
    EXPECT_EQ(kit.events.size(), 3u);
}

TEST_F(ReminderScheduleTest, CatchUpKeepsTheLastYearAndMovesStraightOnFromOlderDates)
{
    // Monday 7 December 2026: the oldest occurrence kept is of 7 December 2025.
    at(2026, 12, 7, 8, 0);
    const struct {
        const char* what;
        Event series;
        std::size_t pastKept; // one-time occurrences added, besides the event itself
        const char* firstKept; // the oldest one-time occurrence added
        const char* next;
    } cases[] = {
        {"daily, typed as the year 1", timedEvent("d", 1, 1, 1, 9, 0, Daily), 366, "2025-12-07 09:00 d",
         "2026-12-08 09:00 d (repeats 1)"},
        {"daily, typed as the year 206", untimedEvent("d", 206, 6, 1, Daily), 365, "2025-12-07 --:-- d",
         "2026-12-07 --:-- d (repeats 1)"},
        {"yearly since 1926", timedEvent("y", 1926, 3, 5, 9, 0, Yearly), 1, "2026-03-05 09:00 y",
         "2027-03-05 09:00 y (repeats 4)"},
        // The five rules at the edge: the occurrence of 6 December 2025 goes,
        // the one of 7 December 2025 stays.
        {"daily at the edge", untimedEvent("d", 2025, 12, 5, Daily), 365, "2025-12-07 --:-- d",
         "2026-12-07 --:-- d (repeats 1)"},
        {"weekly at the edge", untimedEvent("w", 2025, 11, 30, Weekly), 53, "2025-12-07 --:-- w",
         "2026-12-13 --:-- w (repeats 2)"},
        {"fortnightly at the edge", untimedEvent("f", 2025, 11, 9, Fortnightly), 27, "2025-12-07 --:-- f",
         "2026-12-20 --:-- f (repeats 5)"},
        {"monthly at the edge", untimedEvent("m", 2025, 10, 7, Monthly), 12, "2025-12-07 --:-- m",
         "2026-12-07 --:-- m (repeats 3)"},
        {"yearly at the edge", untimedEvent("y", 2023, 12, 7, Yearly), 1, "2025-12-07 --:-- y",
         "2026-12-07 --:-- y (repeats 4)"},
        {"yearly a day past the edge", untimedEvent("y", 2022, 12, 6, Yearly), 1, "2026-12-06 --:-- y",
         "2027-12-06 --:-- y (repeats 4)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ReminderTestKit fresh;
        fresh.system.now = kit.system.now;
        fresh.events.add(c.series);
        ASSERT_TRUE(ReminderSchedule::catchUpEvents(fresh.events, fresh.system.now));
        const std::vector<std::string> list = listing(fresh.events);
        ASSERT_EQ(list.size(), c.pastKept + 2);
        EXPECT_EQ(fresh.events[0], [&] {
            Event ended = c.series;
            ended.frequency = Once;
            return ended;
        }()) << "the event itself stays, now once";
        EXPECT_EQ(list[1], c.firstKept);
        EXPECT_EQ(list.back(), c.next);
    }
}

TEST_F(ReminderScheduleTest, ALongNoteIsCopiedOnlyForTheOccurrencesKept)
{
    at(2026, 12, 7, 8, 0);
    Event diary = timedEvent("diary", 2000, 1, 1, 21, 0, Daily);
    diary.note.assign(100 * 1024, 'x');
    add(diary);
    ASSERT_TRUE(ReminderSchedule::catchUpEvents(kit.events, kit.system.now));
    EXPECT_EQ(kit.events.size(), 1u + 366 + 1);
    EXPECT_LT(EventFileWriter::write(kit.events.all()).size(), 40u * 1024 * 1024) << "was 960 MB";
}

TEST_F(ReminderScheduleTest, CatchUpCarriesRulesForwardWithTheirCountAndSkippedDays)
{
    at(2026, 12, 7, 8, 0); // Monday 7 December 2026
    const auto series = [](Event e, const char* rule, std::vector<long> skipped = {}) {
        e.rule = rule;
        e.skippedDays = std::move(skipped);
        e.uid = "series";
        return e;
    };
    // Each event as "date time rule [skipped days]".
    const auto shown = [](const EventList& list) {
        std::vector<std::string> out;
        for (const Event& e : list) {
            std::string line = describe(e).substr(0, 16) + " " + e.rule;
            for (const long day : e.skippedDays) {
                SystemTime date;
                setDayNumber(date, day);
                line += " -" + std::to_string(date.wMonth) + "/" + std::to_string(date.wDay);
            }
            out.push_back(line);
        }
        return out;
    };
    const struct {
        const char* what;
        Event event;
        std::vector<std::string> after;
    } cases[] = {
        {"weekly, three times: ended today", series(timedEvent("w", 2026, 11, 23, 9, 0), "FREQ=WEEKLY;COUNT=3"),
         {"2026-11-23 09:00 ", "2026-11-30 09:00 ", "2026-12-07 09:00 "}},
        {"weekly, five times: two left", series(timedEvent("w", 2026, 11, 23, 9, 0), "FREQ=WEEKLY;COUNT=5"),
         {"2026-11-23 09:00 ", "2026-11-30 09:00 ", "2026-12-07 09:00 ", "2026-12-14 09:00 FREQ=WEEKLY;COUNT=2"}},
        {"the second Tuesday until June", series(timedEvent("m", 2026, 10, 13, 9, 0), "FREQ=MONTHLY;BYDAY=2TU;UNTIL=20270630"),
         {"2026-10-13 09:00 ", "2026-11-10 09:00 ", "2026-12-08 09:00 FREQ=MONTHLY;BYDAY=2TU;UNTIL=20270630"}},
        {"every three days, a past and a coming day skipped",
         series(untimedEvent("d", 2026, 11, 28), "FREQ=DAILY;INTERVAL=3", {dayNumber(2026, 12, 1), dayNumber(2026, 12, 10)}),
         {"2026-11-28 --:-- ", "2026-12-04 --:-- ", "2026-12-07 --:-- FREQ=DAILY;INTERVAL=3 -12/10"}},
        {"the next occurrence skipped: the one after it",
         series(timedEvent("t", 2026, 11, 30, 9, 0), "FREQ=WEEKLY;BYDAY=MO,TH", {dayNumber(2026, 12, 10)}),
         {"2026-11-30 09:00 ", "2026-12-03 09:00 ", "2026-12-07 09:00 ", "2026-12-14 09:00 FREQ=WEEKLY;BYDAY=MO,TH"}},
        {"a rule it cannot read: kept as it is", series(timedEvent("x", 2026, 11, 1, 9, 0), "FREQ=SOMETIMES"),
         {"2026-11-01 09:00 FREQ=SOMETIMES"}},
        {"daily, a day skipped", series(untimedEvent("s", 2026, 12, 3, Daily), "", {dayNumber(2026, 12, 5)}),
         {"2026-12-03 --:-- ", "2026-12-04 --:-- ", "2026-12-06 --:-- ", "2026-12-07 --:-- "}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ReminderTestKit fresh;
        fresh.events.add(c.event);
        ReminderSchedule::catchUpEvents(fresh.events, kit.system.now);
        EXPECT_EQ(shown(fresh.events), c.after);
        // The series keeps its identity in its next occurrence alone; past
        // occurrences and a series that has ended have none.
        const std::vector<Event>& all = fresh.events.all();
        const bool goesOn = all.back().repeats() || all.size() == 1;
        EXPECT_EQ(std::count_if(all.begin(), all.end(), [](const Event& e) { return !e.uid.empty(); }), goesOn ? 1 : 0);
        EXPECT_EQ(all.back().uid, goesOn ? "series" : "");

        // An older version reads the file without the new elements: every
        // event, the next occurrence too, is once, on the same dates.
        std::string text = EventFileWriter::write(fresh.events.all());
        for (const char* element : {"<rule>", "<skip>", "<remind>"}) {
            for (std::size_t at; (at = text.find(element)) != std::string::npos;)
                text.erase(text.rfind('\n', at) + 1, text.find('\n', at) - text.rfind('\n', at));
        }
        std::vector<Event> seen;
        ASSERT_TRUE(EventFileReader::read(text, seen, Windows1252()));
        ASSERT_EQ(seen.size(), c.after.size());
        for (std::size_t i = 0; i < seen.size(); ++i) {
            EXPECT_EQ(describe(seen[i]).substr(0, 16), c.after[i].substr(0, 16));
            EXPECT_FALSE(seen[i].repeats() && !c.event.rule.empty());
        }
    }
}

TEST_F(ReminderScheduleTest, OneCatchUpAddsAtMostItsBoundKeepingTheNewestAndMovesEverySeriesOn)
{
    at(2026, 12, 7, 8, 0); // Monday 7 December 2026
    // Texts of textSize bytes, half in the note, half in the program path.
    const auto manyDaily = [](int count, std::size_t textSize) {
        std::vector<Event> series;
        for (int i = 0; i < count; ++i) {
            series.push_back(timedEvent(("daily " + std::to_string(i)).c_str(), 2025, 12, 7, 9, 0, Daily));
            series.back().note.assign(textSize / 2, 'n');
            series.back().programPath.assign(textSize / 2, 'p');
        }
        return series;
    };
    // From the day before the oldest one kept: 54 × 366 + 236 occurrences.
    std::vector<Event> toTheBound = manyDaily(54, 0);
    for (Event& e : toTheBound)
        e.when.wDay = 6;
    toTheBound.push_back(timedEvent("236 days", 2026, 4, 15, 9, 0, Daily));
    std::vector<Event> twoOver = toTheBound; // one more on the oldest day kept, and one today
    twoOver.push_back(timedEvent("yearly", 2024, 12, 7, 9, 0, Yearly));
    const struct {
        const char* what;
        std::vector<Event> series;
        std::size_t pastKept;
        const char* oldestKept; // the date of the oldest one-time occurrence added
    } cases[] = {
        {"5,000 daily series begun a year ago: four days of them", manyDaily(5000, 0),
         ReminderSchedule::maxPastOccurrencesAdded, "2026-12-04"},
        {"under the bound: all of the last year", manyDaily(50, 0), 50 * 365, "2025-12-08"},
        {"exactly the bound: all of the last year", toTheBound, ReminderSchedule::maxPastOccurrencesAdded,
         "2025-12-07"},
        {"two over the bound on the oldest day kept: of that day, what the bound leaves", twoOver,
         ReminderSchedule::maxPastOccurrencesAdded, "2025-12-07"},
        {"two with texts of 256 KB: the newest 64 MB, of the first series where the day is cut", manyDaily(2, 256 * 1024),
         255, "2026-08-02"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ReminderSchedule::CatchUp caught = ReminderSchedule::catchUp(c.series, kit.system.now);
        EXPECT_EQ(caught.endedSeries.size(), c.series.size());
        std::vector<Event> past, moved;
        for (const Event& added : caught.added)
            (added.repeats() ? moved : past).push_back(added);
        EXPECT_EQ(moved.size(), c.series.size()) << "every series moves on";
        ASSERT_EQ(past.size(), c.pastKept);
        const auto oldest = std::min_element(past.begin(), past.end());
        EXPECT_EQ(describe(*oldest).substr(0, 10), c.oldestKept);
        EXPECT_EQ(oldest->description, "daily 0");
        std::size_t textBytes = 0;
        for (const Event& e : past)
            textBytes += e.description.size() + e.note.size() + e.programPath.size();
        EXPECT_LE(textBytes, ReminderSchedule::maxPastBytesAdded);
    }
}

TEST_F(ReminderScheduleTest, TheCatchUpIsAllOrNothingWhenMemoryRunsOut)
{
    at(2026, 12, 7, 8, 0);
    add(timedEvent("stand-up", 2026, 11, 20, 9, 0, Daily));
    add(untimedEvent("bins", 2026, 10, 6, Weekly));
    add(timedEvent("one-off", 2026, 12, 1, 12, 0));
    add(timedEvent("rent", 2026, 9, 30, 9, 0, Monthly));
    const std::vector<Event> before = kit.events.all();
    ReminderTestKit reference;
    reference.system.now = kit.system.now;
    for (const Event& event : before)
        reference.events.add(event);
    ReminderSchedule::catchUpEvents(reference.events, reference.system.now);

    int failures = 0;
    for (long nth = 1;; ++nth) {
        SCOPED_TRACE(testing::Message() << "allocation " << nth << " fails");
        bool threw = false;
        {
            const AllocationFailure failure(nth);
            try {
                ReminderSchedule::catchUpEvents(kit.events, kit.system.now);
            } catch (const std::bad_alloc&) {
                threw = true;
            }
        }
        if (!threw) {
            EXPECT_EQ(kit.events.all(), reference.events.all());
            break;
        }
        ++failures;
        ASSERT_EQ(kit.events.all(), before) << "a pass cut short leaves the list as it was";
    }
    EXPECT_GE(failures, 3) << "each allocation of the pass was made to fail once";
}

TEST_F(ReminderScheduleTest, WakeDelaysAndKinds)
{
    const struct {
        const char* what;
        int hour, minute, second, milliseconds;
        std::uint32_t delay;
        Moment moment;
    } cases[] = {
        {"the next event's minute, named by the first of its moments", 10, 0, 30, 0, 30000, Moment::Alert},
        {"to the millisecond", 10, 0, 30, 250, 29750, Moment::Alert},
        {"to the last millisecond of a second", 10, 0, 30, 999, 29001, Moment::Alert},
        {"an event at the current minute is past", 10, 1, 0, 0, 49 * 60000, Moment::HourBefore},
        {"hour-before of the 11:50 event", 10, 20, 0, 0, 30 * 60000, Moment::HourBefore},
        {"own time of the 11:50 event", 10, 50, 0, 0, 60 * 60000, Moment::Alert},
        {"nothing left: midnight", 18, 0, 0, 0, 21600000, Moment::Midnight},
        {"one second before midnight", 23, 59, 59, 0, 1000, Moment::Midnight},
    };
    add(timedEvent("soon", 2026, 12, 7, 10, 1));
    Event dayAhead = timedEvent("days ahead", 2026, 12, 10, 10, 1); // an early reminder of the minute of "soon"
    dayAhead.remindBefore = {3 * 24 * 60};
    add(dayAhead);
    Event withHour = timedEvent("with hour", 2026, 12, 7, 11, 50);
    withHour.remind1Hour = true;
    add(withHour);
    Event untimed = untimedEvent("untimed", 2026, 12, 7);
    untimed.remind1Hour = true;
    add(untimed);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        at(2026, 12, 7, c.hour, c.minute, c.second, c.milliseconds);
        const ReminderSchedule schedule(kit.system.now);
        const ReminderSchedule::Wake wake = schedule.nextWake(kit.events.all(), kit.system.now);
        EXPECT_EQ(wake.delayMilliseconds, c.delay);
        EXPECT_EQ(wake.moment, c.moment);
    }
    at(2026, 12, 8, 0, 0, 0);
    EXPECT_EQ(ReminderSchedule(kit.system.now).nextWake(kit.events.all(), kit.system.now).delayMilliseconds, 86400000u);
}

TEST_F(ReminderScheduleTest, AnHourBeforeCrossesIntoTheEveningBefore)
{
    Event early = timedEvent("early train", 2027, 1, 1, 0, 30);
    early.remind1Hour = true;
    add(early);
    at(2026, 12, 31, 22, 0);
    ReminderSchedule schedule(kit.system.now);
    const ReminderSchedule::Wake wake = schedule.nextWake(kit.events.all(), kit.system.now);
    EXPECT_EQ(wake.delayMilliseconds, 90u * 60000);
    EXPECT_EQ(wake.moment, Moment::HourBefore);
    EXPECT_EQ(wake.event.description, "early train");

    at(2026, 12, 31, 23, 30);
    const ReminderSchedule::Due due = schedule.takeDue(kit.events.all(), kit.system.now);
    ASSERT_EQ(due.hourBefore.size(), 1u);
    EXPECT_TRUE(due.alerts.empty());
    EXPECT_FALSE(due.newDay);
    EXPECT_EQ(schedule.nextWake(kit.events.all(), kit.system.now).moment, Moment::Midnight);
}

TEST_F(ReminderScheduleTest, DueMomentsComeOnceEach)
{
    add(timedEvent("A", 2026, 12, 7, 10, 0));
    add(timedEvent("B", 2026, 12, 7, 10, 0));
    Event c = timedEvent("C", 2026, 12, 7, 11, 0);
    c.remind1Hour = true;
    add(c);
    add(timedEvent("before start", 2026, 12, 7, 9, 0));

    at(2026, 12, 7, 9, 0, 40);
    ReminderSchedule schedule(kit.system.now);
    EXPECT_TRUE(schedule.takeDue(kit.events.all(), kit.system.now).empty()) << "the start minute is past";

    at(2026, 12, 7, 9, 59, 59, 999);
    EXPECT_TRUE(schedule.takeDue(kit.events.all(), kit.system.now).empty()) << "nothing before its minute";

    at(2026, 12, 7, 10, 0, 0, 3);
    ReminderSchedule::Due due = schedule.takeDue(kit.events.all(), kit.system.now);
    ASSERT_EQ(due.alerts.size(), 2u) << "a shared minute gives each its alert";
    EXPECT_EQ(due.alerts[0].description, "A");
    EXPECT_EQ(due.alerts[1].description, "B");
    ASSERT_EQ(due.hourBefore.size(), 1u) << "and the hour-before of the same minute too";
    EXPECT_EQ(due.hourBefore[0].description, "C");
    EXPECT_TRUE(schedule.takeDue(kit.events.all(), kit.system.now).empty()) << "never twice";

    // The summer-time hour repeats: nothing of it comes again.
    at(2026, 12, 7, 9, 30);
    EXPECT_TRUE(schedule.takeDue(kit.events.all(), kit.system.now).empty());
    at(2026, 12, 7, 10, 30);
    EXPECT_TRUE(schedule.takeDue(kit.events.all(), kit.system.now).empty());

    // A clock corrected back by a day: what lies ahead again comes again.
    at(2026, 12, 6, 23, 0);
    EXPECT_TRUE(schedule.takeDue(kit.events.all(), kit.system.now).empty());
    at(2026, 12, 7, 10, 0);
    due = schedule.takeDue(kit.events.all(), kit.system.now);
    EXPECT_EQ(due.alerts.size(), 3u);
    EXPECT_TRUE(due.newDay);
}

TEST_F(ReminderScheduleTest, OnlyAClockPutBackByMoreThanThreeHoursRemindsAgain)
{
    // Looked at 12:00 after the alert of 10:00; then the clock goes back.
    const struct {
        int minutesBack;
        std::size_t alertsAgain;
    } cases[] = {{60, 0}, {180, 0}, {181, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.minutesBack);
        ReminderTestKit fresh;
        fresh.events.add(timedEvent("ten", 2026, 12, 7, 10, 0));
        fresh.setClock(SimulatedClock::milliseconds(2026, 12, 7, 9, 0));
        ReminderSchedule schedule(fresh.system.now);
        std::size_t alerts = 0;
        for (int minute = 9 * 60 + 1; minute <= 12 * 60; ++minute) {
            fresh.setClock(SimulatedClock::milliseconds(2026, 12, 7, 0, minute));
            schedule.takeDue(fresh.events.all(), fresh.system.now);
        }
        for (int minute = 12 * 60 - c.minutesBack; minute <= 12 * 60; ++minute) {
            fresh.setClock(SimulatedClock::milliseconds(2026, 12, 7, 0, minute));
            alerts += schedule.takeDue(fresh.events.all(), fresh.system.now).alerts.size();
        }
        EXPECT_EQ(alerts, c.alertsAgain);
    }
}

TEST_F(ReminderScheduleTest, NoRealDateOrClockHidesOrBringsBackAnything)
{
    Event bad = timedEvent("bad", 2026, 12, 7, 10, 0);
    bad.when.wMonth = 13;
    const std::vector<Event> events{bad, timedEvent("yesterday", 2026, 12, 6, 10, 0),
                                    timedEvent("good", 2026, 12, 7, 10, 0)};
    at(2026, 12, 7, 9, 0);
    ReminderSchedule schedule(kit.system.now);
    SystemTime broken = kit.system.now;
    broken.wMonth = 13;
    EXPECT_TRUE(schedule.takeDue(events, broken).empty());
    at(2026, 12, 7, 10, 0);
    const ReminderSchedule::Due due = schedule.takeDue(events, kit.system.now);
    ASSERT_EQ(due.alerts.size(), 1u);
    EXPECT_EQ(due.alerts[0].description, "good");
}

TEST_F(ReminderScheduleTest, AfterTheClockWentBackAnEventEnteredForAMinuteAheadComes)
{
    add(timedEvent("before the step", 2026, 10, 25, 2, 20));
    at(2026, 10, 25, 1, 0);
    ReminderSchedule schedule(kit.system.now);
    at(2026, 10, 25, 2, 40);
    ASSERT_EQ(schedule.takeDue(kit.events.all(), kit.system.now).alerts.size(), 1u);

    // The clock falls back; at 02:05 the user enters three events.
    at(2026, 10, 25, 2, 5);
    for (const Event& entered : {timedEvent("ahead", 2026, 10, 25, 2, 30), timedEvent("gone", 2026, 10, 25, 2, 0),
                                 timedEvent("this minute", 2026, 10, 25, 2, 5),
                                 timedEvent("daily ahead", 2026, 10, 24, 2, 15, Daily)}) {
        add(entered);
        schedule.entered(entered, kit.system.now);
    }
    ReminderSchedule::catchUpEvents(kit.events, kit.system.now);
    const ReminderSchedule::Wake wake = schedule.nextWake(kit.events.all(), kit.system.now);
    EXPECT_EQ(wake.delayMilliseconds, 10 * 60000u);
    EXPECT_EQ(wake.event.description, "daily ahead");

    std::vector<std::string> alerts;
    for (int minute = 6; minute <= 59; ++minute) {
        at(2026, 10, 25, 2, minute);
        for (const Event& due : schedule.takeDue(kit.events.all(), kit.system.now).alerts)
            alerts.push_back(describe(due));
    }
    EXPECT_EQ(alerts, (std::vector<std::string>{"2026-10-25 02:15 daily ahead", "2026-10-25 02:30 ahead"}));
}

TEST_F(ReminderScheduleTest, AHourBeforeWhoseEventIsDueTooIsLeftToTheAlert)
{
    Event event = timedEvent("meeting", 2026, 12, 7, 10, 0);
    event.remind1Hour = true;
    add(event);
    at(2026, 12, 7, 8, 0);
    ReminderSchedule schedule(kit.system.now);
    at(2026, 12, 7, 10, 5); // woke from sleep after both moments
    const ReminderSchedule::Due due = schedule.takeDue(kit.events.all(), kit.system.now);
    EXPECT_TRUE(due.hourBefore.empty());
    ASSERT_EQ(due.alerts.size(), 1u);
}

TEST(ReminderScheduleMinutes, MinuteNumbers)
{
    EXPECT_EQ(ReminderSchedule::minuteNumber(SystemTime{1970, 1, 4, 1, 0, 0, 0, 0}), 0);
    EXPECT_EQ(ReminderSchedule::minuteNumber(SystemTime{1970, 1, 4, 2, 1, 1, 0, 0}), 24 * 60 + 61);
    EXPECT_EQ(ReminderSchedule::minuteNumber(SystemTime{2000, 3, 3, 1, 0, 0, 0, 0}), 11017L * 1440);
    EXPECT_EQ(ReminderSchedule::minuteNumber(SystemTime{2026, 2, 0, 29, 0, 0, 0, 0}), -1);
    EXPECT_EQ(ReminderSchedule::minuteNumber(SystemTime{2026, 2, 0, 28, 24, 0, 0, 0}), -1);
    EXPECT_EQ(ReminderSchedule::minuteNumber(SystemTime{2026, 2, 0, 28, 23, 60, 0, 0}), -1);
}

} // namespace
