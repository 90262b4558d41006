#pragma once

#include "Event.h"

#include <cstddef>
#include <vector>

// Where an edit made in the event editor goes, in the list as it is when
// the editor closes. While the editor was open a timer tick may have carried
// the event forward: it is then a one-time event of the past, and its series
// goes on in a newer occurrence. The edit then moves that occurrence by the
// same change of date and time, and the past one stays as it was; otherwise
// two series would run side by side.
class EventEdit {
public:
    enum class Action { Replace, Add };
    struct Change {
        Action action = Action::Add;
        std::size_t position = 0; // for Replace
        Event event;
    };

    // `original` was at `position` when the editor opened, and came out of
    // it as `edited`.
    static Change place(const std::vector<Event>& events, std::size_t position, const Event& original,
                        const Event& edited);

    // Where the event that was at `position` is now: the same event, or the
    // one-time event a carry-forward made of it; -1 when it is gone.
    static long locate(const std::vector<Event>& events, std::size_t position, const Event& original);
};
