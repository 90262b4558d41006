#include "Agenda.h"
#include "Calendar.h"
#include "RandomEvents.h"
#include "ReminderSchedule.h"
#include "ReminderTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::vector<std::string> listed(const std::vector<Agenda::Line>& lines)
{
    std::vector<std::string> out;
    for (const Agenda::Line& line : lines) {
        SystemTime date;
        setDayNumber(date, line.day);
        char text[64];
        if (line.minute < 0)
            std::snprintf(text, sizeof text, "%02u-%02u -----", date.wMonth, date.wDay);
        else
            std::snprintf(text, sizeof text, "%02u-%02u %02d:%02d", date.wMonth, date.wDay, line.minute / 60,
                          line.minute % 60);
        out.push_back(std::string(text) + (line.kind == Agenda::Kind::Event ? " event " : " reminder ") +
                      line.event->description);
    }
    return out;
}

TEST(Agenda, OccurrencesAndRemindersOfTheWindowInTimeOrder)
{
    Event weekly = timedEvent("weekly", 2026, 11, 30, 18, 0, Weekly);
    weekly.skippedDays = {dayNumber(2026, 12, 14)};
    Event birthday = untimedEvent("birthday", 2026, 12, 20, Yearly);
    birthday.remindBefore = {7 * 1440 - 9 * 60}; // a week before, at 09:00
    Event train = timedEvent("train", 2026, 12, 15, 0, 30);
    train.remind1Hour = true;
    const std::vector<Event> events{timedEvent("midnight", 2026, 12, 7, 0, 0), weekly, untimedEvent("untimed", 2026, 12, 7),
                                    timedEvent("late", 2026, 12, 7, 23, 0), timedEvent("as late", 2026, 12, 7, 23, 0),
                                    timedEvent("midnight too", 2026, 12, 7, 0, 0), train, birthday,
                                    timedEvent("after the window", 2026, 12, 16, 9, 0)};
    EXPECT_EQ(listed(Agenda::of(events, dayNumber(2026, 12, 7), 8)),
              (std::vector<std::string>{"12-07 00:00 event midnight", "12-07 00:00 event midnight too",
                                        "12-07 18:00 event weekly", "12-07 23:00 event late",
                                        "12-07 23:00 event as late", "12-07 ----- event untimed",
                                        "12-13 09:00 reminder birthday", "12-14 23:30 reminder train"}));
}

// What the program hands out, day by day, is what the agenda said: each day
// the catch-up carries the events forward, and the occurrences of that day
// are the events dated then.
TEST(Agenda, AgreesWithTheCatchUpDayByDay)
{
    RandomEvents random(23);
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        std::vector<Event> events;
        for (int i = 0; i < 5; ++i) {
            Event e = random.typical();
            e.when.wYear = static_cast<std::uint16_t>(random.number(2024, 2026));
            e.when.wDay = static_cast<std::uint16_t>(std::min<int>(e.when.wDay, 28 + random.number(0, 3)));
            if (!isValidDate(e.when))
                e.when.wDay = 28;
            e.frequency = static_cast<EventFrequency>(random.number(0, 5));
            e.remindBefore.clear();
            e.rule.clear();
            e.skippedDays.clear();
            static const char* const rules[] = {"FREQ=MONTHLY;BYDAY=2TU", "FREQ=DAILY;INTERVAL=3;COUNT=40",
                                                "FREQ=WEEKLY;BYDAY=MO,FR;UNTIL=20270301", "FREQ=MONTHLY;BYMONTHDAY=-1",
                                                "FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=29"};
            if (random.number(0, 2) == 0) {
                e.when.wYear = 2026; // begun before the window, going on in it
                e.when.wMonth = static_cast<std::uint16_t>(random.number(10, 12));
                e.when.wDay = static_cast<std::uint16_t>(random.number(1, 28));
                e.frequency = Once;
                e.rule = rules[random.number(0, 4)];
                e.skippedDays = {dayNumber(2026, 12, random.number(1, 31)), dayNumber(2027, 2, 28)};
            }
            events.push_back(e);
        }
        const long first = dayNumber(2026, 12, 1);
        const long days = 400;
        std::vector<std::string> expected;
        ReminderTestKit kit;
        for (const Event& e : events)
            kit.events.add(e);
        for (long day = first; day < first + days; ++day) {
            SystemTime now;
            setDayNumber(now, day);
            now.wHour = 23;
            now.wMinute = 59;
            ReminderSchedule::catchUpEvents(kit.events, now);
            // The events of that day lie between its 00:00 and the day's untimed ones.
            Event dayStart;
            dayStart.when = now;
            dayStart.when.wHour = dayStart.when.wMinute = 0;
            Event dayEnd = dayStart;
            dayEnd.noTime = true;
            const auto from = std::lower_bound(kit.events.begin(), kit.events.end(), dayStart);
            const auto to = std::upper_bound(kit.events.begin(), kit.events.end(), dayEnd);
            for (auto e = from; e != to; ++e)
                expected.push_back(std::to_string(day) + " " + e->description);
        }
        std::vector<std::string> agenda;
        for (const Agenda::Line& line : Agenda::of(events, first, days))
            if (line.kind == Agenda::Kind::Event)
                agenda.push_back(std::to_string(line.day) + " " + line.event->description);
        std::sort(expected.begin(), expected.end());
        std::sort(agenda.begin(), agenda.end());
        EXPECT_EQ(agenda, expected);
    }
}

} // namespace
