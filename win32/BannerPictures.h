#pragma once

#include "UniqueHandle.h"

#include <windows.h>

#include <utility>
#include <vector>

// The banners of a dialog: its picture controls (a "Static" showing a
// bitmap), each showing its picture drawn smoothly to the control's size.
// The pictures the template loaded are taken over at the first fit, so that
// each fit after a change of DPI draws from the original, and each is
// deleted once whatever the system would do with it.
class BannerPictures {
public:
    BannerPictures() = default;
    BannerPictures(const BannerPictures&) = delete;
    BannerPictures& operator=(const BannerPictures&) = delete;

    // Draws each banner of `dialog` to its strip's present size.
    void fit(HWND dialog);
    // Takes the drawn pictures out of the controls and deletes them, and the
    // originals with them; while the controls still exist.
    void release();

private:
    std::vector<std::pair<HWND, BitmapHandle>> originals;
};
