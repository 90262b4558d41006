// What every dialog gets from the part they share: a quit is no answer, and
// the banner and the title-bar icon follow the window's DPI.

#include "AboutDialog.h"
#include "AlertDialog.h"
#include "AlertDialogRes.h"
#include "Dpi.h"
#include "WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

HWND bannerOf(HWND dialog)
{
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if ((::GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP)
            return child;
    }
    return nullptr;
}

// The size of the picture the banner shows, and of the strip it shows it in.
std::pair<SIZE, SIZE> bannerSizes(HWND dialog)
{
    const HWND banner = bannerOf(dialog);
    BITMAP picture{};
    const auto shown = reinterpret_cast<HBITMAP>(::SendMessageA(banner, STM_GETIMAGE, IMAGE_BITMAP, 0));
    ::GetObjectA(shown, sizeof picture, &picture);
    RECT strip{};
    ::GetClientRect(banner, &strip);
    return {SIZE{picture.bmWidth, picture.bmHeight}, SIZE{strip.right, strip.bottom}};
}

bool operator==(const SIZE& a, const SIZE& b)
{
    return a.cx == b.cx && a.cy == b.cy;
}

TEST(ModalDialog, TheBannerIsDrawnToItsStripAndAgainAfterAChangeOfDpi)
{
    std::pair<SIZE, SIZE> atStart{}, afterChange{};
    int iconWidth = 0;
    whenDialogAppears("About...", [&](HWND about) {
        atStart = bannerSizes(about);
        // A move to a monitor of twice the DPI: the system lays the dialog
        // out anew (here: the strip doubles), then the dialog hears of it.
        const HWND banner = bannerOf(about);
        ::SetWindowPos(banner, nullptr, 0, 0, atStart.second.cx * 2, atStart.second.cy * 2,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        ::SendMessageA(about, WM_DPICHANGED, MAKEWPARAM(192, 192), 0);
        pumpUntil([&] { return bannerSizes(about).first.cx == atStart.second.cx * 2; }, 2000);
        afterChange = bannerSizes(about);
        ::PostMessageA(about, WM_COMMAND, IDCANCEL, 0);
    });
    AboutDialog about;
    about.show(::GetModuleHandleA(nullptr), nullptr);
    EXPECT_TRUE(atStart.first == atStart.second) << "the picture fills its strip";
    EXPECT_GT(atStart.first.cx, 0);
    EXPECT_TRUE(afterChange.first == afterChange.second) << "and fills it again at the new size";
    EXPECT_EQ(afterChange.second.cx, atStart.second.cx * 2);

    whenDialogAppears("Event alert", [&](HWND alert) {
        const auto icon = reinterpret_cast<HICON>(::SendMessageA(alert, WM_GETICON, ICON_SMALL, 0));
        ICONINFO info{};
        if (icon && ::GetIconInfo(icon, &info)) {
            BITMAP colour{};
            ::GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof colour, &colour);
            iconWidth = colour.bmWidth;
            if (info.hbmColor)
                ::DeleteObject(info.hbmColor);
            ::DeleteObject(info.hbmMask);
        }
        ::PostMessageA(alert, WM_COMMAND, IDCANCEL, 0);
    });
    AlertDialog::ask(::GetModuleHandleA(nullptr), nullptr, Event());
    EXPECT_EQ(iconWidth, smallIconSize(dpiOf(nullptr))) << "the title-bar icon is the small icon of the DPI";
}

TEST(ModalDialog, AQuitIsNoAnswer)
{
    whenDialogAppears("Event alert", [](HWND) { ::PostQuitMessage(0); });
    EXPECT_EQ(AlertDialog::ask(::GetModuleHandleA(nullptr), nullptr, Event()).end, ModalDialog::End::cancelled)
        << "not the default button's OK";
    MSG quit;
    EXPECT_TRUE(::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit is passed on";
}

} // namespace
