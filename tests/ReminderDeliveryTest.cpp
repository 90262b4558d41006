#include "CalendarTransfer.h"
#include "FixedTimeZones.h"
#include "ReminderDelivery.h"
#include "ReminderOutput.h"
#include "ReminderTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// The desktop of a simulated run: balloons and alerts are written to a log
// with the simulated time; the one timer fires when the simulation reaches it.
class SimulatedDesktop : public ReminderOutput {
public:
    explicit SimulatedDesktop(ReminderTestKit& testKit) : kit(testKit) {}

    std::vector<std::string> log;
    int alertOpenMinutes = 0; // how long the user leaves each alert open; less than 0: the clock went back
    int timerMessages = 0;
    ReminderDelivery* delivery = nullptr;
    bool tickWhileAlertOpen = false;
    int failingAlerts = 0;     // the next alerts that fail to show
    std::vector<Snooze::Choice> snoozes; // the next alerts' answers: snoozed for so long
    std::size_t handedOut = 0; // alerts and rows of lists
    int open = 0, mostOpen = 0; // alerts open at once
    bool logListChanges = false; // also log what the event list is told

    void setClock(std::int64_t milliseconds)
    {
        clock = milliseconds;
        kit.setClock(clock);
    }

    // Lets the simulated time run to `end`, firing the timer on its way.
    void runUntil(std::int64_t end)
    {
        while (armedAt >= 0 && armedAt <= end) {
            setClock(armedAt);
            armedAt = -1; // a fired timer is not fired again unless re-armed
            ++timerMessages;
            delivery->onTimer();
        }
        setClock(end);
    }

    // The computer sleeps from now to `end`; at wake-up the program looks again.
    void sleepUntil(std::int64_t end)
    {
        setClock(end);
        delivery->onTimer();
    }

    void showBalloon(const std::string& title, const std::string& text, std::uint32_t infoFlags,
                     std::uint32_t timeout) override
    {
        std::string oneLine;
        for (const char c : text)
            oneLine += c == '\r' ? "" : c == '\n' ? "|" : std::string(1, c);
        write(title + ": " + oneLine + " (" + std::to_string(infoFlags) + ", " + std::to_string(timeout) + ")");
    }

    void showAlert(const Event& event) override
    {
        if (failingAlerts > 0) {
            --failingAlerts;
            throw std::runtime_error("the alert could not be shown");
        }
        ++handedOut;
        mostOpen = std::max(mostOpen, ++open);
        write("alert " + event.description);
        setClock(clock + alertOpenMinutes * 60000);
        if (tickWhileAlertOpen) {
            ++timerMessages;
            delivery->onTimer(); // a tick dispatched by the alert's own message loop
        }
        --open;
        if (!snoozes.empty()) {
            const Snooze::Choice choice = snoozes.front();
            snoozes.erase(snoozes.begin());
            delivery->snooze(event, choice);
        }
    }

    void showBacklog(const std::vector<Event>& newestFirst) override
    {
        handedOut += newestFirst.size();
        std::string rows;
        for (std::size_t i = 0; i < newestFirst.size() && i < 3; ++i)
            rows += (i ? ", " : "") + describe(newestFirst[i]);
        write("list of " + std::to_string(newestFirst.size()) + ": " + rows +
              (newestFirst.size() > 3 ? ", ..." : ""));
    }

    void armTimer(std::uint32_t milliseconds) override { armedAt = clock + milliseconds; }
    std::int64_t armedFor() const { return armedAt; }
    void killTimer() override { armedAt = -1; }
    void eventsChanged() override
    {
        if (logListChanges)
            write("list anew");
    }
    void eventAdded() override
    {
        if (logListChanges)
            write("list added to");
    }

private:
    void write(const std::string& line)
    {
        const SystemTime t = kit.system.now;
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%02u-%02u %02u:%02u:%02u ", t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
        log.push_back(stamp + line);
    }

    ReminderTestKit& kit;
    std::int64_t clock = 0;
    std::int64_t armedAt = -1;
};

// The alerts and lists of a log.
std::vector<std::string> alertsIn(const std::vector<std::string>& log)
{
    std::vector<std::string> alerts;
    for (const std::string& line : log)
        if (line.find("alert") != std::string::npos || line.find("list") != std::string::npos)
            alerts.push_back(line);
    return alerts;
}

class ReminderDeliveryTest : public testing::Test {
protected:
    ReminderTestKit kit;
    SimulatedDesktop desktop{kit};
    ReminderDelivery delivery{kit.events, kit.keeper, kit.system, desktop, testTexts()};

    void startAt(std::int64_t milliseconds)
    {
        desktop.delivery = &delivery;
        desktop.setClock(milliseconds);
        delivery.start();
    }
    static std::int64_t at(int month, int day, int hour, int minute, int second = 0)
    {
        return SimulatedClock::milliseconds(2026, month, day, hour, minute, second);
    }
    Event withHourBefore(Event event)
    {
        event.remind1Hour = true;
        return event;
    }
};

TEST_F(ReminderDeliveryTest, AWholeDay)
{
    kit.events.add(timedEvent("A", 2026, 12, 7, 9, 50));
    kit.events.add(withHourBefore(timedEvent("B", 2026, 12, 7, 10, 20)));
    kit.events.add(timedEvent("C", 2026, 12, 7, 10, 20));
    kit.events.add(timedEvent("gone", 2026, 12, 7, 7, 0));
    kit.events.add(withHourBefore(untimedEvent("untimed", 2026, 12, 7)));
    Event tomorrow = timedEvent("tomorrow", 2026, 12, 8, 9, 0);
    tomorrow.remind1Day = true;
    kit.events.add(tomorrow);

    startAt(at(12, 7, 9, 0, 12));
    desktop.runUntil(at(12, 8, 12, 0));
    EXPECT_EQ(desktop.log, (std::vector<std::string>{
                               "12-07 09:00:12 Remind these events: Today:|07.00\tgone|09.50\tA|10.20\tB|10.20\tC|"
                               "-------\tuntimed||Tomorrow:|09.00\ttomorrow| (1, 20)",
                               "12-07 09:20:00 Remind this event: 10.20\tB| (1, 0)",
                               "12-07 09:50:00 alert A",
                               "12-07 10:20:00 alert B",
                               "12-07 10:20:00 alert C",
                               "12-08 00:00:00 Remind these events: Today:|09.00\ttomorrow| (1, 20)",
                               "12-08 09:00:00 alert tomorrow",
                           }));
    // One timer message per moment and one at midnight: nothing in between.
    EXPECT_EQ(desktop.timerMessages, 5);
}

TEST_F(ReminderDeliveryTest, EarlyRemindersComeAtTheirMinuteWithTheDate)
{
    const auto remindedAt = [](Event event, std::vector<std::int32_t> minutesBefore) {
        event.remindBefore = std::move(minutesBefore);
        return event;
    };
    // A week before at 09:00, a day before and a quarter of an hour before.
    kit.events.add(remindedAt(untimedEvent("birthday", 2026, 12, 14), {7 * 1440 - 9 * 60}));
    kit.events.add(remindedAt(timedEvent("dentist", 2026, 12, 9, 8, 30), {15, 1440}));
    // Its reminder was due while the computer was off, and the event is over.
    kit.events.add(remindedAt(timedEvent("over", 2026, 12, 7, 7, 0), {30}));
    startAt(at(12, 7, 8, 0));
    desktop.log.clear();
    desktop.runUntil(at(12, 9, 8, 20));
    EXPECT_EQ(desktop.log, (std::vector<std::string>{
                               "12-07 09:00:00 Remind this event: 2026-12-14 -------\tbirthday| (1, 0)",
                               "12-08 00:00:00 Remind these events: Today:|No events today.| (1, 20)",
                               "12-08 08:30:00 Remind this event: 2026-12-09 08.30\tdentist| (1, 0)",
                               "12-09 00:00:00 Remind these events: Today:|08.30\tdentist| (1, 20)",
                               "12-09 08:15:00 Remind this event: 2026-12-09 08.30\tdentist| (1, 0)",
                           }));
}

TEST_F(ReminderDeliveryTest, StartedLateInTheMorning)
{
    kit.events.add(withHourBefore(timedEvent("half past ten", 2026, 12, 7, 10, 30)));
    kit.events.add(timedEvent("nightly", 2026, 12, 6, 23, 0, Daily));
    kit.events.add(timedEvent("missed", 2026, 12, 7, 9, 0));
    startAt(at(12, 7, 9, 45));
    desktop.runUntil(at(12, 8, 23, 30));
    EXPECT_EQ(desktop.log, (std::vector<std::string>{
                               "12-07 09:45:00 Remind these events: Today:|09.00\tmissed|10.30\thalf past ten|"
                               "23.00\tnightly| (1, 20)",
                               "12-07 10:30:00 alert half past ten",
                               "12-07 23:00:00 alert nightly",
                               "12-08 00:00:00 Remind these events: Today:|23.00\tnightly| (1, 20)",
                               "12-08 23:00:00 alert nightly",
                           }));
}

TEST_F(ReminderDeliveryTest, QuietDaysWakeOnlyAtMidnight)
{
    kit.events.add(untimedEvent("no time", 2026, 12, 8));
    kit.events.add(timedEvent("next week", 2026, 12, 14, 9, 0));
    startAt(at(12, 7, 10, 17, 33));
    desktop.runUntil(at(12, 10, 10, 0));
    EXPECT_EQ(desktop.timerMessages, 3) << "one timer message a day, none in between";
    EXPECT_EQ(desktop.log.size(), 3u) << "each the day's summary";
}

TEST_F(ReminderDeliveryTest, ADailyEventAfterAWeekendOff)
{
    kit.events.add(timedEvent("stand-up", 2026, 12, 5, 9, 0, Daily)); // last seen on Saturday
    startAt(at(12, 7, 8, 0));                                          // Monday
    desktop.runUntil(at(12, 9, 12, 0));
    EXPECT_EQ(desktop.log, (std::vector<std::string>{
                               "12-07 08:00:00 Remind these events: Today:|09.00\tstand-up| (1, 20)",
                               "12-07 09:00:00 alert stand-up",
                               "12-08 00:00:00 Remind these events: Today:|09.00\tstand-up| (1, 20)",
                               "12-08 09:00:00 alert stand-up",
                               "12-09 00:00:00 Remind these events: Today:|09.00\tstand-up| (1, 20)",
                               "12-09 09:00:00 alert stand-up",
                           }));
}

TEST_F(ReminderDeliveryTest, AnHourBeforeAnEarlyEventComesTheEveningBefore)
{
    kit.events.add(withHourBefore(timedEvent("early train", 2026, 12, 8, 0, 30)));
    startAt(at(12, 7, 20, 0));
    desktop.runUntil(at(12, 8, 1, 0));
    EXPECT_EQ(desktop.log, (std::vector<std::string>{
                               "12-07 23:30:00 Remind this event: 00.30\tearly train| (1, 0)",
                               "12-08 00:00:00 Remind these events: Today:|00.30\tearly train| (1, 20)",
                               "12-08 00:30:00 alert early train",
                           }));
}

TEST_F(ReminderDeliveryTest, MomentsThatPassWhileAnAlertIsOpenComeWhenItCloses)
{
    kit.events.add(timedEvent("first", 2026, 12, 7, 10, 0));
    kit.events.add(withHourBefore(timedEvent("later", 2026, 12, 7, 11, 5)));
    kit.events.add(timedEvent("meanwhile", 2026, 12, 7, 10, 5));
    desktop.alertOpenMinutes = 10;
    desktop.tickWhileAlertOpen = true;
    startAt(at(12, 7, 9, 59, 30));
    desktop.runUntil(at(12, 7, 12, 0));
    EXPECT_EQ(desktop.log, (std::vector<std::string>{
                               "12-07 09:59:30 Remind these events: Today:|10.00\tfirst|10.05\tmeanwhile|11.05\tlater| "
                               "(1, 20)",
                               "12-07 10:00:00 alert first",
                               "12-07 10:10:00 Remind this event: 11.05\tlater| (1, 0)",
                               "12-07 10:10:00 alert meanwhile",
                               "12-07 11:05:00 alert later",
                           }));
    EXPECT_EQ(desktop.mostOpen, 1) << "never an alert over another";
}

TEST_F(ReminderDeliveryTest, SleepingOverMidnight)
{
    kit.events.add(timedEvent("late", 2026, 12, 7, 23, 0));
    kit.events.add(withHourBefore(timedEvent("morning", 2026, 12, 8, 7, 0)));
    kit.events.add(timedEvent("after wake-up", 2026, 12, 8, 9, 0));
    startAt(at(12, 7, 22, 0));
    desktop.runUntil(at(12, 7, 22, 30));
    desktop.sleepUntil(at(12, 8, 8, 0, 30));
    desktop.runUntil(at(12, 8, 10, 0));
    EXPECT_EQ(desktop.log, (std::vector<std::string>{
                               "12-07 22:00:00 Remind these events: Today:|23.00\tlate| (1, 20)",
                               "12-08 08:00:30 Remind these events: Today:|07.00\tmorning|09.00\tafter wake-up| (1, 20)",
                               "12-08 08:00:30 list of 2: 2026-12-08 07:00 morning, 2026-12-07 23:00 late",
                               "12-08 09:00:00 alert after wake-up",
                           }));
}

TEST_F(ReminderDeliveryTest, StartUpWithNothingToRemindShowsNoBalloon)
{
    kit.events.add(timedEvent("next week", 2026, 12, 14, 9, 0));
    startAt(at(12, 7, 9, 0));
    EXPECT_TRUE(desktop.log.empty());
    EXPECT_FALSE(delivery.composeSummary());
    EXPECT_EQ(delivery.summaryText(), "Today:\r\nNo events today.\r\n");
    EXPECT_EQ(desktop.armedFor(), at(12, 8, 0, 0)) << "the timer runs to midnight";
}

TEST_F(ReminderDeliveryTest, TheMidnightBalloonAlsoShowsAnHourBeforeOfThatMinute)
{
    kit.events.add(withHourBefore(timedEvent("one o'clock", 2026, 12, 8, 1, 0)));
    startAt(at(12, 7, 23, 0));
    desktop.runUntil(at(12, 8, 0, 30));
    EXPECT_EQ(desktop.log, (std::vector<std::string>{
                               "12-08 00:00:00 Remind this event: 01.00\tone o'clock||Today:|01.00\tone o'clock| (1, 0)",
                           }));
}

TEST_F(ReminderDeliveryTest, TheFileKeepsTheCaughtUpEvents)
{
    kit.events.add(timedEvent("weekly", 2026, 11, 23, 18, 0, Weekly));
    startAt(at(12, 7, 8, 0));
    ASSERT_TRUE(kit.keeper.save());
    std::vector<Event> saved;
    EventStore(kit.system, kit.files).load(kit.keeper.path(), saved);
    ASSERT_EQ(saved.size(), 4u);
    EXPECT_EQ(describe(saved[3]), "2026-12-14 18:00 weekly (repeats 2)");
}

TEST_F(ReminderDeliveryTest, ASnoozedAlertComesAgainAtItsMinuteAndIsInTheFileAtOnce)
{
    kit.events.add(timedEvent("tea", 2026, 12, 7, 9, 0));
    desktop.snoozes = {Snooze::FiveMinutes, Snooze::AnHour};
    startAt(at(12, 7, 8, 0));
    desktop.log.clear();
    desktop.runUntil(at(12, 7, 9, 0));
    std::vector<Event> saved;
    EventStore(kit.system, kit.files).load(kit.keeper.path(), saved);
    ASSERT_EQ(saved.size(), 2u) << "saved before the alert is gone";
    EXPECT_EQ(describe(saved[1]), "2026-12-07 09:05 tea");
    desktop.runUntil(at(12, 7, 11, 0));
    EXPECT_EQ(desktop.log, (std::vector<std::string>{"12-07 09:00:00 alert tea", "12-07 09:05:00 alert tea",
                                                     "12-07 10:05:00 alert tea"}));
}

TEST_F(ReminderDeliveryTest, TheListIsShownAnewAfterACarryForwardASnoozeAndEachLook)
{
    kit.events.add(timedEvent("pills", 2026, 12, 7, 22, 0, Daily));
    kit.events.add(timedEvent("tea", 2026, 12, 8, 0, 0));
    desktop.snoozes = {Snooze::FiveMinutes};
    desktop.logListChanges = true;
    startAt(at(12, 7, 23, 0));
    desktop.log.clear();
    desktop.runUntil(at(12, 8, 0, 0));
    EXPECT_EQ(desktop.log, (std::vector<std::string>{
                               "12-08 00:00:00 list anew", // pills carried on to today, before anything shows
                               "12-08 00:00:00 Remind these events: Today:|00.00\ttea|22.00\tpills| (1, 20)",
                               "12-08 00:00:00 alert tea", "12-08 00:00:00 list added to", "12-08 00:00:00 list anew"}));
}

TEST_F(ReminderDeliveryTest, ASnoozeOutsideAnAlertArmsTheTimerForIt)
{
    startAt(at(12, 7, 8, 0));
    delivery.snooze(timedEvent("tea", 2026, 12, 7, 8, 0), Snooze::FiveMinutes);
    EXPECT_EQ(desktop.armedFor(), at(12, 7, 8, 5));
}

TEST_F(ReminderDeliveryTest, ASnoozeAfterTheClockWentBackComesAtItsMinute)
{
    // The alert of 02:40 is open when the clock falls back an hour; at 02:05
    // (the second time) the user snoozes it for five minutes.
    kit.events.add(timedEvent("night shift", 2026, 10, 25, 2, 40));
    desktop.alertOpenMinutes = -35;
    desktop.snoozes = {Snooze::FiveMinutes};
    startAt(SimulatedClock::milliseconds(2026, 10, 25, 1, 0));
    desktop.log.clear();
    desktop.runUntil(SimulatedClock::milliseconds(2026, 10, 25, 4, 0));
    EXPECT_EQ(alertsIn(desktop.log), (std::vector<std::string>{"10-25 02:40:00 alert night shift",
                                                               "10-25 02:10:00 alert night shift"}));
}

TEST_F(ReminderDeliveryTest, ABacklogComesAsOneListNewestFirst)
{
    const struct {
        const char* what;
        std::vector<Event> events;
        std::int64_t start, asleepFrom, wakeAt;
        std::vector<std::string> log; // from the wake-up on; no alert among them
        std::size_t moments;
    } cases[] = {
        {"two weeks asleep, three daily events",
         {timedEvent("morning", 2026, 12, 7, 9, 0, Daily), timedEvent("noon", 2026, 12, 7, 12, 0, Daily),
          timedEvent("evening", 2026, 12, 7, 18, 0, Daily)},
         at(12, 7, 8, 0),
         at(12, 7, 8, 0),
         at(12, 21, 8, 0),
         {"12-21 08:00:00 Remind these events: Today:|09.00\tmorning|12.00\tnoon|18.00\tevening| (1, 20)",
          "12-21 08:00:00 list of 42: 2026-12-20 18:00 evening, 2026-12-20 12:00 noon, 2026-12-20 09:00 morning, ..."},
         42},
        {"a clock set forward by a year",
         {timedEvent("daily", 2026, 12, 7, 9, 0, Daily)},
         at(12, 7, 8, 0),
         at(12, 7, 8, 0),
         SimulatedClock::milliseconds(2027, 12, 7, 8, 0),
         {"12-07 08:00:00 Remind these events: Today:|09.00\tdaily| (1, 20)",
          "12-07 08:00:00 list of 365: 2027-12-06 09:00 daily, 2027-12-05 09:00 daily, 2027-12-04 09:00 daily, ..."},
         365},
        {"five events of one minute, on time",
         {timedEvent("a", 2026, 12, 7, 9, 0), timedEvent("b", 2026, 12, 7, 9, 0), timedEvent("c", 2026, 12, 7, 9, 0),
          timedEvent("d", 2026, 12, 7, 9, 0), timedEvent("e", 2026, 12, 7, 9, 0)},
         at(12, 7, 8, 0),
         at(12, 7, 8, 0),
         at(12, 7, 9, 0),
         {"12-07 09:00:00 list of 5: 2026-12-07 09:00 e, 2026-12-07 09:00 d, 2026-12-07 09:00 c, ..."},
         5},
        {"three of one minute come one by one",
         {timedEvent("a", 2026, 12, 7, 9, 0), timedEvent("b", 2026, 12, 7, 9, 0), timedEvent("c", 2026, 12, 7, 9, 0)},
         at(12, 7, 8, 0),
         at(12, 7, 8, 0),
         at(12, 7, 9, 0),
         {"12-07 09:00:00 alert a", "12-07 09:00:00 alert b", "12-07 09:00:00 alert c"},
         3},
        {"late hour-before balloons: the one of a past event goes, those of events ahead share one",
         {withHourBefore(timedEvent("past", 2026, 12, 7, 10, 0)), withHourBefore(timedEvent("ahead", 2026, 12, 7, 11, 0)),
          withHourBefore(timedEvent("later", 2026, 12, 7, 11, 10))},
         at(12, 7, 8, 0),
         at(12, 7, 8, 30),
         at(12, 7, 10, 30),
         {"12-07 10:30:00 Remind this event: 11.00\tahead|11.10\tlater| (1, 0)",
          "12-07 10:30:00 list of 1: 2026-12-07 10:00 past"},
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ReminderTestKit fresh;
        SimulatedDesktop quiet(fresh);
        ReminderDelivery run(fresh.events, fresh.keeper, fresh.system, quiet, testTexts());
        quiet.delivery = &run;
        for (const Event& event : c.events)
            fresh.events.add(event);
        quiet.setClock(c.start);
        run.start();
        quiet.runUntil(c.asleepFrom);
        quiet.log.clear();
        quiet.sleepUntil(c.wakeAt);
        EXPECT_EQ(quiet.log, c.log);
        EXPECT_EQ(quiet.handedOut, c.moments) << "each moment once";
    }
}

TEST_F(ReminderDeliveryTest, AnEventEnteredAfterItsMinuteGetsNoAlertEver)
{
    startAt(at(12, 7, 8, 0));
    desktop.runUntil(at(12, 7, 14, 0, 20));
    for (const Event& entered : {timedEvent("an hour ago", 2026, 12, 7, 13, 0),
                                 withHourBefore(timedEvent("this minute", 2026, 12, 7, 14, 0)),
                                 timedEvent("still to come", 2026, 12, 7, 15, 0),
                                 timedEvent("daily from this morning", 2026, 12, 7, 11, 0, Daily),
                                 timedEvent("daily from three days ago", 2026, 12, 4, 9, 0, Daily)}) {
        kit.events.add(entered);
        delivery.eventsEdited(&entered);
    }
    desktop.runUntil(at(12, 8, 12, 0));
    desktop.sleepUntil(at(12, 8, 12, 30));
    EXPECT_EQ(alertsIn(desktop.log),
              (std::vector<std::string>{"12-07 15:00:00 alert still to come",
                                        "12-08 09:00:00 alert daily from three days ago",
                                        "12-08 11:00:00 alert daily from this morning"}));
}

TEST_F(ReminderDeliveryTest, WhatAnImportBringsForAMomentAlreadyOverGetsNoAlert)
{
    const char* const calendar = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n"
                                 "BEGIN:VEVENT\r\nDTSTART:20261207T100000\r\nSUMMARY:this morning\r\nEND:VEVENT\r\n"
                                 "BEGIN:VEVENT\r\nDTSTART:20261123T113000\r\nRRULE:FREQ=WEEKLY\r\n"
                                 "SUMMARY:weekly\r\nEND:VEVENT\r\n"
                                 "BEGIN:VEVENT\r\nDTSTART:20261207T160000\r\nSUMMARY:later today\r\nEND:VEVENT\r\n"
                                 "END:VCALENDAR\r\n";
    startAt(at(12, 7, 8, 0));
    desktop.setClock(at(12, 7, 15, 0));
    const CalendarTransfer::Imported imported =
        CalendarTransfer::importText(kit.events, calendar, kit.system.now, kit.system.codePage(), FixedTimeZones(0));
    ASSERT_EQ(imported.added, 3u);
    delivery.eventsEntered(imported.addedEvents);
    delivery.catchUp();
    desktop.runUntil(at(12, 7, 23, 0));
    EXPECT_EQ(alertsIn(desktop.log), std::vector<std::string>{"12-07 16:00:00 alert later today"});
}

TEST_F(ReminderDeliveryTest, AnAlertThatFailsDoesNotStopTheRemindersToCome)
{
    kit.events.add(timedEvent("fails", 2026, 12, 7, 9, 0));
    kit.events.add(timedEvent("comes", 2026, 12, 7, 10, 0));
    desktop.failingAlerts = 1;
    startAt(at(12, 7, 8, 0));
    EXPECT_THROW(desktop.runUntil(at(12, 7, 9, 30)), std::runtime_error) << "the window's error policy tells the user";
    desktop.runUntil(at(12, 7, 12, 0));
    EXPECT_EQ(desktop.log.back(), "12-07 10:00:00 alert comes");
}

} // namespace
