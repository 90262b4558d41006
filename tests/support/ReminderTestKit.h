#pragma once

#include "Event.h"
#include "EventFileKeeper.h"
#include "EventList.h"
#include "FakeFileSystem.h"
#include "FakeSystemServices.h"
#include "ReminderTexts.h"
#include "SimulatedClock.h"

#include <cstdio>
#include <string>

// An event list with its file on a fake disk, and a clock set by the test.
struct ReminderTestKit {
    FakeSystemServices system;
    FakeFileSystem files;
    EventList events;
    UnheardNotices notices;
    EventFileKeeper keeper{events, system, files, notices, FileTexts{}};

    // The user's file is missing on the fake disk: the list starts empty.
    ReminderTestKit() { keeper.load(); }

    void setClock(std::int64_t milliseconds) { system.now = SimulatedClock::toSystemTime(milliseconds); }
};

// The reminders' texts as the English string table has them.
inline ReminderTexts testTexts()
{
    return {"Remind these events", "Today:", "Tomorrow:", "Three days after:", "No events today.", "Remind this event"};
}

inline Event timedEvent(const char* description, int year, int month, int day, int hour, int minute,
                        EventFrequency frequency = Once)
{
    Event event;
    event.description = description;
    event.frequency = frequency;
    event.when = SimulatedClock::toSystemTime(SimulatedClock::milliseconds(year, month, day, hour, minute));
    event.when.wDayOfWeek = 0;
    return event;
}

inline Event untimedEvent(const char* description, int year, int month, int day, EventFrequency frequency = Once)
{
    Event event = timedEvent(description, year, month, day, 0, 0, frequency);
    event.noTime = true;
    return event;
}

// "2026-12-07 09:30 Name (repeats N)" for comparing lists.
inline std::string describe(const Event& event)
{
    char date[48];
    std::snprintf(date, sizeof date, "%04u-%02u-%02u ", event.when.wYear, event.when.wMonth, event.when.wDay);
    char time[16] = "--:--";
    if (!event.noTime)
        std::snprintf(time, sizeof time, "%02u:%02u", event.when.wHour, event.when.wMinute);
    std::string out = std::string(date) + time + " " + event.description;
    if (event.frequency != Once)
        out += " (repeats " + std::to_string(event.frequency) + ")";
    return out;
}
