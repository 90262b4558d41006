#include "CalendarTransfer.h"

#include "EventList.h"
#include "ICalendarWriter.h"

std::string CalendarTransfer::exportText(const EventList& events, const SystemTime& stampUtc,
                                         const CodePage& codePage, const std::string& version)
{
    return ICalendarWriter::write(events.all(), stampUtc, codePage, version);
}

CalendarTransfer::Imported CalendarTransfer::importText(EventList& events, const std::string& text,
                                                        const SystemTime& now, const CodePage& codePage,
                                                        const TimeZones& timeZones)
{
    const ICalendarReader::Result read = ICalendarReader::read(text, now, codePage, timeZones);
    Imported imported;
    imported.problem = read.problem;
    if (read.problem != ICalendarReader::Problem::None)
        return imported;
    imported.changes = read.changes;
    imported.addedEvents = events.addAbsent(read.events);
    imported.added = imported.addedEvents.size();
    imported.alreadyPresent = read.events.size() - imported.added;
    return imported;
}
