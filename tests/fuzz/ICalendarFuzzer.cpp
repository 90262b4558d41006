// Feeds arbitrary bytes to the iCalendar reader. Besides crashes, hangs and
// sanitizer reports, it checks that a file with a problem gives no event and
// that every event read is one Vellumere can hold.

#include "Calendar.h"
#include "FixedTimeZones.h"
#include "ICalendarReader.h"
#include "Windows1252.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void fail(const char* what)
{
    std::fprintf(stderr, "calendar fuzzer: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const SystemTime now{2026, 3, 4, 12, 12, 0, 0, 0};
    const ICalendarReader::Result result = ICalendarReader::read(input, now, Windows1252(), FixedTimeZones(60));
    if (result.problem != ICalendarReader::Problem::None && !result.events.empty())
        fail("a file with a problem gave events");
    for (const Event& event : result.events) {
        if (!isValidDate(event.when) || event.when.wHour >= 24 || event.when.wMinute >= 60)
            fail("an event has no valid date and time");
        if (event.frequency < Once || event.frequency > Fortnightly)
            fail("an event repeats by no frequency Vellumere has");
    }
    return 0;
}
