#pragma once

#include <string>

class Event;

// The user-visible texts of repetitions and dates, from the program's string
// table; %1 and %2 stand for what is put in.
struct RuleTexts {
    std::string every[4];    // "Every day", "Every week", "Every month", "Every year"
    std::string everyN[4];   // "Every %1 days", "Every %1 weeks", ...
    std::string onWeekdays;  // " on %1", the weekdays listed
    std::string listComma;   // ", " between weekdays listed
    std::string listAnd;     // " and " before the last of them
    std::string onNthWeekday; // " on the %1 %2": an ordinal, a weekday
    std::string onDate;      // " on day %1"
    std::string onLastDay;   // " on the last day"
    std::string ordinals[5]; // "first" to "fourth", then "last"
    std::string weekdays[7]; // from "Sunday"
    std::string months[12];  // from "January"
    std::string until;       // ", until %1", a date
    std::string times;       // ", %1 times"
    std::string once;        // ", once"
    std::string skipped;     // ", except %1 dates"
    std::string skippedOne;  // ", except 1 date"
    std::string otherRule;   // for a rule the words do not cover
};

class RuleWords {
public:
    // How `event` repeats, in words: "Every month on the second Tuesday,
    // until 30 June 2027", with the dates it skips counted; the general
    // phrase for a rule that the "Repeat" dialog cannot show; empty when it
    // has neither a rule nor skipped days, or does not repeat.
    static std::string of(const Event& event, const RuleTexts& texts);

    // A day number as "30 June 2027".
    static std::string date(long day, const RuleTexts& texts);
};
