#include "Win32CodePage.h"

#include "WideText.h"

#include <windows.h>

#include <climits>

std::string Win32CodePage::fromUtf8(const std::string& text, bool& lost) const
{
    lost = false;
    // Invalid UTF-8 becomes U+FFFD first, and so '?' like any character the
    // code page lacks; no best-fit look-alikes ("a" for "ā").
    const std::wstring wide = toWide(text);
    if (wide.empty() || wide.size() > INT_MAX)
        return {};
    const int size = static_cast<int>(wide.size());
    const int length =
        ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0, "?", nullptr);
    std::string narrow(static_cast<std::size_t>(length), '\0');
    BOOL usedDefault = FALSE;
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, narrow.data(), length, "?", &usedDefault);
    lost = usedDefault != FALSE;
    return narrow;
}

std::string Win32CodePage::toUtf8(const std::string& text) const
{
    if (text.empty() || text.size() > INT_MAX)
        return {};
    const int size = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
    return fromWide(wide);
}
