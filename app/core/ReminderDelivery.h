#pragma once

#include "Event.h"
#include "ReminderSchedule.h"
#include "ReminderTexts.h"
#include "Snooze.h"

#include <cstddef>
#include <string>
#include <vector>

class EventFileKeeper;
class EventList;
class ReminderOutput;
class SystemServices;

// Runs the reminders: at start the catch-up and the first summary, at each
// timer tick (or after sleep or a change of the clock) everything that came
// due, in order, and then the timer for the next moment.
class ReminderDelivery {
public:
    static constexpr std::uint32_t infoIcon = 1; // NIIF_INFO
    // The summary balloon's timeout, as the shell takes it (uTimeout, which
    // the shell holds to its own bounds).
    static constexpr std::uint32_t summaryTimeout = 20;

    // `keeper` keeps what the reminders add (a snooze) in the file at once.
    ReminderDelivery(EventList& events, EventFileKeeper& keeper, SystemServices& system, ReminderOutput& output,
                     ReminderTexts texts);

    // Carries repeating events forward, shows the summary if it lists
    // anything, and arms the timer.
    void start();

    // The timer fired: hands out what came due, then arms the timer again.
    void onTimer() { catchUp(); }
    // The computer woke up, the clock changed, or events came in from
    // outside: carries the events forward to now, hands out what came due
    // (whatever the timer may think), then arms the timer again.
    void catchUp();

    // Brings `due` back later, as a one-time event of the file, saved at
    // once: a snooze must survive whatever comes next.
    void snooze(const Event& due, Snooze::Choice choice);

    // Rebuilds the summary text; true when it lists any event.
    bool composeSummary();

    // Re-arms the timer for the next moment (after the events changed).
    void armTimer();

    // The user changed the events; `entered` is the event added or edited
    // into being, if any. Its moments that have passed already get no alert
    // (it still shows in the summary). Then the timer is armed anew.
    void eventsEdited(const Event* entered);
    // The same for events the user brought in at once (an import).
    void eventsEntered(const std::vector<Event>& entered);

    // At most this many alerts due at once come one by one; more come, like
    // a late one, in one list.
    static constexpr std::size_t alertsShownOneByOne = 3;

    const std::string& summaryText() const { return summary; }

private:
    void deliver(const ReminderSchedule::Due& due);
    std::string hourBeforeText(const ReminderSchedule::Due& due) const;

    EventList& events;
    EventFileKeeper& keeper;
    SystemServices& system;
    ReminderOutput& output;
    ReminderTexts texts;
    ReminderSchedule schedule;
    std::string summary;
    bool delivering = false;
};
