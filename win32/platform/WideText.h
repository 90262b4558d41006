#pragma once

#include <string>

// UTF-8, the core's form of paths and of texts that are not the code
// page's, to and from UTF-16, the form of Windows' wide functions.
std::wstring toWide(const std::string& utf8);
std::string fromWide(const std::wstring& wide);

// A full path in the \\?\ form, which the wide functions take at any length.
std::wstring systemPath(const std::string& utf8Path);
