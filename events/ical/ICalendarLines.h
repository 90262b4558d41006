#pragma once

#include "ICalendarLimits.h"

#include <string>
#include <string_view>

// The lines of an iCalendar file (RFC 5545): unfolded, split into name,
// parameters and value, and walked through the components they open and
// close, within the reader's limits.
class ICalendarLines {
public:
    // The components the reader takes, each only where it belongs.
    enum class Kind { Calendar, Event, Alarm, TimeZone, Observance, Other };

    // NAME *(;PARAM=VALUE[,VALUE]) : VALUE, with the parameters the reader uses.
    struct ContentLine {
        std::string_view name;
        std::string_view value; // without the spaces and tabs around it
        std::string_view zone;    // TZID=
        std::string_view related; // RELATED=
    };

    // Told of each component's beginning and end and of the properties
    // between, by the kind of the innermost open component.
    class Handler {
    public:
        virtual ~Handler() = default;
        virtual void begin(Kind kind) = 0;
        virtual void property(Kind kind, const ContentLine& line) = 0;
        virtual void end(Kind kind) = 0;
    };

    // Walks the lines of `text`, telling `handler`; the first problem ends
    // the walk.
    static ICalendarProblem walk(const std::string& text, Handler& handler);

    // \\ \; \, stand for themselves, \n and \N for a line break, CR LF as in
    // the event file; any other backslash is kept as written.
    static std::string unescaped(std::string_view value);
};
