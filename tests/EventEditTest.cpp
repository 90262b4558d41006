#include "EventEdit.h"
#include "ReminderSchedule.h"
#include "ReminderTestKit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> listing(const EventList& events)
{
    std::vector<std::string> out;
    for (const Event& event : events)
        out.push_back(describe(event));
    return out;
}

// Applies what the editor's OK does to the list.
void apply(EventList& events, const EventEdit::Change& change)
{
    if (change.action == EventEdit::Action::Replace)
        events.replace(change.position, change.event);
    else
        events.add(change.event);
}

TEST(EventEdit, TheEditFindsItsEventAgainAfterTheListChanged)
{
    ReminderTestKit kit;
    kit.events.add(timedEvent("first", 2026, 12, 1, 9, 0));
    kit.events.add(timedEvent("edited", 2026, 12, 20, 9, 0));
    const Event original = kit.events[1];
    Event edited = original;
    edited.description = "renamed";

    EventEdit::Change change = EventEdit::place(kit.events.all(), 1, original, edited);
    EXPECT_EQ(change.action, EventEdit::Action::Replace);
    EXPECT_EQ(change.position, 1u);
    EXPECT_EQ(change.event, edited);

    kit.events.add(timedEvent("added before it", 2026, 12, 19, 9, 0)); // moves it to 2
    change = EventEdit::place(kit.events.all(), 1, original, edited);
    EXPECT_EQ(change.action, EventEdit::Action::Replace);
    EXPECT_EQ(change.position, 2u);
    EXPECT_EQ(EventEdit::locate(kit.events.all(), 1, original), 2);

    kit.events.remove(2);
    EXPECT_EQ(EventEdit::place(kit.events.all(), 1, original, edited).action, EventEdit::Action::Add)
        << "gone: the edit is added";
    EXPECT_EQ(EventEdit::locate(kit.events.all(), 1, original), -1);
}

TEST(EventEdit, AnEditOfACarriedForwardEventMovesItsSeriesNotThePastOccurrence)
{
    const struct {
        const char* what;
        Event series;
        int daysCarried;  // the ticks while the editor was open, one a day
        void (*edit)(Event&);
        std::vector<std::string> after;
        const char* rule = ""; // the series' rule after the edit
    } cases[] = {
        {"an hour later",
         timedEvent("stand-up", 2026, 12, 7, 9, 0, Daily),
         0,
         [](Event& e) { e.when.wHour = 10; },
         {"2026-12-07 09:00 stand-up", "2026-12-08 10:00 stand-up (repeats 1)"}},
        {"renamed, after three days",
         timedEvent("stand-up", 2026, 12, 7, 9, 0, Daily),
         3,
         [](Event& e) { e.description = "daily sync"; },
         {"2026-12-07 09:00 stand-up", "2026-12-08 09:00 stand-up", "2026-12-09 09:00 stand-up",
          "2026-12-10 09:00 stand-up", "2026-12-11 09:00 daily sync (repeats 1)"}},
        {"a day later, across the month's end",
         timedEvent("rent", 2026, 11, 30, 23, 30, Monthly),
         0,
         [](Event& e) { e.when = SystemTime{2026, 12, 0, 1, 0, 15, 0, 0}; },
         {"2026-11-30 23:30 rent", "2026-12-31 00:15 rent (repeats 3)"}},
        {"without a time, two days later",
         untimedEvent("bins", 2026, 12, 6, Weekly),
         0,
         [](Event& e) { e.when.wDay = 8; },
         {"2026-12-06 --:-- bins", "2026-12-15 --:-- bins (repeats 2)"}},
        {"now every week",
         timedEvent("yoga", 2026, 12, 7, 9, 0, Daily),
         0,
         [](Event& e) { e.frequency = Weekly; },
         {"2026-12-07 09:00 yoga", "2026-12-08 09:00 yoga (repeats 2)"}},
        {"ten times by a rule, renamed after two days: the count goes on",
         [] {
             Event e = timedEvent("course", 2026, 12, 7, 9, 0);
             e.rule = "FREQ=DAILY;COUNT=10";
             return e;
         }(),
         2,
         [](Event& e) { e.description = "class"; },
         {"2026-12-07 09:00 course", "2026-12-08 09:00 course", "2026-12-09 09:00 course", "2026-12-10 09:00 class"},
         "FREQ=DAILY;COUNT=7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ReminderTestKit kit;
        kit.setClock(SimulatedClock::milliseconds(2026, 12, 7, 8, 0));
        kit.events.add(c.series);
        const Event original = kit.events[0];
        Event edited = original;
        c.edit(edited);
        // The ticks while the editor is open carry the event forward.
        ReminderSchedule::catchUpEvents(kit.events, kit.system.now);
        for (int day = 1; day <= c.daysCarried; ++day) {
            kit.setClock(SimulatedClock::milliseconds(2026, 12, 7 + day, 8, 0));
            ReminderSchedule::catchUpEvents(kit.events, kit.system.now);
        }
        apply(kit.events, EventEdit::place(kit.events.all(), 0, original, edited));
        EXPECT_EQ(listing(kit.events), c.after);
        EXPECT_EQ(kit.events.all().back().rule, c.rule);
    }
}

TEST(EventEdit, OneSeriesRunsOnForAMonthAfterTheEdit)
{
    ReminderTestKit kit;
    kit.setClock(SimulatedClock::milliseconds(2026, 12, 7, 8, 0));
    kit.events.add(timedEvent("stand-up", 2026, 12, 7, 9, 0, Daily));
    const Event original = kit.events[0];
    Event edited = original;
    edited.when.wHour = 10;
    ReminderSchedule::catchUpEvents(kit.events, kit.system.now); // the tick while the editor is open
    apply(kit.events, EventEdit::place(kit.events.all(), 0, original, edited));
    for (int day = 1; day <= 30; ++day) {
        kit.setClock(SimulatedClock::milliseconds(2026, 12, 7, 8, 0) + day * 86400000LL);
        ReminderSchedule::catchUpEvents(kit.events, kit.system.now);
    }
    int series = 0;
    for (const Event& event : kit.events)
        series += event.repeats() ? 1 : 0;
    EXPECT_EQ(series, 1);
    EXPECT_EQ(kit.events.size(), 32u) << "today at 09:00, then one occurrence a day at 10:00";
}

} // namespace
