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
    struct Exported {
        std::string text;
        std::size_t written = 0;
        std::size_t leftOut = 0; // at a date or time that cannot be (a hand edit): no calendar would read them
    };
    // Every event of the list as a calendar.
    static Exported exportText(const std::vector<Event>& events, const SystemTime& stampUtc, const CodePage& codePage,
                               const std::string& version);

    struct Imported {
        ICalendarReader::Problem problem = ICalendarReader::Problem::None;
        std::size_t added = 0;
        std::vector<Event> addedEvents; // the events added, as the file will hold them, in file order
        std::size_t alreadyPresent = 0; // the list held them already
        ICalendarReader::Changes changes;
    };
    // Adds the calendar's events the list does not hold yet, compared as the
    // file will hold them (white space condensed); equal events of distinct
    // UIDs are distinct events. A calendar with a problem adds nothing.
    static Imported importText(EventList& events, const std::string& text, const SystemTime& now,
                               const CodePage& codePage, const TimeZones& timeZones);
};
