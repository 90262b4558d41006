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
