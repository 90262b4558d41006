#include "ICalendarLines.h"

#include "ValueText.h"

#include <vector>

namespace {

using Kind = ICalendarLines::Kind;
using Problem = ICalendarProblem;

constexpr auto sameText = &ValueText::sameText;

// Other readers take no white space around a value as its own.
std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    return text;
}

// False for a line without a value or with a parameter cut short.
bool parseContentLine(std::string_view line, ICalendarLines::ContentLine& out)
{
    out = ICalendarLines::ContentLine{};
    std::size_t at = 0;
    while (at < line.size() && line[at] != ';' && line[at] != ':')
        ++at;
    if (at == line.size())
        return false;
    out.name = line.substr(0, at);
    while (line[at] == ';') {
        const std::size_t nameStart = ++at;
        while (at < line.size() && line[at] != '=' && line[at] != ';' && line[at] != ':')
            ++at;
        if (at == line.size() || line[at] != '=')
            return false;
        const std::string_view parameter = line.substr(nameStart, at - nameStart);
        std::string_view first;
        bool firstTaken = false;
        do {
            ++at; // past '=' or ','
            std::string_view item;
            if (at < line.size() && line[at] == '"') {
                // Quoted: ':' ';' ',' inside are the value's own.
                const std::size_t close = line.find('"', at + 1);
                if (close == std::string_view::npos)
                    return false;
                item = line.substr(at + 1, close - at - 1);
                at = close + 1;
            } else {
                // Some programs escape a comma or semicolon of a zone's name
                // here as in a value: TZID=Kuala Lumpur\, Singapore.
                const std::size_t start = at;
                while (at < line.size() && line[at] != ',' && line[at] != ';' && line[at] != ':') {
                    const bool escaped =
                        line[at] == '\\' && at + 1 < line.size() && (line[at + 1] == ',' || line[at + 1] == ';');
                    at += escaped ? 2 : 1;
                }
                item = line.substr(start, at - start);
            }
            if (!firstTaken)
                first = item;
            firstTaken = true;
        } while (at < line.size() && line[at] == ',');
        if (at == line.size() || (line[at] != ';' && line[at] != ':'))
            return false;
        if (sameText(parameter, "TZID"))
            out.zone = first;
        else if (sameText(parameter, "RELATED"))
            out.related = first;
    }
    out.value = trimmed(line.substr(at + 1));
    return true;
}

} // namespace

std::string ICalendarLines::unescaped(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    std::size_t from = 0;
    for (std::size_t slash = value.find('\\'); slash != std::string_view::npos && slash + 1 < value.size();
         slash = value.find('\\', from)) {
        out.append(value.data() + from, slash - from);
        const char next = value[slash + 1];
        from = slash + 2;
        if (next == 'n' || next == 'N') {
            out += "\r\n";
        } else if (next == '\\' || next == ';' || next == ',') {
            out += next;
        } else {
            out += '\\';
            from = slash + 1;
        }
    }
    out.append(value.data() + from, value.size() - from);
    return out;
}

Problem ICalendarLines::walk(const std::string& text, Handler& handler)
{
    struct Open {
        std::string name;
        Kind kind;
    };
    std::vector<Open> open;
    bool begun = false;
    std::size_t events = 0;
    std::size_t timeZones = 0;
    ContentLine content;

    const auto take = [&](std::string_view line) {
        if (!parseContentLine(line, content))
            return begun ? Problem::None : Problem::NotACalendar;
        const bool isBegin = sameText(content.name, "BEGIN");
        const bool isEnd = sameText(content.name, "END");
        const std::string_view component = content.value;
        if (!begun && (!isBegin || !sameText(component, "VCALENDAR")))
            return Problem::NotACalendar;
        begun = true;
        const Kind parent = open.empty() ? Kind::Other : open.back().kind;
        if (isBegin) {
            if (open.size() >= static_cast<std::size_t>(ICalendarLimits::maxNesting))
                return Problem::NestedTooDeeply;
            Kind kind = Kind::Other;
            if (sameText(component, "VEVENT")) {
                if (++events > ICalendarLimits::maxEvents)
                    return Problem::TooManyEvents;
                kind = parent == Kind::Calendar ? Kind::Event : Kind::Other;
            } else if (open.empty() && sameText(component, "VCALENDAR")) {
                kind = Kind::Calendar;
            } else if (parent == Kind::Event && sameText(component, "VALARM")) {
                kind = Kind::Alarm;
            } else if (parent == Kind::Calendar && sameText(component, "VTIMEZONE")) {
                if (++timeZones > ICalendarLimits::maxTimeZones)
                    return Problem::TooManyTimeZones;
                kind = Kind::TimeZone;
            } else if (parent == Kind::TimeZone &&
                       (sameText(component, "STANDARD") || sameText(component, "DAYLIGHT"))) {
                kind = Kind::Observance;
            }
            open.push_back({std::string(component), kind});
            handler.begin(kind);
        } else if (isEnd) {
            if (open.empty() || !sameText(open.back().name, component))
                return Problem::Cut;
            handler.end(open.back().kind);
            open.pop_back();
        } else if (!open.empty()) {
            handler.property(open.back().kind, content);
        }
        return Problem::None;
    };

    // A line break followed by a space or a tab continues the line. A line
    // that is not folded is taken where it lies; a folded one is joined in
    // one buffer, its length checked before each piece goes in.
    std::string joined;
    std::size_t at = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    const auto lineAt = [&](std::size_t start, std::size_t& next) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        next = end + 1;
        if (end > start && text[end - 1] == '\r')
            --end;
        return std::string_view(text.data() + start, end - start);
    };
    const auto folded = [&](std::size_t next) {
        return next < text.size() && (text[next] == ' ' || text[next] == '\t');
    };
    while (at < text.size()) {
        std::size_t next = 0;
        std::string_view line = lineAt(at, next);
        if (line.size() > ICalendarLimits::maxLineLength)
            return Problem::LineTooLong;
        if (folded(next)) {
            joined.assign(line.data(), line.size());
            while (folded(next)) {
                const std::string_view piece = lineAt(next + 1, next);
                if (joined.size() + piece.size() > ICalendarLimits::maxLineLength)
                    return Problem::LineTooLong;
                joined.append(piece.data(), piece.size());
            }
            line = joined;
        }
        at = next;
        if (line.empty())
            continue;
        const Problem problem = take(line);
        if (problem != Problem::None)
            return problem;
    }
    if (!begun)
        return Problem::NotACalendar;
    return open.empty() ? Problem::None : Problem::Cut;
}
