#include "WordTexts.h"

#include "ResourceText.h"
#include "StringIds.h"

namespace {

// Texts first, first + 1, ... of the string table into `texts`.
template <std::size_t count>
void loadRun(HINSTANCE module, UINT first, std::string (&texts)[count])
{
    for (std::size_t i = 0; i < count; ++i)
        texts[i] = loadResourceText(module, first + static_cast<UINT>(i));
}

} // namespace

RuleTexts loadRuleTexts(HINSTANCE module)
{
    RuleTexts texts;
    loadRun(module, IDS_EVERY_FIRST, texts.every);
    loadRun(module, IDS_EVERY_N_FIRST, texts.everyN);
    texts.onWeekdays = loadResourceText(module, IDS_ON_WEEKDAYS);
    texts.listComma = loadResourceText(module, IDS_LIST_COMMA);
    texts.listAnd = loadResourceText(module, IDS_LIST_AND);
    texts.onNthWeekday = loadResourceText(module, IDS_ON_NTH_WEEKDAY);
    texts.onDate = loadResourceText(module, IDS_ON_DATE);
    texts.onLastDay = loadResourceText(module, IDS_ON_LAST_DAY);
    loadRun(module, IDS_ORDINAL_FIRST, texts.ordinals);
    loadRun(module, IDS_WEEKDAY_FIRST, texts.weekdays);
    loadRun(module, IDS_MONTH_FIRST, texts.months);
    texts.until = loadResourceText(module, IDS_UNTIL);
    texts.times = loadResourceText(module, IDS_TIMES);
    texts.once = loadResourceText(module, IDS_ONCE);
    texts.skipped = loadResourceText(module, IDS_SKIPPED);
    texts.skippedOne = loadResourceText(module, IDS_SKIPPED_ONE);
    texts.otherRule = loadResourceText(module, IDS_OTHER_RULE);
    return texts;
}

EarlyReminderTexts loadEarlyReminderTexts(HINSTANCE module)
{
    EarlyReminderTexts texts;
    loadRun(module, IDS_BEFORE_ONE_FIRST, texts.one);
    loadRun(module, IDS_BEFORE_MANY_FIRST, texts.many);
    texts.at = loadResourceText(module, IDS_AT_TIME);
    return texts;
}
