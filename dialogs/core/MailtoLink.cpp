#include "MailtoLink.h"

namespace {

void appendEncoded(std::string& out, unsigned char byte)
{
    static const char hexDigits[] = "0123456789ABCDEF";
    out += '%';
    out += hexDigits[byte >> 4];
    out += hexDigits[byte & 15];
}

bool isUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

// In the address only what would end it or change its meaning is encoded;
// "@", "+", "," and the like stay readable.
bool breaksAddress(unsigned char c)
{
    return c <= 32 || c >= 127 || c == '%' || c == '?' || c == '#' || c == '&';
}

} // namespace

std::string MailtoLink::build(const std::string& address, const std::string& subject)
{
    std::string link = "mailto:";
    for (const char c : address) {
        const auto byte = static_cast<unsigned char>(c);
        if (breaksAddress(byte))
            appendEncoded(link, byte);
        else
            link += c;
    }
    link += "?subject=";
    for (const char c : subject) {
        const auto byte = static_cast<unsigned char>(c);
        if (isUnreserved(byte))
            link += c;
        else
            appendEncoded(link, byte);
    }
    return link;
}
