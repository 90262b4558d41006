#include "EventFileReader.h"

#include "XmlNestingProbe.h"

#include <tinyxml.h>

#include <cstring>
#include <limits>

namespace {

// CR LF and lone CR become LF, and the text ends at its first NUL, as when
// the library loads a file itself.
void normalizeLineEnds(std::string& text)
{
    text.resize(std::strlen(text.c_str()));
    char* out = text.data();
    const char* in = text.data();
    const char* const end = in + text.size();
    while (in < end) {
        const char c = *in++;
        if (c == '\r') {
            *out++ = '\n';
            if (in < end && *in == '\n')
                ++in;
        } else {
            *out++ = c;
        }
    }
    text.resize(static_cast<std::size_t>(out - text.data()));
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// True when the '&' at `at` starts one of the references the file uses: a
// predefined entity, or "&#x" with two hexadecimal digits and ";".
bool startsReference(const std::string& text, std::size_t at)
{
    static const char* const entities[] = {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"};
    for (const char* entity : entities) {
        if (text.compare(at, std::strlen(entity), entity) == 0)
            return true;
    }
    return text.compare(at, 3, "&#x") == 0 && at + 5 < text.size() && isHexDigit(text[at + 3]) &&
           isHexDigit(text[at + 4]) && text[at + 5] == ';';
}

// Any other '&' is a literal one (a hand-edited file); the library would drop
// it, or read "&#65;" and "&#x4142;" as characters, so it is escaped first.
// Comments and CDATA sections, which the library takes as they are, are skipped.
void escapeLiteralAmpersands(std::string& text)
{
    std::string escaped;
    std::size_t copied = 0;
    std::size_t at = 0;
    while ((at = text.find_first_of("&<", at)) != std::string::npos) {
        if (text[at] == '<') {
            const char* end = text.compare(at, 4, "<!--") == 0 ? "-->"
                              : text.compare(at, 9, "<![CDATA[") == 0 ? "]]>"
                                                                       : nullptr;
            at = end ? text.find(end, at) : at + 1;
            continue;
        }
        if (!startsReference(text, at)) {
            escaped.append(text, copied, at - copied);
            escaped += "&amp;";
            copied = at + 1;
        }
        ++at;
    }
    if (copied == 0)
        return;
    escaped.append(text, copied, std::string::npos);
    text.swap(escaped);
}

std::string childText(const TiXmlElement& parent, const char* name)
{
    const TiXmlElement* child = parent.FirstChildElement(name);
    const char* text = child ? child->GetText() : nullptr;
    return text ? std::string(text) : std::string();
}

std::uint16_t dateField(const TiXmlElement* datetime, const char* name)
{
    if (!datetime)
        return 0;
    // The low 16 bits, as a 16-bit field keeps them.
    const auto value = static_cast<std::uint32_t>(EventFileReader::parseInteger(childText(*datetime, name).c_str()));
    return static_cast<std::uint16_t>(value & 0xFFFFu);
}

bool flag(const TiXmlElement& element, const char* name)
{
    const char* value = element.Attribute(name);
    return value && std::strcmp(value, "yes") == 0;
}

std::string decodeLineBreaks(const std::string& note)
{
    std::string decoded;
    decoded.reserve(note.size());
    for (std::size_t i = 0; i < note.size(); ++i) {
        if (note[i] == '|' && i + 1 < note.size() && note[i + 1] == '*') {
            decoded += "\r\n";
            ++i;
        } else {
            decoded += note[i];
        }
    }
    return decoded;
}

void readEvent(const TiXmlElement& element, Event& event)
{
    event.reset();
    event.description = childText(element, "description");
    const TiXmlElement* datetime = element.FirstChildElement("datetime");
    event.when.wDay = dateField(datetime, "day");
    event.when.wMonth = dateField(datetime, "month");
    event.when.wYear = dateField(datetime, "year");
    event.when.wHour = dateField(datetime, "hour");
    event.when.wMinute = dateField(datetime, "minute");
    event.emailAddress = childText(element, "address");
    event.programPath = childText(element, "program");
    event.note = decodeLineBreaks(childText(element, "note"));
    const char* frequency = element.Attribute("frequency");
    event.frequency = static_cast<EventFrequency>(frequency ? EventFileReader::parseInteger(frequency) : 0);
    event.launchProgram = flag(element, "program");
    event.sendEmail = flag(element, "email");
    event.noTime = flag(element, "notime");
    event.remind3Days = flag(element, "remind3day");
    event.remind1Day = flag(element, "remind1day");
    event.remind1Hour = flag(element, "remind1hour");
}

} // namespace

std::int32_t EventFileReader::parseInteger(const char* text)
{
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    std::int64_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1)
            return 0;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<std::int32_t>::max())
        return 0;
    return static_cast<std::int32_t>(value);
}

bool EventFileReader::read(std::string& text, std::vector<Event>& events)
{
    if (text.size() > maxFileSize)
        return false;
    normalizeLineEnds(text);
    escapeLiteralAmpersands(text);
    if (!XmlNestingProbe::examine(text.c_str()).wellFormed)
        return false;

    TiXmlDocument document;
    document.Parse(text.c_str(), nullptr, TIXML_ENCODING_LEGACY);
    if (document.Error())
        return false;
    const TiXmlElement* root = document.RootElement();
    if (!root)
        return false;

    const TiXmlElement* first = root->FirstChildElement("event");
    if (!first) {
        // Only an empty event list is an event file without events.
        return root->ValueStr() == "eventlist" && !root->FirstChildElement();
    }
    Event event;
    for (const TiXmlElement* element = first; element; element = element->NextSiblingElement()) {
        readEvent(*element, event);
        events.push_back(event);
    }
    return true;
}
