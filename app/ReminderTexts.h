#pragma once

#include <string>

// The user-visible texts of the reminders, from the program's string table;
// the defaults are the English ones it ships with.
struct ReminderTexts {
    std::string summaryTitle = "Remind these events"; // 11
    std::string today = "Today:";                     // 12
    std::string tomorrow = "Tomorrow:";               // 14
    std::string threeDays = "Three days after:";      // 15
    std::string noEventsToday = "No events today.";   // 16
    std::string eventTitle = "Remind this event";     // 17
};
