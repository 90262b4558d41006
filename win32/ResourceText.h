#pragma once

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
