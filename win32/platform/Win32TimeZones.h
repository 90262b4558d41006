#pragma once

#include "TimeZones.h"

// Windows' own time zones: the user's for local time, and the registry's
// list of zones by their names.
class Win32TimeZones : public TimeZones {
public:
    SystemTime localFromUtc(const SystemTime& utc) const override;
    bool utcFromZone(const std::string& zone, const SystemTime& local, SystemTime& utc) const override;
};
