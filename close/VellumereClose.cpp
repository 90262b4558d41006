// VellumereClose: asks a running Vellumere to end in its orderly way, so it
// writes its event file and removes its icon. Shows nothing; always ends 0.

#include <windows.h>

namespace {
UINT const WM_QUITREQUEST = WM_APP + 2;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (HWND window = ::FindWindowA("TrayIconWndClass", "TrayIconWnd"))
        ::SendMessageA(window, WM_QUITREQUEST, 0, 0);
    return 0;
}
