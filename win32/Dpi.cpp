#include "Dpi.h"

#include "UniqueHandle.h"

namespace {

// Windows 10 has these; older systems do not, and then one DPI is the
// system's for every window.
template <typename Function>
Function fromUser32(const char* name)
{
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleA("user32"), name)));
}

} // namespace

UINT dpiOf(HWND window)
{
    static const auto forWindow = fromUser32<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    if (forWindow && window) {
        if (const UINT dpi = forWindow(window))
            return dpi;
    }
    const ScreenDc screen(::GetDC(nullptr));
    const int dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

int scaledForDpi(int pixels, UINT dpi)
{
    return ::MulDiv(pixels, static_cast<int>(dpi), 96);
}

int smallIconSize(UINT dpi)
{
    static const auto metricForDpi = fromUser32<int(WINAPI*)(int, UINT)>("GetSystemMetricsForDpi");
    if (metricForDpi) {
        if (const int size = metricForDpi(SM_CXSMICON, dpi))
            return size;
    }
    return scaledForDpi(16, dpi);
}
