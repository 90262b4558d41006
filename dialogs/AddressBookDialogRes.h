#pragma once

// The "Windows Address Book" recipient picker.
#define IDD_ADDRESS_BOOK 121
#define IDC_ADDRESS_LIST 1042
