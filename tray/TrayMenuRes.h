#pragma once

// The tray icon's popup menu.
#define IDR_TRAY_MENU 103
#define ID_EXIT 40001
#define ID_RUN_AT_STARTUP 40002
#define ID_EVENT_MANAGER 40004
#define ID_ABOUT 40006
#define ID_EXPORT_EVENTS 40007
#define ID_IMPORT_EVENTS 40008
#define ID_CALENDAR_ACCOUNT 40009
#define ID_SYNC_NOW 40010
