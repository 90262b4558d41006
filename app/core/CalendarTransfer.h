#pragma once

#include "ICalendarReader.h"

#include <cstddef>
#include <string>
#include <vector>

class CodePage;
class EventList;
class TimeZones;

// Events out to calendar programs and in from them, as iCalendar text: what
// the icon's menu and the command-line tool share.
class CalendarTransfer {
public:
    // Every event of the list as a calendar.
    static std::string exportText(const EventList& events, const SystemTime& stampUtc, const CodePage& codePage,
                                  const std::string& version);

    struct Imported {
        ICalendarReader::Problem problem = ICalendarReader::Problem::None;
        std::size_t added = 0;
        std::vector<Event> addedEvents; // the events added, in file order
        std::size_t alreadyPresent = 0; // equal to an event of the list, or to one before it in the file
        ICalendarReader::Changes changes;
    };
    // Adds the calendar's events the list does not hold yet; a calendar with
    // a problem adds nothing.
    static Imported importText(EventList& events, const std::string& text, const SystemTime& now,
                               const CodePage& codePage, const TimeZones& timeZones);
};
