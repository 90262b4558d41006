#pragma once

// Icons and banner bitmaps, shared by the resource script and the code.
#define IDI_APP 101          // the tray icon and the program's icon; an ordinary event
#define IDI_TODAY 102        // an event of today; the alert's title-bar icon
#define IDI_OLD 111          // an event that is over
#define IDI_CONTACT 125      // one address-book entry
#define IDI_ADDRESS_BOOK 126 // the address book

#define IDB_PROPERTIES_BANNER 105 // 500 x 60
#define IDB_MANAGER_BANNER 110    // 500 x 60
#define IDB_ALERT_BANNER 117      // 437 x 60
#define IDB_ABOUT_BANNER 120      // 454 x 117
#define IDB_REMINDERS_BANNER 132  // 458 x 60
#define IDB_REPEAT_BANNER 140     // 500 x 60
#define IDB_EARLY_BANNER 141      // 390 x 60
#define IDB_ACCOUNT_BANNER 145   // 420 x 60
