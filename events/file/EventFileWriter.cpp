#include "EventFileWriter.h"

#include "EventFileReader.h"
#include "ValueText.h"

#include <charconv>
#include <cstring>

namespace {

const char* const lineEnd = "\r\n";

bool isLeadingWhiteSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool isCondensedWhiteSpace(char c)
{
    return c == ' ' || c == '\r' || c == '\n';
}

bool isPlain(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 32 && byte <= 126 && c != '&' && c != '<' && c != '>' && c != '"' && c != '\'';
}

void appendEscaped(std::string& out, std::string_view text)
{
    static const char hexDigits[] = "0123456789ABCDEF";
    std::size_t i = 0;
    while (i < text.size()) {
        // Runs of plain characters go in whole; a long note is mostly one.
        std::size_t plainEnd = i;
        while (plainEnd < text.size() && isPlain(text[plainEnd]))
            ++plainEnd;
        out.append(text.data() + i, plainEnd - i);
        if (plainEnd == text.size())
            break;
        const char c = text[plainEnd];
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default: {
            const char entity[] = {'&', '#', 'x', hexDigits[byte >> 4], hexDigits[byte & 15], ';'};
            out.append(entity, sizeof entity);
        }
        }
        i = plainEnd + 1;
    }
}

void appendNumber(std::string& out, long value)
{
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

void appendTextElement(std::string& out, const char* indent, const char* name, std::string_view value)
{
    const std::string text = EventFileWriter::condense(value);
    out += indent;
    out += '<';
    out += name;
    if (text.empty()) {
        out += " />";
    } else {
        out += '>';
        appendEscaped(out, text);
        out += "</";
        out += name;
        out += '>';
    }
    out += lineEnd;
}

void appendNumberElement(std::string& out, const char* name, std::uint16_t value)
{
    out += "            <";
    out += name;
    out += '>';
    appendNumber(out, value);
    out += "</";
    out += name;
    out += '>';
    out += lineEnd;
}

const char* yesNo(bool value)
{
    return value ? "yes" : "no";
}

void appendEvent(std::string& out, const Event& event)
{
    out += "    <event frequency=\"";
    appendNumber(out, static_cast<std::int32_t>(event.frequency));
    out += "\" program=\"";
    out += yesNo(event.launchProgram);
    out += "\" email=\"";
    out += yesNo(event.sendEmail);
    out += "\" notime=\"";
    out += yesNo(event.noTime);
    out += "\" remind3day=\"";
    out += yesNo(event.remind3Days);
    out += "\" remind1day=\"";
    out += yesNo(event.remind1Day);
    out += "\" remind1hour=\"";
    out += yesNo(event.remind1Hour);
    out += "\">";
    out += lineEnd;

    appendTextElement(out, "        ", "description", event.description);
    out += "        <datetime>";
    out += lineEnd;
    appendNumberElement(out, "day", event.when.wDay);
    appendNumberElement(out, "month", event.when.wMonth);
    appendNumberElement(out, "year", event.when.wYear);
    appendNumberElement(out, "hour", event.when.wHour);
    appendNumberElement(out, "minute", event.when.wMinute);
    out += "        </datetime>";
    out += lineEnd;
    appendTextElement(out, "        ", "address", event.emailAddress);
    appendTextElement(out, "        ", "program", event.programPath);
    appendTextElement(out, "        ", "note", EventFileWriter::encodeLineBreaks(event.note));
    // What older versions do not know comes after the note, and only where
    // an event has it: every other event is written as they write it.
    if (!event.rule.empty())
        appendTextElement(out, "        ", "rule", event.rule);
    for (const long day : event.skippedDays)
        appendTextElement(out, "        ", "skip", ValueText::dateText(day));
    for (const std::int32_t minutes : event.remindBefore)
        appendTextElement(out, "        ", "remind", ValueText::durationText(-60LL * minutes));
    if (!event.uid.empty())
        appendTextElement(out, "        ", "uid", event.uid);
    if (!event.movedFrom.empty())
        appendTextElement(out, "        ", "moved-from", event.movedFrom);
    out += "    </event>";
    out += lineEnd;
}

} // namespace

std::string EventFileWriter::condense(std::string_view value)
{
    value = value.substr(0, value.find('\0'));
    std::string out;
    out.reserve(value.size());
    std::size_t i = 0;
    while (i < value.size() && isLeadingWhiteSpace(value[i]))
        ++i;
    while (i < value.size()) {
        std::size_t wordEnd = i;
        while (wordEnd < value.size() && !isCondensedWhiteSpace(value[wordEnd]))
            ++wordEnd;
        out.append(value.data() + i, wordEnd - i);
        std::size_t next = wordEnd;
        while (next < value.size() && isCondensedWhiteSpace(value[next]))
            ++next;
        // A run of white space between words becomes one space; at the end none.
        if (next > wordEnd && next < value.size())
            out += ' ';
        i = next;
    }
    return out;
}

std::string EventFileWriter::encodeLineBreaks(std::string_view note)
{
    std::string out(note);
    for (char& c : out) {
        if (c == '\r')
            c = '|';
        else if (c == '\n')
            c = '*';
    }
    return out;
}

Event EventFileWriter::stored(Event event)
{
    for (std::string* text : {&event.description, &event.emailAddress, &event.programPath, &event.rule})
        *text = condense(*text);
    event.note = EventFileReader::decodeLineBreaks(condense(encodeLineBreaks(event.note)).c_str());
    return event;
}

std::string EventFileWriter::write(const std::vector<Event>& events)
{
    std::string out;
    // An event takes about 500 bytes; one allocation for typical lists.
    out.reserve(64 + events.size() * 512);
    out += "<?xml version=\"1.0\" standalone=\"no\" ?>";
    out += lineEnd;
    if (events.empty()) {
        out += "<eventlist />";
        out += lineEnd;
        return out;
    }
    out += "<eventlist>";
    out += lineEnd;
    for (const Event& event : events)
        appendEvent(out, event);
    out += "</eventlist>";
    out += lineEnd;
    return out;
}
