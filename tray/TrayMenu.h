#pragma once

#include "UniqueHandle.h"

#include <windows.h>

// The tray icon's popup menu, loaded from the resources for one opening.
class TrayMenu {
public:
    explicit TrayMenu(HINSTANCE moduleInstance);

    void showRunAtStartup(bool on);
    // The check mark as it was shown, which a choice acts on.
    bool runAtStartupShown() const;
    // "Sync now" is there only while a calendar account is set.
    void offerSyncNow(bool offered);

    // Opens the menu at the cursor and returns the chosen command, or 0.
    UINT track(HWND owner) const;

private:
    MenuHandle menu;
    HMENU popup = nullptr;
};
