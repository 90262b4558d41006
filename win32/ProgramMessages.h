#pragma once

#include <windows.h>

// The program's own window messages and timers, in one list so that no two
// share a number. The numbers are fixed: VellumereClose, the tests and any
// copy of another version send some of them.

// The notification icon's callback message.
constexpr UINT WM_TRAYNOTIFY = WM_APP + 1;
// VellumereClose's request to end the run.
constexpr UINT WM_QUITREQUEST = WM_APP + 2;

// The hidden window hands the messages of this range to onAppMessage.
constexpr UINT firstOwnMessage = WM_APP + 10;
constexpr UINT lastOwnMessage = 0xBFFF; // the last of WM_APP's range
// The event file's change notices.
constexpr UINT WM_EVENTFILECHANGED = firstOwnMessage;

// A dialog posts this to itself after a change of DPI: by then the system
// has laid it out anew.
constexpr UINT WM_REFIT = WM_APP + 40;

// The hidden window's timers: the next reminder, and the quiet second after
// the event file's last change notice.
constexpr UINT_PTR reminderTimer = 1;
constexpr UINT_PTR fileSettleTimer = 2;

// A sync's worker has ended; its result waits to be taken.
constexpr UINT WM_SYNCDONE = firstOwnMessage + 1;
// The account dialog's search for calendars has ended.
constexpr UINT WM_CALENDARSFOUND = WM_APP + 41;
// The hidden window's timer of the next sync.
constexpr UINT_PTR syncTimer = 3;
