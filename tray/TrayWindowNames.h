#pragma once

#include <windows.h>

// What Vellumere and VellumereClose agree on: the hidden window's class and
// title, by which VellumereClose finds a running copy, and the messages the
// window answers. Shared as a header; the two programs link nothing together.
constexpr const char* trayWindowClass = "TrayIconWndClass";
constexpr const char* trayWindowTitle = "TrayIconWnd";

// The icon's callback message, and the request of VellumereClose to quit.
UINT const WM_TRAYNOTIFY = WM_APP + 1;
UINT const WM_QUITREQUEST = WM_APP + 2;
