#pragma once

// The event manager dialog.
#define IDD_EVENT_MANAGER 108
#define IDC_EVENT_LIST 1025
#define IDC_MANAGER_CLOSE 1026
#define IDC_ADD 1027
#define IDC_REMOVE 1028
#define IDC_HIDE_OLD 1029
#define IDC_SHOW_ALL 1030
#define IDC_SHOW_MONTH 1031
#define IDC_MONTH 1032
#define IDC_YEAR 1034
#define IDC_YEAR_SPIN 1035
#define IDC_EDIT 1036
