#pragma once

// The "Reminders" list of a backlog of due events.
#define IDD_REMINDER_LIST 131
#define IDC_REMINDER_LIST 1050
#define IDC_REMINDER_OPEN 1051
#define IDC_REMINDER_SNOOZE_ALL 1052
#define IDC_REMINDER_SNOOZE_CHOICE 1053
