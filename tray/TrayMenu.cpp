#include "TrayMenu.h"

#include "TrayMenuRes.h"

TrayMenu::TrayMenu(HINSTANCE moduleInstance)
    : menu(::LoadMenuA(moduleInstance, MAKEINTRESOURCEA(IDR_TRAY_MENU)))
{
    popup = ::GetSubMenu(menu.get(), 0);
}

void TrayMenu::showRunAtStartup(bool on)
{
    const UINT check = on ? MF_CHECKED : MF_UNCHECKED;
    ::CheckMenuItem(popup, ID_RUN_AT_STARTUP, MF_BYCOMMAND | check);
}

bool TrayMenu::runAtStartupShown() const
{
    return (::GetMenuState(popup, ID_RUN_AT_STARTUP, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

void TrayMenu::offerSyncNow(bool offered)
{
    if (!offered)
        ::DeleteMenu(popup, ID_SYNC_NOW, MF_BYCOMMAND);
}

UINT TrayMenu::track(HWND owner) const
{
    POINT cursor{};
    ::GetCursorPos(&cursor);
    // The owner must be in the foreground, or the menu stays open when the
    // user clicks elsewhere.
    ::SetForegroundWindow(owner);
    const BOOL command = ::TrackPopupMenu(popup, TPM_RETURNCMD | TPM_BOTTOMALIGN | TPM_RIGHTALIGN, cursor.x,
                                          cursor.y, 0, owner, nullptr);
    // Lets the menu close properly when the owner was not in the foreground.
    ::PostMessageA(owner, WM_NULL, 0, 0);
    return static_cast<UINT>(command);
}
