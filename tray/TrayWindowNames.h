#pragma once

// What Vellumere and VellumereClose agree on: the hidden window's class and
// title, by which VellumereClose finds a running copy (the messages the
// window answers are in ProgramMessages.h). Shared as a header; the two
// programs link nothing together.
constexpr const char* trayWindowClass = "TrayIconWndClass";
constexpr const char* trayWindowTitle = "TrayIconWnd";
