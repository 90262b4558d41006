#pragma once

#include "Event.h"
#include "ReminderTexts.h"
#include "SystemTime.h"

#include <string>
#include <vector>

// The text of the summary balloon: every event of today, the events of
// tomorrow that ask to be reminded a day before, and those of the third day
// that ask to be reminded three days before.
class ReminderSummary {
public:
    // Builds the text into `text`; true when it lists at least one event.
    static bool compose(const std::vector<Event>& events, const SystemTime& now, const ReminderTexts& texts,
                        std::string& text);

    // One event's line: "HH.MM", a tab, the description, CR LF; for an event
    // without a time seven hyphens stand for the time. A line is at most 255
    // characters: a longer description is cut and ends with "...".
    static std::string eventLine(const Event& event);
    // The same line with the event's date before the time: "YYYY-MM-DD HH.MM",
    // a tab, the description.
    static std::string datedEventLine(const Event& event);
};
