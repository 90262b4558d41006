#include "ICalendarReader.h"

#include "Calendar.h"
#include "CodePage.h"
#include "IanaZones.h"
#include "ICalendarLines.h"
#include "ValueText.h"
#include "RecurrenceRule.h"
#include "TimeZoneRules.h"
#include "TimeZones.h"

#include <cstdint>
#include <map>
#include <string_view>

namespace {

using Kind = ICalendarLines::Kind;
using Stamp = ValueText::Stamp;
constexpr auto sameText = &ValueText::sameText;

// Days a whole import may look at to compute repetitions and time zone
// changes (a tenth of a second or so): far more than any real calendar
// needs, and a bound on a hostile one, whose further rules then give their
// start.
constexpr long workBudget = 5000000;

// The second walk: each VEVENT of the calendar, with its alarms, made into
// an event.
class EventCollector : public ICalendarLines::Handler {
public:
    EventCollector(const SystemTime& now, const CodePage& textCodePage, const TimeZones& systemZones,
                   TimeZoneRules& fileZones, std::vector<Event>& read)
        : codePage(textCodePage), timeZones(systemZones), zones(fileZones), events(read)
    {
        nowSeconds = secondsOf(now) - now.wSecond; // seconds never count
    }

    ICalendarReader::Changes changes;

    void begin(Kind kind) override
    {
        if (kind == Kind::Event)
            text = EventText{};
        else if (kind == Kind::Alarm)
            triggerBefore = -1;
    }

    void property(Kind kind, const ICalendarLines::ContentLine& line) override
    {
        if (kind == Kind::Alarm) {
            // Before the start, as a duration: an absolute time (which reads
            // as no duration) or one related to the end has no place among
            // the reminder options.
            long long seconds = 0;
            if (sameText(line.name, "TRIGGER"))
                triggerBefore = !sameText(line.related, "END") && ValueText::parseDuration(line.value, seconds)
                                    ? -seconds
                                    : -1;
            return;
        }
        if (kind != Kind::Event)
            return;
        const std::string_view name = line.name;
        const std::string value(line.value);
        if (sameText(name, "DTSTART")) {
            text.start = value;
            text.startZone = TimeZoneRules::zoneName(line.zone);
            text.hasStart = true;
        } else if (sameText(name, "SUMMARY")) {
            text.summary = value;
        } else if (sameText(name, "DESCRIPTION")) {
            text.description = value;
        } else if (sameText(name, "RRULE")) {
            text.rule = value;
            text.hasRule = true;
        } else if (sameText(name, "RECURRENCE-ID")) {
            // One occurrence of another event, changed: Vellumere holds it
            // as an event of its own, once.
            text.overridesOne = true;
        } else if (sameText(name, "X-VELLUMERE-EMAIL")) {
            text.email = value;
        } else if (sameText(name, "X-VELLUMERE-SEND-EMAIL")) {
            text.sendEmail = value;
        } else if (sameText(name, "X-VELLUMERE-PROGRAM")) {
            text.program = value;
        } else if (sameText(name, "X-VELLUMERE-LAUNCH-PROGRAM")) {
            text.launchProgram = value;
        } else if (sameText(name, "X-VELLUMERE-TIME")) {
            text.time = value;
        } else if (sameText(name, "X-VELLUMERE-FREQUENCY")) {
            text.frequency = value;
        }
        // EXDATE and RDATE are not followed: an event repeats by its rule alone.
    }

    void end(Kind kind) override
    {
        if (kind == Kind::Alarm) {
            if (triggerBefore == 3600)
                text.remind1Hour = true;
            else if (triggerBefore == secondsPerDay)
                text.remind1Day = true;
            else if (triggerBefore == 3 * secondsPerDay)
                text.remind3Days = true;
            else
                ++text.alarmsDropped;
        } else if (kind == Kind::Event) {
            Event event;
            if (convert(event))
                events.push_back(std::move(event));
        }
    }

private:
    // The properties of one VEVENT as written, and its alarms as read.
    struct EventText {
        std::string start;
        std::string startZone;
        std::string summary;
        std::string description;
        std::string rule;
        std::string email;
        std::string sendEmail;
        std::string program;
        std::string launchProgram;
        std::string time;
        std::string frequency;
        bool hasStart = false;
        bool hasRule = false;
        bool overridesOne = false;
        bool remind1Hour = false;
        bool remind1Day = false;
        bool remind3Days = false;
        std::size_t alarmsDropped = 0;
    };

    // Where an event's times are written: the user's own wall clock (also
    // for dates and for zones no one knows), UTC, a zone of the file or of
    // the system. A zone of the file that the system knows too (by the same
    // name, or as the Windows zone of an IANA one) takes the system's rules
    // where the file's do not reach.
    struct Frame {
        enum Clock { AsWritten, Utc, FileZone, SystemZone } clock = AsWritten;
        std::string zone;
        std::string systemZone;
    };

    // False for an event without a readable start, or one beyond the years
    // Vellumere holds: it is left out, uncounted, and the others still come.
    bool convert(Event& event)
    {
        Stamp start;
        if (!text.hasStart || !ValueText::parseStamp(text.start, start))
            return false;
        ICalendarReader::Changes found;
        found.alarmsDropped = text.alarmsDropped;

        Frame frame;
        if (start.utc) {
            frame.clock = Frame::Utc;
        } else if (!start.date && !text.startZone.empty()) {
            frame.systemZone = systemZone(text.startZone, start.seconds());
            if (zones.has(text.startZone)) {
                frame.clock = Frame::FileZone;
                frame.zone = text.startZone;
            } else if (!frame.systemZone.empty()) {
                frame.clock = Frame::SystemZone;
                frame.zone = frame.systemZone;
            } else {
                ++found.zoneTakenAsLocal;
            }
        }

        event.noTime = start.date;
        long day = start.day;
        int frequency = -1;
        long explicitFrequency = 0;
        if (ValueText::parseNumber(text.frequency, explicitFrequency, false) &&
            explicitFrequency <= Fortnightly) {
            frequency = static_cast<int>(explicitFrequency); // the exporter's own: exact
        } else if (text.hasRule && !text.overridesOne) {
            RecurrenceRule rule;
            if (!rule.parse(text.rule)) {
                ++found.ruleToOnce;
            } else if ((frequency = rule.plainFrequency(start.day)) < 0) {
                ++found.ruleToOnce;
                const RecurrenceRule::Clocks clocks{[&](long long time) { return toLocal(frame, time); },
                                                    [&](long long time) { return fromUtc(time); }};
                day = rule.nextOccurrence(start, nowSeconds, clocks, budget);
            }
        }
        event.frequency = static_cast<EventFrequency>(frequency < 0 ? Once : frequency);

        if (start.date) {
            setDayNumber(event.when, day);
            int hour = 0;
            int minute = 0;
            if (text.time.size() == 4 && ValueText::digitsAt(text.time, 0, 2, hour) &&
                ValueText::digitsAt(text.time, 2, 2, minute) && hour < 24 && minute < 60) {
                event.when.wHour = static_cast<std::uint16_t>(hour);
                event.when.wMinute = static_cast<std::uint16_t>(minute);
            }
        } else {
            const long long time = day * secondsPerDay + start.second;
            event.when = timeAt(toLocal(frame, time));
            event.when.wSecond = 0;
            if (frame.clock == Frame::FileZone && frame.systemZone.empty() && !zones.describes(frame.zone, time))
                ++found.zoneOutsideItsYears;
        }
        // Only what a four-digit year can say, after the shift between zones.
        if (!isValidDate(event.when) || event.when.wYear < 1 || event.when.wYear > 9999)
            return false;

        event.description = codePage.fromUtf8(ICalendarLines::unescaped(text.summary));
        event.note = codePage.fromUtf8(ICalendarLines::unescaped(text.description));
        event.emailAddress = codePage.fromUtf8(ICalendarLines::unescaped(text.email));
        event.programPath = codePage.fromUtf8(ICalendarLines::unescaped(text.program));
        event.sendEmail = sameText(text.sendEmail, "TRUE");
        event.launchProgram = sameText(text.launchProgram, "TRUE");
        event.remind1Hour = text.remind1Hour;
        event.remind1Day = text.remind1Day;
        event.remind3Days = text.remind3Days;

        changes.zoneTakenAsLocal += found.zoneTakenAsLocal;
        changes.zoneOutsideItsYears += found.zoneOutsideItsYears;
        changes.ruleToOnce += found.ruleToOnce;
        changes.alarmsDropped += found.alarmsDropped;
        return true;
    }

    long long fromUtc(long long utc) const { return secondsOf(timeZones.localFromUtc(timeAt(utc))); }

    // The name the system knows the zone `zone` by, tried at `time` once
    // for each zone: its own, or the Windows zone CLDR gives an IANA name;
    // "" for none.
    const std::string& systemZone(const std::string& zone, long long time)
    {
        auto known = systemNames.find(zone);
        if (known == systemNames.end()) {
            SystemTime utc;
            std::string name;
            if (timeZones.utcFromZone(zone, timeAt(time), utc))
                name = zone;
            else if (const char* windows = IanaZones::windowsName(zone))
                name = timeZones.utcFromZone(windows, timeAt(time), utc) ? windows : "";
            known = systemNames.emplace(zone, std::move(name)).first;
        }
        return known->second;
    }

    // The user's wall clock at the wall clock `time` of `frame`.
    long long toLocal(const Frame& frame, long long time)
    {
        switch (frame.clock) {
        case Frame::Utc:
            return fromUtc(time);
        case Frame::FileZone:
            if (frame.systemZone.empty() || zones.describes(frame.zone, time))
                return fromUtc(time - zones.offsetAt(frame.zone, time, budget));
            [[fallthrough]];
        case Frame::SystemZone: {
            SystemTime utc;
            if (timeZones.utcFromZone(frame.systemZone, timeAt(time), utc))
                return fromUtc(secondsOf(utc));
            return time;
        }
        case Frame::AsWritten:
            break;
        }
        return time;
    }

    const CodePage& codePage;
    const TimeZones& timeZones;
    TimeZoneRules& zones;
    std::vector<Event>& events;
    std::map<std::string, std::string, std::less<>> systemNames; // by TZID, as systemZone found them
    long long nowSeconds = 0;
    long budget = workBudget;
    EventText text;
    long long triggerBefore = -1; // seconds before the start; -1 for none of ours
};

} // namespace

ICalendarReader::Result ICalendarReader::read(const std::string& text, const SystemTime& now, const CodePage& codePage,
                                              const TimeZones& timeZones)
{
    Result result;
    if (text.size() > maxFileSize) {
        result.problem = Problem::TooLarge;
        return result;
    }
    // Two walks: the time zones may follow the events that use them, and
    // no event is made before the whole file has passed.
    TimeZoneRules zones;
    result.problem = ICalendarLines::walk(text, zones);
    if (result.problem != Problem::None)
        return result;
    EventCollector events(now, codePage, timeZones, zones, result.events);
    ICalendarLines::walk(text, events);
    result.changes = events.changes;
    return result;
}
