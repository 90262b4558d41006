#include "ICalendarWriter.h"

#include "Calendar.h"
#include "CodePage.h"
#include "Fnv1a.h"

#include <cstdint>
#include <cstdio>
#include <unordered_map>

namespace {

constexpr std::size_t lineOctets = 75;

// One content line, folded so that no line passes 75 octets and no UTF-8
// character is cut; a folded line goes on after CR LF and one space.
void addLine(std::string& out, const std::string& line)
{
    std::size_t start = 0;
    std::size_t room = lineOctets;
    while (line.size() - start > room) {
        std::size_t end = start + room;
        while (end > start && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80)
            --end; // back to the first byte of the character
        out.append(line, start, end - start);
        out += "\r\n ";
        start = end;
        room = lineOctets - 1;
    }
    out.append(line, start, std::string::npos);
    out += "\r\n";
}

std::string escaped(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '\\':
        case ';':
        case ',':
            out += '\\';
            out += c;
            break;
        case '\r':
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += "\\n";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string number(unsigned value, int width)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*u", width, value);
    return text;
}

std::string dateOf(const SystemTime& when)
{
    return number(when.wYear, 4) + number(when.wMonth, 2) + number(when.wDay, 2);
}

std::string timeOf(const SystemTime& when)
{
    return number(when.wHour, 2) + number(when.wMinute, 2);
}

const char* ruleOf(EventFrequency frequency)
{
    switch (frequency) {
    case Daily:
        return "FREQ=DAILY";
    case Weekly:
        return "FREQ=WEEKLY";
    case Fortnightly:
        return "FREQ=WEEKLY;INTERVAL=2";
    case Monthly:
        return "FREQ=MONTHLY";
    case Yearly:
        return "FREQ=YEARLY";
    default:
        return nullptr;
    }
}

// A hash of every stored field, each text ended by a NUL so that no two
// events run together alike.
std::uint64_t hashOf(const Event& e)
{
    Fnv1a hash;
    const auto addNumber = [&hash](unsigned value) {
        for (int shift = 0; shift < 32; shift += 8)
            hash.addByte(static_cast<unsigned char>(value >> shift));
    };
    for (const unsigned value : {unsigned{e.when.wYear}, unsigned{e.when.wMonth}, unsigned{e.when.wDay},
                                 unsigned{e.when.wHour}, unsigned{e.when.wMinute}, static_cast<unsigned>(e.frequency)})
        addNumber(value);
    addNumber(static_cast<unsigned>(e.noTime) | static_cast<unsigned>(e.remind3Days) << 1 |
              static_cast<unsigned>(e.remind1Day) << 2 | static_cast<unsigned>(e.remind1Hour) << 3 |
              static_cast<unsigned>(e.sendEmail) << 4 | static_cast<unsigned>(e.launchProgram) << 5);
    for (const std::string* text : {&e.description, &e.emailAddress, &e.programPath, &e.note}) {
        hash.add(*text);
        hash.addByte(0);
    }
    return hash.value();
}

void addEvent(std::string& out, const Event& e, unsigned twin, const std::string& stamp, const CodePage& codePage)
{
    const std::string summary = escaped(codePage.toUtf8(e.description));
    addLine(out, "BEGIN:VEVENT");
    addLine(out, "UID:" + ICalendarWriter::uidOf(e, twin));
    addLine(out, "DTSTAMP:" + stamp);
    if (e.noTime)
        addLine(out, "DTSTART;VALUE=DATE:" + dateOf(e.when));
    else
        addLine(out, "DTSTART:" + dateOf(e.when) + "T" + timeOf(e.when) + "00");
    addLine(out, "SUMMARY:" + summary);
    if (!e.note.empty())
        addLine(out, "DESCRIPTION:" + escaped(codePage.toUtf8(e.note)));
    if (const char* rule = ruleOf(e.frequency))
        addLine(out, std::string("RRULE:") + rule);
    if (!e.emailAddress.empty())
        addLine(out, "X-VELLUMERE-EMAIL:" + escaped(codePage.toUtf8(e.emailAddress)));
    addLine(out, std::string("X-VELLUMERE-SEND-EMAIL:") + (e.sendEmail ? "TRUE" : "FALSE"));
    if (!e.programPath.empty())
        addLine(out, "X-VELLUMERE-PROGRAM:" + escaped(codePage.toUtf8(e.programPath)));
    addLine(out, std::string("X-VELLUMERE-LAUNCH-PROGRAM:") + (e.launchProgram ? "TRUE" : "FALSE"));
    // A date has no time of day, but the file keeps one: so does the export.
    if (e.noTime && (e.when.wHour != 0 || e.when.wMinute != 0))
        addLine(out, "X-VELLUMERE-TIME:" + timeOf(e.when));
    addLine(out, "X-VELLUMERE-FREQUENCY:" + std::to_string(e.frequency));
    const struct {
        bool on;
        const char* trigger;
    } alarms[] = {{e.remind1Hour, "-PT1H"}, {e.remind1Day, "-P1D"}, {e.remind3Days, "-P3D"}};
    for (const auto& alarm : alarms) {
        if (!alarm.on)
            continue;
        addLine(out, "BEGIN:VALARM");
        addLine(out, "ACTION:DISPLAY");
        addLine(out, "DESCRIPTION:" + summary);
        addLine(out, std::string("TRIGGER:") + alarm.trigger);
        addLine(out, "END:VALARM");
    }
    addLine(out, "END:VEVENT");
}

} // namespace

std::string ICalendarWriter::uidOf(const Event& event, unsigned twin)
{
    char text[48];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hashOf(event)));
    return std::string(text) + (twin ? "-" + std::to_string(twin + 1) : "") + "@vellumere";
}

bool ICalendarWriter::writable(const Event& event)
{
    const SystemTime& when = event.when;
    return isValidDate(when) && when.wYear >= 1 && when.wYear <= 9999 && when.wHour < 24 && when.wMinute < 60;
}

std::string ICalendarWriter::write(const std::vector<Event>& events, const SystemTime& stampUtc,
                                   const CodePage& codePage, const std::string& version)
{
    const std::string stamp = dateOf(stampUtc) + "T" + timeOf(stampUtc) + number(stampUtc.wSecond, 2) + "Z";
    std::string out;
    out.reserve(events.size() * 400 + 200);
    addLine(out, "BEGIN:VCALENDAR");
    addLine(out, "VERSION:2.0");
    addLine(out, "PRODID:-//Vellumere//Vellumere " + version + "//EN");
    addLine(out, "CALSCALE:GREGORIAN");
    // Twins (equal events) share a hash: each gets its own UID by its rank.
    std::unordered_map<std::uint64_t, unsigned> seen;
    for (const Event& e : events)
        if (writable(e))
            addEvent(out, e, seen[hashOf(e)]++, stamp, codePage);
    addLine(out, "END:VCALENDAR");
    return out;
}
