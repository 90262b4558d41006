#pragma once

#include "Event.h"
#include "SystemTime.h"

#include <cstddef>
#include <functional>
#include <vector>

// What the event manager shows of the sorted list, and how it shows it. Both
// filters select a contiguous run of the list (one month is contiguous; the
// old events are a prefix), so row r always stands for the event at
// firstShownIndex + r.
class EventRows {
public:
    enum Image { Ordinary = 0, Today = 1, Old = 2 };

    struct Filter {
        bool hideOld = false;
        int year = 0;  // the month filter is in force only when year and
        int month = 0; // month are both nonzero
    };

    int firstShownIndex = -1;
    int count = 0;

    static EventRows select(const std::vector<Event>& events, const Filter& filter, const SystemTime& now);

    // Old: it orders before the present moment (a timed moment).
    static bool isOld(const Event& event, const SystemTime& now);
    // Still to come: the present moment orders before it.
    static bool stillToCome(const Event& event, const SystemTime& now);
    static Image imageOf(const Event& event, const SystemTime& now);

    // The row that typing in the list goes to: the first row from `start`
    // down whose event `matches`, going on from the top when `wrap`; -1 when
    // none does.
    int findRow(const std::vector<Event>& events, int start, bool wrap,
                const std::function<bool(const Event&)>& matches) const;
};
