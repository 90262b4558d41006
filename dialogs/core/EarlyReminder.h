#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The user-visible texts of early reminders, from the program's string
// table; %1 stands for the number or the time of day.
struct EarlyReminderTexts {
    std::string one[4];  // "%1 minute before", "%1 hour before", "%1 day before", "%1 week before"
    std::string many[4]; // "%1 minutes before", ...
    std::string at;      // ", at %1", a time of day as HH:MM
};

// One early reminder as the "Early reminders" dialog shows it: a number of
// minutes, hours, days or weeks before the start and, for an event without a
// time (which starts at 00:00 of its day), days or weeks before at a time of
// day. The event keeps it as minutes before its start.
class EarlyReminder {
public:
    enum class Unit { Minutes, Hours, Days, Weeks };

    static constexpr int maxNumber = 999;
    // The event file keeps reminders up to a year before.
    static constexpr std::int32_t maxMinutes = 366 * 24 * 60;

    int number = 1;
    Unit unit = Unit::Minutes;
    int atMinute = 0; // of the day; for days and weeks before an untimed event

    // The largest unit that says `minutesBefore` whole; for an untimed event
    // the days or weeks before whose day holds it, and the time of that day.
    static EarlyReminder of(std::int32_t minutesBefore, bool untimed);
    // The minutes before the start; nothing for a number outside 1 to
    // maxNumber or a distance beyond maxMinutes.
    std::optional<std::int32_t> minutesBefore(bool untimed) const;

    // "1 week before, at 09:00", "15 minutes before".
    static std::string words(std::int32_t minutesBefore, bool untimed, const EarlyReminderTexts& texts);

    // Puts `minutesBefore` into the ordered `reminders` (once) and gives its
    // place there.
    static std::size_t put(std::vector<std::int32_t>& reminders, std::int32_t minutesBefore);

private:
    bool timeOfDay(bool untimed) const { return untimed && (unit == Unit::Days || unit == Unit::Weeks); }
};
