#pragma once

#include "SystemTime.h"

#include <string>

// The platform's time zones, for calendars written in a zone other than the
// user's. Filled by Windows with its own zones and by tests with fixed ones.
class TimeZones {
public:
    virtual ~TimeZones() = default;

    // The user's local time at the UTC time `utc`.
    virtual SystemTime localFromUtc(const SystemTime& utc) const = 0;
    // The UTC time at the local time `local` of the Windows time zone named
    // `zone` (as the registry names it: "W. Europe Standard Time"); false
    // when the system has no zone of that name.
    virtual bool utcFromZone(const std::string& zone, const SystemTime& local, SystemTime& utc) const = 0;
};
