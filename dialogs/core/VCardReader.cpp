#include "VCardReader.h"

#include <cctype>
#include <cstddef>

namespace {

std::string upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The logical lines: a physical line that starts with a space or a tab
// continues the one before it, without that first character.
std::vector<std::string> unfoldedLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    // A byte-order mark is not part of the first property's name.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        start = 3;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && (line[0] == ' ' || line[0] == '\t') && !lines.empty())
            lines.back() += line.substr(1);
        else
            lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// "\," "\;" "\\" stand for themselves; "\n" breaks a line, which a one-line
// list shows as a space.
std::string unescaped(const std::string& value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char next = value[++i];
            out += next == 'n' || next == 'N' ? ' ' : next;
        } else {
            out += value[i];
        }
    }
    return out;
}

} // namespace

std::vector<VCardReader::Contact> VCardReader::read(const std::string& text)
{
    std::vector<Contact> contacts;
    bool inCard = false;
    Contact card;
    bool hasAddress = false;
    for (const std::string& line : unfoldedLines(text)) {
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string name = upper(line.substr(0, line.find_first_of(";:")));
        const std::size_t dot = name.rfind('.');
        if (dot != std::string::npos)
            name.erase(0, dot + 1);
        const std::string value = line.substr(colon + 1);

        if (name == "BEGIN" && upper(value) == "VCARD") {
            inCard = true;
            card = Contact{};
            hasAddress = false;
        } else if (!inCard) {
            continue;
        } else if (name == "END" && upper(value) == "VCARD") {
            if (hasAddress)
                contacts.push_back(card);
            inCard = false;
        } else if (name == "FN") {
            card.name = unescaped(value);
        } else if (name == "EMAIL" && !hasAddress) {
            card.address = unescaped(value);
            hasAddress = !card.address.empty();
        }
    }
    // A file cut short still gives the card it was in the middle of.
    if (inCard && hasAddress)
        contacts.push_back(card);
    return contacts;
}
