#pragma once

#include <windows.h>

// The program declares itself aware of each monitor's DPI, so it draws its
// own sizes to scale: the designs give them for 96 dpi (100%).

// The dots per inch `window` is shown at: 96 at 100%, 144 at 150%.
UINT dpiOf(HWND window);

// `pixels` given for 96 dpi, at `dpi`.
int scaledForDpi(int pixels, UINT dpi);

// The system's small icon (16 pixels at 96 dpi) at `dpi`.
int smallIconSize(UINT dpi);
