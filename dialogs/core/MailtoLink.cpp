#include "MailtoLink.h"

#include "CodePage.h"

namespace {

bool isUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

// Appends the UTF-8 octets of `text`, each but the unreserved ones (and
// `kept`) as %XX.
void appendEncoded(std::string& out, const std::string& text, char kept)
{
    static const char hexDigits[] = "0123456789ABCDEF";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (isUnreserved(byte) || (kept && c == kept)) {
            out += c;
        } else {
            out += '%';
            out += hexDigits[byte >> 4];
            out += hexDigits[byte & 15];
        }
    }
}

} // namespace

std::string MailtoLink::build(const std::string& address, const std::string& subject, const CodePage& codePage)
{
    std::string link = "mailto:";
    appendEncoded(link, codePage.toUtf8(address), '@');
    link += "?subject=";
    appendEncoded(link, codePage.toUtf8(subject), '\0');
    return link;
}
