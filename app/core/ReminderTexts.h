#pragma once

#include <string>

// The user-visible texts of the reminders, from the program's string table.
struct ReminderTexts {
    std::string summaryTitle; // the title of every summary balloon
    std::string today;        // the first line of every summary
    std::string tomorrow;     // the heading of tomorrow's section
    std::string threeDays;    // the heading of the third day's section
    std::string noEventsToday;
    std::string eventTitle; // the title of the hour-before balloon
};
