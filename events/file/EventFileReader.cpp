#include "EventFileReader.h"

#include "CodePage.h"
#include "ValueText.h"
#include "XmlNestingProbe.h"

#include <tinyxml.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// CR LF and lone CR become LF, and the text ends at its first NUL, as when
// the library loads a file itself.
void normalizeLineEnds(std::string& text)
{
    if (const void* nul = std::memchr(text.data(), '\0', text.size()))
        text.resize(static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
    char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* in = begin;
    char* out = begin;
    while (in < end) {
        const char* cr = static_cast<const char*>(std::memchr(in, '\r', static_cast<std::size_t>(end - in)));
        const char* chunkEnd = cr ? cr : end;
        if (out != in)
            std::memmove(out, in, static_cast<std::size_t>(chunkEnd - in));
        out += chunkEnd - in;
        in = chunkEnd;
        if (cr) {
            *out++ = '\n';
            in = (cr + 1 < end && cr[1] == '\n') ? cr + 2 : cr + 1;
        }
    }
    text.resize(static_cast<std::size_t>(out - begin));
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
// Comments and CDATA sections, which the library takes as they are, keep theirs.
void escapeLiteralAmpersands(std::string& text)
{
    std::size_t at = text.find('&');
    while (at != std::string::npos && startsReference(text, at))
        at = text.find('&', at + 1);
    if (at == std::string::npos)
        return; // the usual case: every '&' starts a reference

    std::string escaped;
    escaped.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char* skipTo = text.compare(i, 4, "<!--") == 0        ? "-->"
                             : text.compare(i, 9, "<![CDATA[") == 0 ? "]]>"
                                                                    : nullptr;
        if (skipTo) {
            const std::size_t end = text.find(skipTo, i);
            const std::size_t stop = end == std::string::npos ? text.size() : end;
            escaped.append(text, i, stop - i);
            i = stop - 1;
        } else if (text[i] == '&' && !startsReference(text, i)) {
            escaped += "&amp;";
        } else {
            escaped += text[i];
        }
    }
    text.swap(escaped);
}

const char* childText(const TiXmlElement& parent, const char* name)
{
    const TiXmlElement* child = parent.FirstChildElement(name);
    const char* text = child ? child->GetText() : nullptr;
    return text ? text : "";
}

std::uint16_t dateField(const TiXmlElement* datetime, const char* name)
{
    if (!datetime)
        return 0;
    // The low 16 bits, as a 16-bit field keeps them.
    const auto value = static_cast<std::uint32_t>(EventFileReader::parseInteger(childText(*datetime, name)));
    return static_cast<std::uint16_t>(value & 0xFFFFu);
}

bool flag(const TiXmlElement& element, const char* name)
{
    const char* value = element.Attribute(name);
    return value && std::strcmp(value, "yes") == 0;
}

// What newer versions store after the note. A value that cannot be read
// (a hand edit) is passed over, as an older version passes over all of them;
// the rule is kept as text whatever it says.
void readExtensions(const TiXmlElement& element, Event& event)
{
    event.rule = childText(element, "rule");
    for (const TiXmlElement* skip = element.FirstChildElement("skip"); skip; skip = skip->NextSiblingElement("skip")) {
        ValueText::Stamp date;
        const char* text = skip->GetText();
        if (text && ValueText::parseStamp(text, date) && date.date)
            event.skippedDays.push_back(date.day);
    }
    std::sort(event.skippedDays.begin(), event.skippedDays.end());
    event.skippedDays.erase(std::unique(event.skippedDays.begin(), event.skippedDays.end()), event.skippedDays.end());
    for (const TiXmlElement* remind = element.FirstChildElement("remind"); remind;
         remind = remind->NextSiblingElement("remind")) {
        long long seconds = 0;
        const char* text = remind->GetText();
        constexpr long long longest = 366LL * 24 * 3600; // a year before
        if (text && ValueText::parseDuration(text, seconds) && seconds <= 0 && seconds >= -longest)
            event.remindBefore.push_back(static_cast<std::int32_t>(-seconds / 60));
    }
    std::sort(event.remindBefore.begin(), event.remindBefore.end());
    event.uid = childText(element, "uid");
    ValueText::Stamp start;
    const std::string movedFrom = childText(element, "moved-from");
    if (ValueText::parseStamp(movedFrom, start) && !start.utc)
        event.movedFrom = movedFrom;
}

void readEvent(const TiXmlElement& element, Event& event)
{
    event.description = childText(element, "description");
    const TiXmlElement* datetime = element.FirstChildElement("datetime");
    event.when.wDay = dateField(datetime, "day");
    event.when.wMonth = dateField(datetime, "month");
    event.when.wYear = dateField(datetime, "year");
    event.when.wHour = dateField(datetime, "hour");
    event.when.wMinute = dateField(datetime, "minute");
    event.emailAddress = childText(element, "address");
    event.programPath = childText(element, "program");
    event.note = EventFileReader::decodeLineBreaks(childText(element, "note"));
    const char* frequency = element.Attribute("frequency");
    event.frequency = static_cast<EventFrequency>(frequency ? EventFileReader::parseInteger(frequency) : 0);
    event.launchProgram = flag(element, "program");
    event.sendEmail = flag(element, "email");
    event.noTime = flag(element, "notime");
    event.remind3Days = flag(element, "remind3day");
    event.remind1Day = flag(element, "remind1day");
    event.remind1Hour = flag(element, "remind1hour");
    readExtensions(element, event);
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

std::string EventFileReader::decodeLineBreaks(const char* note)
{
    std::string decoded;
    for (const char* p = note; *p; ++p) {
        if (p[0] == '|' && p[1] == '*') {
            decoded += "\r\n";
            ++p;
        } else {
            decoded += *p;
        }
    }
    return decoded;
}

bool EventFileReader::read(std::string& text, std::vector<Event>& events, const CodePage& codePage)
{
    if (text.size() > maxFileSize)
        return false;
    static const char byteOrderMark[] = "\xEF\xBB\xBF";
    if (text.compare(0, 3, byteOrderMark) == 0)
        text = codePage.fromUtf8(text.substr(3));
    normalizeLineEnds(text);
    escapeLiteralAmpersands(text);
    const XmlNestingProbe::Result shape = XmlNestingProbe::examine(text.c_str());
    if (!shape.wellFormed || shape.contentAfterRoot)
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
    // Only <event> elements are events: whatever else a hand edit or a newer
    // program put beside them is passed over.
    for (const TiXmlElement* element = first; element; element = element->NextSiblingElement("event")) {
        events.emplace_back(); // a default Event: every field starts from its default
        readEvent(*element, events.back());
    }
    return true;
}
