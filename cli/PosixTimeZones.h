#pragma once

#include "TimeZones.h"

// The C library's local time zone. Windows' zone names mean nothing here: a
// calendar's own VTIMEZONE is what converts its times.
class PosixTimeZones : public TimeZones {
public:
    SystemTime localFromUtc(const SystemTime& utc) const override;
    bool utcFromZone(const std::string&, const SystemTime&, SystemTime&) const override { return false; }
};
