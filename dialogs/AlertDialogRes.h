#pragma once

// The "Event alert" dialog.
#define IDD_ALERT 116
#define IDC_DESCRIPTION 1002
#define IDC_EMAIL_ADDRESS 1015
#define IDC_PROGRAM_PATH 1017
#define IDC_NOTE 1019
#define IDC_SEND_EMAIL 1038
#define IDC_LAUNCH_PROGRAM 1039
