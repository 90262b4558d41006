#include "CalendarTransfer.h"

#include "EventFileWriter.h"
#include "EventList.h"
#include "ICalendarWriter.h"

#include <algorithm>

CalendarTransfer::Exported CalendarTransfer::exportText(const std::vector<Event>& events, const SystemTime& stampUtc,
                                                        const CodePage& codePage, const std::string& version)
{
    Exported exported;
    exported.text = ICalendarWriter::write(events, stampUtc, codePage, version);
    exported.leftOut = static_cast<std::size_t>(
        std::count_if(events.begin(), events.end(), [](const Event& e) { return !ICalendarWriter::writable(e); }));
    exported.written = events.size() - exported.leftOut;
    return exported;
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
    imported.addedEvents = events.addAbsent(read.events, &EventFileWriter::stored);
    imported.added = imported.addedEvents.size();
    imported.alreadyPresent = read.events.size() - imported.added;
    return imported;
}
