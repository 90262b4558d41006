#include "RuleWords.h"

#include "Calendar.h"
#include "Event.h"
#include "RuleChoice.h"

namespace {

// `text` with %1 and %2 replaced.
std::string fill(const std::string& text, const std::string& first, const std::string& second = std::string())
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && (text[i + 1] == '1' || text[i + 1] == '2')) {
            out += text[i + 1] == '1' ? first : second;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// "Tuesday and Thursday", from Monday as the rule's weeks run.
std::string weekdayList(unsigned weekdays, const RuleTexts& texts)
{
    std::string list;
    int left = 0;
    for (int day = 0; day < 7; ++day)
        left += (weekdays & (1u << day)) != 0 ? 1 : 0;
    for (int i = 1; i <= 7; ++i) {
        const int day = i % 7;
        if (!(weekdays & (1u << day)))
            continue;
        if (!list.empty())
            list += left == 1 ? texts.listAnd : texts.listComma;
        list += texts.weekdays[day];
        --left;
    }
    return list;
}

} // namespace

std::string RuleWords::of(const Event& event, const RuleTexts& texts)
{
    if (!event.repeats() || (event.rule.empty() && event.skippedDays.empty()))
        return std::string();
    std::string words;
    if (const std::optional<RuleChoice> choice = RuleChoice::ofEvent(event)) {
        const int unit = static_cast<int>(choice->unit);
        words = choice->interval == 1 ? texts.every[unit] : fill(texts.everyN[unit], std::to_string(choice->interval));
        if (choice->unit == RuleChoice::Unit::Weeks && choice->weekdays != 0) {
            words += fill(texts.onWeekdays, weekdayList(choice->weekdays, texts));
        } else if (choice->unit == RuleChoice::Unit::Months) {
            switch (choice->monthDay) {
            case RuleChoice::MonthDay::Date:
                words += fill(texts.onDate, std::to_string(choice->date));
                break;
            case RuleChoice::MonthDay::Weekday:
                words += fill(texts.onNthWeekday, texts.ordinals[choice->week == RuleChoice::lastWeek ? 4 : choice->week - 1],
                              texts.weekdays[choice->weekday]);
                break;
            case RuleChoice::MonthDay::LastDay:
                words += texts.onLastDay;
                break;
            }
        }
        if (choice->ending == RuleChoice::Ending::OnDate)
            words += fill(texts.until, date(choice->untilDay, texts));
        else if (choice->ending == RuleChoice::Ending::AfterCount)
            words += choice->count == 1 ? texts.once : fill(texts.times, std::to_string(choice->count));
    } else {
        words = texts.otherRule;
    }
    const std::size_t skipped = event.skippedDays.size();
    if (skipped == 1)
        words += texts.skippedOne;
    else if (skipped > 1)
        words += fill(texts.skipped, std::to_string(skipped));
    return words;
}

std::string RuleWords::date(long day, const RuleTexts& texts)
{
    SystemTime date;
    setDayNumber(date, day);
    return std::to_string(date.wDay) + " " + texts.months[date.wMonth - 1] + " " + std::to_string(date.wYear);
}
