#include "BannerPictures.h"

namespace {

bool isPicture(HWND control)
{
    char className[16] = "";
    ::GetClassNameA(control, className, sizeof className);
    const auto style = static_cast<DWORD>(::GetWindowLongPtrA(control, GWL_STYLE));
    return ::lstrcmpiA(className, "Static") == 0 && (style & SS_TYPEMASK) == SS_BITMAP;
}

// `source` drawn smoothly at width x height, as a 24-bit picture (one with
// an alpha channel the picture control would copy, and the copy would stay).
BitmapHandle drawnAt(HBITMAP source, int width, int height)
{
    BITMAP size{};
    if (!::GetObjectA(source, sizeof size, &size) || width <= 0 || height <= 0)
        return BitmapHandle();
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 24;
    format.bmiHeader.biCompression = BI_RGB;
    BitmapHandle drawn;
    MemoryDc from, to;
    {
        const ScreenDc screen(::GetDC(nullptr));
        void* bits = nullptr;
        drawn.reset(::CreateDIBSection(screen.get(), &format, DIB_RGB_COLORS, &bits, nullptr, 0));
        from.reset(::CreateCompatibleDC(screen.get()));
        to.reset(::CreateCompatibleDC(screen.get()));
    }
    if (!drawn || !from || !to)
        return drawn;
    const SelectedObject fromSource(from.get(), source);
    const SelectedObject toDrawn(to.get(), drawn.get());
    ::SetStretchBltMode(to.get(), HALFTONE);
    ::SetBrushOrgEx(to.get(), 0, 0, nullptr);
    ::StretchBlt(to.get(), 0, 0, width, height, from.get(), 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
    return drawn;
}

} // namespace

void BannerPictures::fit(HWND dialog)
{
    if (originals.empty()) {
        for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            if (!isPicture(child))
                continue;
            const auto loaded = reinterpret_cast<HBITMAP>(::SendMessageA(child, STM_GETIMAGE, IMAGE_BITMAP, 0));
            if (loaded)
                originals.emplace_back(child, BitmapHandle(loaded));
        }
    }
    for (const auto& [control, original] : originals) {
        RECT strip{};
        ::GetClientRect(control, &strip);
        BitmapHandle drawn = drawnAt(original.get(), strip.right, strip.bottom);
        if (!drawn)
            continue;
        // The control shows the drawn picture from here on; the one it gives
        // back is ours, unless it is the original.
        BitmapHandle shown(reinterpret_cast<HBITMAP>(
            ::SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(drawn.release()))));
        if (shown.get() == original.get())
            shown.release();
    }
}

void BannerPictures::release()
{
    for (const auto& [control, original] : originals) {
        BitmapHandle shown(reinterpret_cast<HBITMAP>(::SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, 0)));
        if (shown.get() == original.get())
            shown.release();
    }
    originals.clear();
}
