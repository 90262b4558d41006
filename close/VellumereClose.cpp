// VellumereClose: asks a running Vellumere to end in its orderly way, so it
// writes its event file and removes its icon. Shows nothing; always ends 0.

#include "TrayWindowNames.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (HWND window = ::FindWindowA(trayWindowClass, trayWindowTitle))
        ::SendMessageA(window, WM_QUITREQUEST, 0, 0);
    return 0;
}
