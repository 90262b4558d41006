#include "Snooze.h"

#include "Calendar.h"

std::int64_t Snooze::minutesOf(Choice choice)
{
    static const std::int64_t minutes[choices] = {5, 10, 15, 30, 60, 120, 24 * 60};
    return minutes[choice < choices ? choice : FiveMinutes];
}

Snooze::Choice Snooze::fromStored(unsigned stored)
{
    return stored < choices ? static_cast<Choice>(stored) : FiveMinutes;
}

Event Snooze::again(const Event& due, const SystemTime& now, Choice choice)
{
    Event snoozed;
    snoozed.description = due.description;
    snoozed.note = due.note;
    snoozed.emailAddress = due.emailAddress;
    snoozed.programPath = due.programPath;
    snoozed.sendEmail = due.sendEmail;
    snoozed.launchProgram = due.launchProgram;
    const std::int64_t minute =
        dayNumber(now) * 24 * 60 + now.wHour * 60 + now.wMinute + minutesOf(choice);
    const std::int64_t day = minute / (24 * 60); // a real present: after 1970
    setDayNumber(snoozed.when, static_cast<long>(day));
    snoozed.when.wHour = static_cast<std::uint16_t>((minute % (24 * 60)) / 60);
    snoozed.when.wMinute = static_cast<std::uint16_t>(minute % 60);
    return snoozed;
}
