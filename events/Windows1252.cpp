#include "Windows1252.h"

#include <cstdint>

namespace {

// The characters of the bytes 0x80 to 0x9F; the five bytes the code page
// leaves unassigned map to the control characters of the same number, as
// Windows maps them.
const char32_t upperControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t characterOf(unsigned char byte)
{
    return byte >= 0x80 && byte < 0xA0 ? upperControls[byte - 0x80] : char32_t{byte};
}

// The byte of a character, or '?' when the code page lacks it.
char byteOf(char32_t character)
{
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF))
        return static_cast<char>(character);
    for (unsigned i = 0; i < 32; ++i) {
        if (upperControls[i] == character)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes the UTF-8 sequence at `at` and moves past it; a sequence that is
// not well-formed (overlong, a surrogate, cut short) counts as one byte and
// gives a character the code page lacks.
char32_t decodeUtf8(const std::string& text, std::size_t& at)
{
    constexpr char32_t invalid = 0xFFFD;
    const auto lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80)
        return lead;
    int length = 0;
    char32_t c = 0;
    char32_t smallest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 1;
        c = lead & 0x1Fu;
        smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 2;
        c = lead & 0x0Fu;
        smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 3;
        c = lead & 0x07u;
        smallest = 0x10000;
    } else {
        return invalid;
    }
    std::size_t next = at;
    for (int i = 0; i < length; ++i, ++next) {
        if (next >= text.size() || (static_cast<unsigned char>(text[next]) & 0xC0) != 0x80)
            return invalid;
        c = (c << 6) | (static_cast<unsigned char>(text[next]) & 0x3Fu);
    }
    if (c < smallest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return invalid;
    at = next;
    return c;
}

} // namespace

std::string Windows1252::fromUtf8(const std::string& text, bool& lost) const
{
    lost = false;
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const char32_t character = decodeUtf8(text, at);
        const char byte = byteOf(character);
        lost = lost || (byte == '?' && character != U'?');
        out += byte;
    }
    return out;
}

std::string Windows1252::toUtf8(const std::string& text) const
{
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (const char c : text)
        appendUtf8(out, characterOf(static_cast<unsigned char>(c)));
    return out;
}
