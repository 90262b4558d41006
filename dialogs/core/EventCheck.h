#pragma once

#include <string>

class Event;

// What the event editor refuses on OK, the first problem only, in this order.
class EventCheck {
public:
    enum class Problem { None, NoDescription, NoEmailAddress, NoProgramPath };

    // Only empty texts count: blanks are a description, and addresses and
    // paths are not checked further.
    static Problem firstProblem(const Event& event);

    // The open-file dialog's filter for programs: the description, then
    // "*.exe;*.bat;*.cmd", each ended by a NUL, and the list by another.
    static std::string programFilter(const std::string& description);
};
