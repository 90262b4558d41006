#pragma once

#include "CodePage.h"

// The system's ANSI code page, the one every text of the program is in.
class Win32CodePage : public CodePage {
public:
    using CodePage::fromUtf8;
    std::string fromUtf8(const std::string& text, bool& lost) const override;
    std::string toUtf8(const std::string& text) const override;
};
