#include "ReminderDelivery.h"

#include "EventFileKeeper.h"
#include "EventList.h"
#include "ReminderOutput.h"
#include "ReminderSummary.h"
#include "SystemServices.h"

#include <utility>
#include <vector>

ReminderDelivery::ReminderDelivery(EventList& eventList, EventFileKeeper& fileKeeper, SystemServices& systemServices,
                                   ReminderOutput& desktop, ReminderTexts reminderTexts)
    : events(eventList),
      keeper(fileKeeper),
      system(systemServices),
      output(desktop),
      texts(std::move(reminderTexts)),
      schedule(systemServices.localTime())
{
}

void ReminderDelivery::start()
{
    const SystemTime now = system.localTime();
    schedule = ReminderSchedule(now);
    ReminderSchedule::catchUpEvents(events, now);
    if (composeSummary())
        output.showBalloon(texts.summaryTitle, summary, infoIcon, summaryTimeout);
    armTimer();
}

bool ReminderDelivery::composeSummary()
{
    return ReminderSummary::compose(events.all(), system.localTime(), texts, summary);
}

void ReminderDelivery::armTimer()
{
    output.killTimer();
    if (delivering)
        return; // the delivery under way looks again when the alert closes
    output.armTimer(schedule.nextWake(events.all(), system.localTime()).delayMilliseconds);
}

void ReminderDelivery::catchUp()
{
    output.killTimer();
    if (delivering)
        return; // inside an alert's loop: the open delivery takes what came due
    delivering = true;
    try {
        for (;;) {
            const SystemTime now = system.localTime();
            if (ReminderSchedule::catchUpEvents(events, now))
                output.eventsChanged();
            const ReminderSchedule::Due due = schedule.takeDue(events.all(), now);
            if (due.empty())
                break;
            deliver(due);
        }
    } catch (...) {
        // Whatever failed (an alert, a balloon), the reminders to come must
        // still come: the caller tells the user, the timer runs again.
        delivering = false;
        armTimer();
        throw;
    }
    delivering = false;
    // The clock moved on: what was today or to come may now be over.
    output.eventsChanged();
    armTimer();
}

void ReminderDelivery::snooze(const Event& due, Snooze::Choice choice)
{
    const SystemTime now = system.localTime();
    const Event again = Snooze::again(due, now, choice);
    events.add(again);
    keeper.save();
    // Its minute is ahead: it comes even when the clock went back and the
    // schedule has passed that minute before.
    schedule.entered(again, now);
    armTimer();
    output.eventAdded();
}

void ReminderDelivery::eventsEdited(const Event* entered)
{
    if (entered)
        schedule.entered(*entered, system.localTime());
    armTimer();
}

void ReminderDelivery::eventsEntered(const std::vector<Event>& entered)
{
    const SystemTime now = system.localTime();
    for (const Event& event : entered)
        schedule.entered(event, now);
    armTimer();
}

std::string ReminderDelivery::hourBeforeText(const ReminderSchedule::Due& due) const
{
    std::string text;
    for (const Event& event : due.hourBefore)
        text += ReminderSummary::eventLine(event);
    // An early reminder may come days ahead: its line gives the date too.
    for (const Event& event : due.early)
        text += ReminderSummary::datedEventLine(event);
    return text;
}

void ReminderDelivery::deliver(const ReminderSchedule::Due& due)
{
    // One balloon at a time can show: a new day's summary and hour-before
    // reminders of the same minute share it, the reminders first.
    if (due.newDay)
        composeSummary();
    if (!due.hourBefore.empty() || !due.early.empty()) {
        std::string text = hourBeforeText(due);
        if (due.newDay)
            text += "\r\n" + summary;
        output.showBalloon(texts.eventTitle, text, infoIcon, 0);
    } else if (due.newDay) {
        output.showBalloon(texts.summaryTitle, summary, infoIcon, summaryTimeout);
    }
    // A backlog (after sleep, a clock set forward, a crowded minute) is one
    // list to go through, not a chain of alerts each ready to run actions.
    if (due.lateAlert || due.alerts.size() > alertsShownOneByOne) {
        output.showBacklog(std::vector<Event>(due.alerts.rbegin(), due.alerts.rend()));
        return;
    }
    for (const Event& event : due.alerts)
        output.showAlert(event);
}
