#pragma once

#include "EarlyReminder.h"
#include "RuleWords.h"

#include <windows.h>

// The words of repetitions and early reminders, from the string table of
// `module`.
RuleTexts loadRuleTexts(HINSTANCE module);
EarlyReminderTexts loadEarlyReminderTexts(HINSTANCE module);
