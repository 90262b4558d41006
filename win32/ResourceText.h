#pragma once

#include "WideText.h"

#include <windows.h>

#include <string>

// A text of the program's string table; empty when it is missing. Every
// user-visible text outside the dialog templates comes through here.
inline std::string loadResourceText(HINSTANCE instance, UINT id)
{
    char buffer[256] = "";
    ::LoadStringA(instance, id, buffer, sizeof buffer);
    return buffer;
}

// The same text as UTF-8, for messages that also name a path the code page
// may not spell. Any length.
inline std::string loadResourceTextUtf8(HINSTANCE instance, UINT id)
{
    const wchar_t* text = nullptr;
    // With a length of 0 the text is not copied: a pointer into the resource.
    const int length = ::LoadStringW(instance, id, reinterpret_cast<wchar_t*>(&text), 0);
    return length > 0 && text ? fromWide(std::wstring(text, static_cast<std::size_t>(length))) : std::string();
}
