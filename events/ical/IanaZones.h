#pragma once

#include <string_view>

// The Windows time zone that stands for an IANA one ("Europe/London" is
// "GMT Standard Time"), by CLDR's table, for calendars that name a zone the
// way Google and others do without describing it.
class IanaZones {
public:
    // The Windows zone's name as the registry knows it; null for a name the
    // table lacks. Names match in any case; one written after a path of the
    // writer's own ("/freeassociation.sourceforge.net/Europe/London") is
    // found by its end.
    static const char* windowsName(std::string_view iana);
};
