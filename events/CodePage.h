#pragma once

#include <string>

// The 8-bit code page the program's texts are in (the system's ANSI code
// page on Windows), and the way to and from UTF-8 for the texts that arrive
// or leave as UTF-8. Filled by each platform; Windows1252 where there is no
// system code page to ask.
class CodePage {
public:
    virtual ~CodePage() = default;

    // Characters the code page lacks become '?', as does a byte sequence
    // that is not UTF-8; `lost` tells whether any did.
    virtual std::string fromUtf8(const std::string& text, bool& lost) const = 0;
    std::string fromUtf8(const std::string& text) const
    {
        bool lost = false;
        return fromUtf8(text, lost);
    }
    virtual std::string toUtf8(const std::string& text) const = 0;
};
