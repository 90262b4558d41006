#include "EarlyReminder.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr std::int32_t minutesPerDay = 24 * 60;
constexpr std::int32_t unitMinutes[4] = {1, 60, minutesPerDay, 7 * minutesPerDay};

} // namespace

EarlyReminder EarlyReminder::of(std::int32_t minutesBefore, bool untimed)
{
    EarlyReminder reminder;
    if (untimed) {
        // The day before the start that holds the moment, and its time.
        const std::int32_t days = minutesBefore > 0 ? (minutesBefore + minutesPerDay - 1) / minutesPerDay : 0;
        reminder.atMinute = days * minutesPerDay - minutesBefore;
        const bool weeks = days > 0 && days % 7 == 0;
        reminder.unit = weeks ? Unit::Weeks : Unit::Days;
        reminder.number = weeks ? days / 7 : days;
        return reminder;
    }
    reminder.number = minutesBefore;
    for (int unit = 3; unit > 0 && minutesBefore > 0; --unit) {
        if (minutesBefore % unitMinutes[unit] == 0) {
            reminder.unit = static_cast<Unit>(unit);
            reminder.number = minutesBefore / unitMinutes[unit];
            break;
        }
    }
    return reminder;
}

std::optional<std::int32_t> EarlyReminder::minutesBefore(bool untimed) const
{
    if (number < 1 || number > maxNumber)
        return std::nullopt;
    const std::int32_t minutes =
        number * unitMinutes[static_cast<int>(unit)] - (timeOfDay(untimed) ? atMinute : 0);
    if (minutes > maxMinutes)
        return std::nullopt;
    return minutes;
}

std::string EarlyReminder::words(std::int32_t minutesBefore, bool untimed, const EarlyReminderTexts& texts)
{
    const EarlyReminder reminder = of(minutesBefore, untimed);
    const int unit = static_cast<int>(reminder.unit);
    const std::string& text = reminder.number == 1 ? texts.one[unit] : texts.many[unit];
    std::string words;
    const std::size_t mark = text.find("%1");
    words = mark == std::string::npos ? text : text.substr(0, mark) + std::to_string(reminder.number) + text.substr(mark + 2);
    if (reminder.timeOfDay(untimed)) {
        char time[8];
        std::snprintf(time, sizeof time, "%02d:%02d", reminder.atMinute / 60 % 100, reminder.atMinute % 60);
        const std::size_t at = texts.at.find("%1");
        words += at == std::string::npos ? texts.at : texts.at.substr(0, at) + time + texts.at.substr(at + 2);
    }
    return words;
}

std::size_t EarlyReminder::put(std::vector<std::int32_t>& reminders, std::int32_t minutesBefore)
{
    const auto place = std::lower_bound(reminders.begin(), reminders.end(), minutesBefore);
    const auto index = static_cast<std::size_t>(place - reminders.begin());
    if (place == reminders.end() || *place != minutesBefore)
        reminders.insert(place, minutesBefore);
    return index;
}
