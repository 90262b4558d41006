#pragma once

// The string table: every text the program shows that is not in a dialog
// template. Shared by the resource script and the code.
#define IDS_EVENT_COLUMN 1
#define IDS_DATE_COLUMN 2
#define IDS_EVENT_MANAGER 3
#define IDS_NEED_DESCRIPTION 4
#define IDS_NEED_EMAIL_ADDRESS 5
#define IDS_NEED_PROGRAM_PATH 6
#define IDS_PROGRAM_FILTER 7
#define IDS_PROGRAM_SELECTION 9
#define IDS_CONFIRM_REMOVE 10
#define IDS_SUMMARY_TITLE 11
#define IDS_TODAY 12
#define IDS_TIP 13
#define IDS_TOMORROW 14
#define IDS_THREE_DAYS 15
#define IDS_NO_EVENTS_TODAY 16
#define IDS_EVENT_TITLE 17
#define IDS_NAME_COLUMN 18
#define IDS_ADDRESS_COLUMN 19
#define IDS_TRAY_WINDOW_ERROR 20
#define IDS_STARTUP_KEY_ERROR 21
#define IDS_UNEXPECTED_ERROR 22
#define IDS_CANNOT_OPEN_FILE 23
#define IDS_SAVE_FAILED 24
#define IDS_SAVE_FAILED_AT_END 25
#define IDS_SAVED_COPY 26
#define IDS_COPY_FAILED 27
#define IDS_FILE_TOO_LARGE 28
#define IDS_SAVE_FAILED_TITLE 29
#define IDS_SNOOZE_FIRST 30 // the snooze choices, 30 to 36, in their order
#define IDS_ACTION_EMAIL 37
#define IDS_ACTION_PROGRAM 38
#define IDS_ACTIONS_COLUMN 39
#define IDS_KEPT_CHANGING 40
#define IDS_UNREADABLE_NOW 41
#define IDS_REPLACE_UNREADABLE 42
#define IDS_CHANGED_UNREADABLE 43
#define IDS_EVENTS_CHANGED 44
#define IDS_EVENT_CHANGED 45
#define IDS_FILE_CHANGED_TITLE 46
#define IDS_EXPORT_TITLE 47
#define IDS_IMPORT_TITLE 48
#define IDS_CALENDAR_FILTER 49
#define IDS_ALL_FILES 50
#define IDS_EXPORTED 51
#define IDS_EXPORT_FAILED 52
#define IDS_IMPORTED 53
#define IDS_IMPORT_ZONES 54
#define IDS_IMPORT_RULES 55
#define IDS_IMPORT_ALARMS 56
#define IDS_IMPORT_REFUSED 57
#define IDS_CALENDAR_PROBLEM_FIRST 58 // the reader's problems, 58 to 63, in their order
#define IDS_EVERY_FIRST 64 // "Every day" to "Every year", 64 to 67
#define IDS_EVERY_N_FIRST 68 // "Every %1 days" to "Every %1 years", 68 to 71
#define IDS_ON_WEEKDAYS 72
#define IDS_LIST_COMMA 73
#define IDS_LIST_AND 74
#define IDS_ON_NTH_WEEKDAY 75
#define IDS_ON_DATE 76
#define IDS_ON_LAST_DAY 77
#define IDS_ORDINAL_FIRST 78 // "first" to "fourth", then "last", 78 to 82
#define IDS_WEEKDAY_FIRST 83 // Sunday to Saturday, 83 to 89
#define IDS_MONTH_FIRST 90 // January to December, 90 to 101
#define IDS_UNTIL 102
#define IDS_TIMES 103
#define IDS_ONCE 104
#define IDS_SKIPPED 105
#define IDS_SKIPPED_ONE 106
#define IDS_OTHER_RULE 107
#define IDS_BEFORE_ONE_FIRST 108 // "%1 minute before" to "%1 week before", 108 to 111
#define IDS_BEFORE_MANY_FIRST 112 // "%1 minutes before" to "%1 weeks before", 112 to 115
#define IDS_AT_TIME 116
#define IDS_UNIT_FIRST 117 // "minutes", "hours", "days", "weeks", "months", "years", 117 to 122
#define IDS_RULE_REPLACED 123
#define IDS_NEED_INTERVAL 124
#define IDS_NEED_MONTH_DATE 125
#define IDS_NEED_COUNT 126
#define IDS_NEED_DISTANCE 127
#define IDS_REMINDER_COLUMN 128
#define IDS_EXPORT_LEFT_OUT 129
#define IDS_IMPORT_CHARACTERS 130
#define IDS_IMPORT_NO_START 131
#define IDS_IMPORT_IMPOSSIBLE_START 132
#define IDS_IMPORT_LEFT_OUT 133
#define IDS_IMPORT_LEFT_OUT_MORE 134
#define IDS_IMPORT_ALARMS_LEFT 135
#define IDS_IMPORT_ZONE_YEARS 136
#define IDS_CALENDAR_TOO_MANY_ZONES 137
#define IDS_SYNC_PROBLEM_FIRST 138 // what went wrong with the calendar server, 138 to 148, in CalDavProblem's order from BadAddress
#define IDS_ACCOUNT_TITLE 150
#define IDS_ACCOUNT_INSECURE 151
#define IDS_ACCOUNT_TRUST_CERTIFICATE 152
#define IDS_ACCOUNT_SEARCHING 153
#define IDS_ACCOUNT_NEVER 154
#define IDS_ACCOUNT_NO_PROBLEM 155
#define IDS_ACCOUNT_CONFIRM_REMOVE 156
#define IDS_SYNC_PROBLEM_TITLE 157
#define IDS_SYNC_PROBLEM_BALLOON 158
#define IDS_ACCOUNT_NEED_ADDRESS 159
#define IDS_ACCOUNT_NEW_CALENDAR 160
#define IDS_ACCOUNT_HTTP_STATUS 161
#define IDS_ACCOUNT_SYNCING 162
#define IDS_ACCOUNT_NEED_CALENDAR 163
#define IDS_ACCOUNT_FOUND 164
