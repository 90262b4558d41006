#pragma once

#include "CodePage.h"

// Windows-1252, the ANSI code page of Western European Windows, computed
// without the system: the code page of the native tools and tests, and a
// stand-in wherever the system's own cannot be asked.
class Windows1252 : public CodePage {
public:
    using CodePage::fromUtf8;
    std::string fromUtf8(const std::string& text, bool& lost) const override;
    std::string toUtf8(const std::string& text) const override;
};
