#pragma once

#include "Snooze.h"

#include <windows.h>

// The drop-down list "Remind me again in:" of the alert and of the
// "Reminders" list: it starts on the user's last choice ("SnoozeChoice"),
// and a snooze remembers the one it was given.
class SnoozeChoiceBox {
public:
    static void fill(HWND box, HINSTANCE texts);
    // The chosen duration, remembered as the next start.
    static Snooze::Choice take(HWND box);
};
