#include "EarlyReminder.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using Unit = EarlyReminder::Unit;

// The English texts, as the string table has them.
EarlyReminderTexts englishTexts()
{
    return {
        {"%1 minute before", "%1 hour before", "%1 day before", "%1 week before"},
        {"%1 minutes before", "%1 hours before", "%1 days before", "%1 weeks before"},
        ", at %1",
    };
}

TEST(EarlyReminder, TheDistanceChosenInMinutesBeforeTheStart)
{
    const struct {
        int number;
        Unit unit;
        int atMinute;
        bool untimed;
        std::optional<std::int32_t> minutes;
    } cases[] = {
        {1, Unit::Weeks, 9 * 60, true, 7 * 1440 - 9 * 60}, // an untimed event starts at 00:00
        {1, Unit::Days, 18 * 60, true, 6 * 60},
        {2, Unit::Days, 0, true, 2 * 1440},
        {1, Unit::Days, 23 * 60 + 59, true, 1},
        {15, Unit::Minutes, 0, false, 15},
        {2, Unit::Hours, 0, false, 120},
        {1, Unit::Days, 9 * 60, false, 1440}, // a timed event has no time of day to choose
        {3, Unit::Hours, 9 * 60, true, 180},
        {366, Unit::Days, 0, false, 366 * 1440},
        {53, Unit::Weeks, 0, false, std::nullopt}, // beyond a year
        {999, Unit::Minutes, 0, false, 999},
        {1000, Unit::Minutes, 0, false, std::nullopt},
        {0, Unit::Hours, 0, false, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.number << " unit " << static_cast<int>(c.unit) << " at " << c.atMinute);
        EarlyReminder reminder;
        reminder.number = c.number;
        reminder.unit = c.unit;
        reminder.atMinute = c.atMinute;
        EXPECT_EQ(reminder.minutesBefore(c.untimed), c.minutes);
    }
}

TEST(EarlyReminder, MinutesBeforeInWordsAndBack)
{
    const struct {
        std::int32_t minutes;
        bool untimed;
        const char* words;
    } cases[] = {
        {9540, true, "1 week before, at 09:00"},
        {15, false, "15 minutes before"},
        {1, false, "1 minute before"},
        {90, false, "90 minutes before"},
        {120, false, "2 hours before"},
        {60, false, "1 hour before"},
        {1440, false, "1 day before"},
        {20160, false, "2 weeks before"},
        {1500, false, "25 hours before"},
        {2880, true, "2 days before, at 00:00"},
        {60, true, "1 day before, at 23:00"},
        {1, true, "1 day before, at 23:59"},
        {12 * 1440 + 600, true, "13 days before, at 14:00"},
        {13 * 1440 + 600, true, "2 weeks before, at 14:00"},
        {20160, true, "2 weeks before, at 00:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.words);
        EXPECT_EQ(EarlyReminder::words(c.minutes, c.untimed, englishTexts()), c.words);
        // The dialog's fields for it give it back.
        EXPECT_EQ(EarlyReminder::of(c.minutes, c.untimed).minutesBefore(c.untimed), c.minutes);
    }
}

TEST(EarlyReminder, EachDistanceOnceInOrder)
{
    std::vector<std::int32_t> reminders;
    std::vector<std::size_t> places;
    for (const std::int32_t minutes : {1440, 15, 9540, 15, 60})
        places.push_back(EarlyReminder::put(reminders, minutes));
    EXPECT_EQ(reminders, (std::vector<std::int32_t>{15, 60, 1440, 9540}));
    EXPECT_EQ(places, (std::vector<std::size_t>{0, 0, 2, 0, 1}));
}

} // namespace
