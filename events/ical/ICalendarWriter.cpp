#include "ICalendarWriter.h"

#include "Calendar.h"
#include "CodePage.h"
#include "Fnv1a.h"
#include "RecurrenceRule.h"
#include "ValueText.h"

#include <cstdint>
#include <cstdio>
#include <set>
#include <unordered_map>
#include <unordered_set>

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

// A stretch of an event's occurrences that one RRULE says: from `start`,
// `count` of them (0: no end).
struct Stretch {
    SystemTime start;
    int count = 0;
};

// A monthly event from the 29th to the 31st, or a yearly one from 29
// February, moves to the last day a short month has and keeps that day from
// then on, which no one RRULE says; other programs would skip the short
// months. So the export says it in stretches of one day of the month each,
// the last without end: at most four, as the day only falls to the 28th.
std::vector<Stretch> stretchesOf(const Event& e)
{
    const bool clamps = (e.frequency == Monthly && e.when.wDay > 28) ||
                        (e.frequency == Yearly && e.when.wMonth == 2 && e.when.wDay == 29);
    std::vector<Stretch> out{{e.when, 0}};
    if (!clamps || !isValidDate(e.when))
        return out;
    SystemTime at = e.when;
    int count = 1;
    while (out.back().start.wDay > 28 || (e.frequency == Yearly && out.back().start.wDay == 29)) {
        const SystemTime next = Event::nextDate(at, e.frequency);
        if (!dateBefore(at, next))
            break; // the last year: nothing comes after it
        if (next.wDay != at.wDay) {
            out.back().count = count;
            out.push_back({next, 0});
            count = 0;
        }
        at = next;
        ++count;
    }
    return out;
}

// `rule` with an UNTIL of the start's kind, as RFC 5545 asks: a date for an
// event without a time, else a floating date-time (a date's whole day).
std::string ruleFor(const Event& e, const RecurrenceRule& rule)
{
    std::string out;
    ValueText::forEachPart(rule.text(), [&](std::string_view name, std::string_view value) {
        std::string part(value);
        const ValueText::Stamp* until = rule.until();
        if (ValueText::sameText(name, "UNTIL") && until) {
            part = e.noTime ? ValueText::dateText(until->day)
                            : ValueText::dateTimeText(until->day, until->date ? secondsPerDay - 1 : until->second);
        }
        out += (out.empty() ? "" : ";") + std::string(name) + "=" + part;
        return true;
    });
    return out;
}

// A day of the event's own, at its time: what EXDATE and RECURRENCE-ID say.
std::string startOn(const Event& e, long day, const char* name)
{
    if (e.noTime)
        return std::string(name) + ";VALUE=DATE:" + ValueText::dateText(day);
    return std::string(name) + ":" + ValueText::dateText(day) + "T" + timeOf(e.when) + "00";
}

void addAlarm(std::string& out, const std::string& summary, const std::string& trigger)
{
    addLine(out, "BEGIN:VALARM");
    addLine(out, "ACTION:DISPLAY");
    addLine(out, "DESCRIPTION:" + summary);
    addLine(out, "TRIGGER:" + trigger);
    addLine(out, "END:VALARM");
}

// `continues`: for a later stretch, the UID of the first; `moved`: the days
// of the series' occurrences written as events of their own, which the
// series leaves to them rather than excluding them.
void addEvent(std::string& out, const Event& e, const std::string& uid, const Stretch& stretch,
              const std::string& continues, const std::set<long>& moved, const std::string& stamp,
              const CodePage& codePage)
{
    const std::string summary = escaped(codePage.toUtf8(e.description));
    addLine(out, "BEGIN:VEVENT");
    addLine(out, "UID:" + uid);
    addLine(out, "DTSTAMP:" + stamp);
    if (e.noTime)
        addLine(out, "DTSTART;VALUE=DATE:" + dateOf(stretch.start));
    else
        addLine(out, "DTSTART:" + dateOf(stretch.start) + "T" + timeOf(stretch.start) + "00");
    ValueText::Stamp movedFrom;
    if (!e.movedFrom.empty() && ValueText::parseStamp(e.movedFrom, movedFrom))
        addLine(out, std::string(movedFrom.date ? "RECURRENCE-ID;VALUE=DATE:" : "RECURRENCE-ID:") + e.movedFrom);
    addLine(out, "SUMMARY:" + summary);
    if (!e.note.empty())
        addLine(out, "DESCRIPTION:" + escaped(codePage.toUtf8(e.note)));
    RecurrenceRule rule;
    if (!e.rule.empty() && rule.parse(e.rule) && rule.inVocabulary()) {
        addLine(out, "RRULE:" + ruleFor(e, rule));
    } else if (const char* plain = ruleOf(e.frequency)) {
        if (stretch.count != 1)
            addLine(out, std::string("RRULE:") + plain + (stretch.count ? ";COUNT=" + std::to_string(stretch.count) : ""));
    }
    for (const long day : e.skippedDays) {
        if (moved.count(day) == 0)
            addLine(out, startOn(e, day, "EXDATE"));
    }
    if (!e.rule.empty() && !rule.inVocabulary())
        addLine(out, "X-VELLUMERE-RULE:" + escaped(e.rule)); // kept, though no one follows it
    if (!continues.empty())
        addLine(out, "X-VELLUMERE-CONTINUES:" + continues);
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
        if (alarm.on)
            addAlarm(out, summary, alarm.trigger);
    }
    for (const std::int32_t minutes : e.remindBefore)
        addAlarm(out, summary, ValueText::durationText(-60LL * minutes));
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
    // A series keeps the UID it came with, and its moved occurrences share
    // it; an occurrence whose series is not here, and any other event, has
    // one made of its fields. Twins (equal events) share a hash: each gets
    // its own UID by its rank.
    std::unordered_map<std::string, std::set<long>> series; // by UID, the days moved out of it
    for (const Event& e : events) {
        if (!e.uid.empty() && e.movedFrom.empty() && e.repeats() && writable(e))
            series[e.uid];
    }
    for (const Event& e : events) {
        ValueText::Stamp from;
        const auto found = series.find(e.uid);
        if (found != series.end() && ValueText::parseStamp(e.movedFrom, from))
            found->second.insert(from.day);
    }
    const std::set<long> none;
    std::unordered_set<std::string> taken;
    std::unordered_map<std::uint64_t, unsigned> seen;
    for (const Event& e : events) {
        if (!writable(e))
            continue;
        const auto inSeries = series.find(e.uid);
        const bool moved = !e.movedFrom.empty() && inSeries != series.end();
        std::string uid = e.uid;
        if (uid.empty() || (!moved && !taken.insert(uid).second))
            uid = uidOf(e, seen[hashOf(e)]++);
        Event written = e;
        if (!moved)
            written.movedFrom.clear();
        const std::vector<Stretch> stretches = stretchesOf(e);
        for (std::size_t i = 0; i < stretches.size(); ++i)
            addEvent(out, written, i == 0 ? uid : uid + "-" + dateOf(stretches[i].start), stretches[i],
                     i == 0 ? std::string() : uid, !moved && inSeries != series.end() ? inSeries->second : none,
                     stamp, codePage);
    }
    addLine(out, "END:VCALENDAR");
    return out;
}
