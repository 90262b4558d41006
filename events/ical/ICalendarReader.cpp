#include "ICalendarReader.h"

#include "Calendar.h"
#include "CodePage.h"
#include "Fnv1a.h"
#include "IanaZones.h"
#include "ICalendarLines.h"
#include "Occurrences.h"
#include "ValueText.h"
#include "RecurrenceRule.h"
#include "TimeZoneRules.h"
#include "TimeZones.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace {

using Kind = ICalendarLines::Kind;
using Stamp = ValueText::Stamp;
constexpr auto sameText = &ValueText::sameText;

// Blanks inside a rule or a list of dates, which some programs write after
// a comma, and other readers pass over.
std::string withoutBlanks(std::string_view value)
{
    std::string out;
    for (const char c : value) {
        if (c != ' ' && c != '\t')
            out += c;
    }
    return out;
}

// The day of a moment in seconds since 1970.
long dayOf(long long seconds)
{
    return static_cast<long>((seconds - ((seconds % secondsPerDay + secondsPerDay) % secondsPerDay)) / secondsPerDay);
}

// Days a whole import may look at to compute repetitions and time zone
// changes (a tenth of a second or so): far more than any real calendar
// needs, and a bound on a hostile one, whose further rules then give their
// start.
constexpr long workBudget = 5000000;

// Every field of `event` and its UID, as one number: what tells an event
// read twice from others cheaply.
std::uint64_t hashOf(const std::string& uid, const Event& e)
{
    Fnv1a hash;
    const auto addNumber = [&hash](long long value) {
        for (int shift = 0; shift < 64; shift += 8)
            hash.addByte(static_cast<unsigned char>(static_cast<unsigned long long>(value) >> shift));
    };
    for (const std::string* text : {&uid, &e.description, &e.emailAddress, &e.programPath, &e.note, &e.rule}) {
        hash.add(*text);
        hash.addByte(0);
    }
    for (const long long value : {static_cast<long long>(secondsOf(e.when)), static_cast<long long>(e.frequency)})
        addNumber(value);
    int flags = 0;
    for (const bool flag : {e.noTime, e.remind3Days, e.remind1Day, e.remind1Hour, e.sendEmail, e.launchProgram})
        flags = flags << 1 | static_cast<int>(flag);
    addNumber(flags);
    for (const long day : e.skippedDays)
        addNumber(day);
    for (const std::int32_t minutes : e.remindBefore)
        addNumber(minutes);
    return hash.value();
}

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
    // Occurrences a series' calendar cancelled: the series skips them.
    std::vector<Event> cancelled;

    void begin(Kind kind) override
    {
        if (kind == Kind::Event) {
            text = EventText{};
        } else if (kind == Kind::Alarm) {
            triggerBefore = -1;
            alarmShown = true;
        }
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
            else if (sameText(line.name, "ACTION")) // a mail or a program to run is no reminder here
                alarmShown = sameText(line.value, "DISPLAY") || sameText(line.value, "AUDIO");
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
        } else if (sameText(name, "UID")) {
            text.uid = value;
        } else if (sameText(name, "RRULE")) {
            text.rule = value;
            text.hasRule = !value.empty(); // an empty rule is none
        } else if (sameText(name, "RECURRENCE-ID")) {
            // One occurrence of a series, changed: an event of its own,
            // once, which its series skips.
            text.recurrenceId = value;
            text.recurrenceZone = TimeZoneRules::zoneName(line.zone);
            text.overridesOne = true;
        } else if (sameText(name, "EXDATE")) {
            text.exceptions.push_back({value, std::string(TimeZoneRules::zoneName(line.zone))});
        } else if (sameText(name, "STATUS")) {
            text.cancelled = sameText(value, "CANCELLED");
        } else if (sameText(name, "X-VELLUMERE-RULE")) {
            text.unfollowedRule = value;
        } else if (sameText(name, "X-VELLUMERE-CONTINUES")) {
            text.continuation = true;
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
        // RDATE is not followed: an event repeats by its rule alone.
    }

    void end(Kind kind) override
    {
        if (kind == Kind::Alarm) {
            constexpr long long longest = 366LL * secondsPerDay; // as the event file takes them
            if (triggerBefore == 0)
                return; // at the start: the alert itself
            if (!alarmShown || triggerBefore < 0 || triggerBefore > longest || triggerBefore % 60 != 0)
                ++text.alarmsDropped;
            else if (triggerBefore == 3600)
                text.remind1Hour = true;
            else if (triggerBefore == secondsPerDay)
                text.remind1Day = true;
            else if (triggerBefore == 3 * secondsPerDay)
                text.remind3Days = true;
            else
                text.remindBefore.push_back(static_cast<std::int32_t>(triggerBefore / 60));
        } else if (kind == Kind::Event) {
            // The later stretches of a series Vellumere wrote in several: the
            // first says it whole.
            if (text.continuation)
                return;
            Event event;
            if (convert(event) && !readBefore(event))
                events.push_back(std::move(event));
        }
    }

private:
    // The properties of one VEVENT as written, and its alarms as read.
    struct EventText {
        std::string uid;
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
        std::string recurrenceId;
        std::string recurrenceZone;
        std::string unfollowedRule;
        struct Exception {
            std::string values;
            std::string zone;
        };
        std::vector<Exception> exceptions;
        std::vector<std::int32_t> remindBefore;
        bool cancelled = false;
        bool continuation = false;
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

    // False for an event without a start, with one that cannot be, or one
    // beyond the years Vellumere holds: it is left out, counted and named,
    // and the others still come.
    bool convert(Event& event)
    {
        Stamp start;
        if (!text.hasStart || text.start.empty())
            return leaveOut(changes.startMissing);
        if (!ValueText::parseStamp(text.start, start))
            return leaveOut(changes.startImpossible);
        ICalendarReader::Changes found;
        found.alarmsDropped = text.alarmsDropped;

        const Frame frame = frameOf(start, text.startZone);
        if (!start.utc && !start.date && !text.startZone.empty() && frame.clock == Frame::AsWritten)
            ++found.zoneTakenAsLocal;

        event.noTime = start.date;
        long day = start.day;
        int frequency = -1;
        long explicitFrequency = 0;
        const bool exact = ValueText::parseNumber(text.frequency, explicitFrequency, false) &&
                           explicitFrequency <= Fortnightly && (explicitFrequency != Once || !text.hasRule);
        RecurrenceRule rule;
        bool ruled = false;
        if (exact) {
            frequency = static_cast<int>(explicitFrequency); // the exporter's own: exact
        } else if (text.hasRule && !text.overridesOne) {
            if (!rule.parse(withoutBlanks(text.rule))) {
                ++found.ruleToOnce;
            } else if ((frequency = rule.plainFrequency(start.day)) < 0) {
                // The event follows the rule on its own days. Where they are
                // other days on the user's clock, or the rule has ended, it
                // comes once, at its next occurrence or its last.
                const bool followed = rule.inVocabulary() && sameDayHere(frame, start);
                long left = budget;
                ruled = followed && !rule.hasEnded(start.day, dayOf(nowSeconds), left,
                                                   static_cast<int>(start.second / 60));
                if (!ruled) {
                    if (!followed)
                        ++found.ruleToOnce;
                    const RecurrenceRule::Clocks clocks{[&](long long time) { return toLocal(frame, time); },
                                                        [&](long long time) { return fromUtc(time); }};
                    day = rule.nextOccurrence(start, nowSeconds, clocks, budget);
                }
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
            return leaveOut(changes.startImpossible);
        if (ruled)
            event.rule = localRule(rule);
        else if (exact && explicitFrequency == Once)
            event.rule = ICalendarLines::unescaped(text.unfollowedRule);
        event.skippedDays = exceptionDays(frame);
        event.uid = text.uid;
        if (text.overridesOne) {
            Stamp original;
            if (!ValueText::parseStamp(text.recurrenceId, original))
                return leaveOut(changes.startImpossible); // an occurrence of no known start
            const Frame originalFrame = frameOf(original, text.recurrenceZone);
            event.movedFrom = localText(originalFrame, original);
            if (text.cancelled) {
                cancelled.push_back(event);
                return false;
            }
        }
        std::sort(text.remindBefore.begin(), text.remindBefore.end());
        text.remindBefore.erase(std::unique(text.remindBefore.begin(), text.remindBefore.end()),
                                text.remindBefore.end());
        event.remindBefore = text.remindBefore;

        bool lost = false;
        const auto inCodePage = [&](const std::string& value) {
            bool lostHere = false;
            std::string out = codePage.fromUtf8(ICalendarLines::unescaped(value), lostHere);
            lost = lost || lostHere;
            return out;
        };
        event.description = inCodePage(text.summary);
        event.note = inCodePage(text.description);
        event.emailAddress = inCodePage(text.email);
        event.programPath = inCodePage(text.program);
        found.charactersLost = lost ? 1 : 0;
        event.sendEmail = sameText(text.sendEmail, "TRUE");
        event.launchProgram = sameText(text.launchProgram, "TRUE");
        event.remind1Hour = text.remind1Hour;
        event.remind1Day = text.remind1Day;
        event.remind3Days = text.remind3Days;

        changes.zoneTakenAsLocal += found.zoneTakenAsLocal;
        changes.zoneOutsideItsYears += found.zoneOutsideItsYears;
        changes.ruleToOnce += found.ruleToOnce;
        changes.alarmsDropped += found.alarmsDropped;
        changes.charactersLost += found.charactersLost;
        return true;
    }

    Frame frameOf(const Stamp& start, const std::string& zone)
    {
        Frame frame;
        if (start.utc) {
            frame.clock = Frame::Utc;
        } else if (!start.date && !zone.empty()) {
            frame.systemZone = systemZone(zone, start.seconds());
            if (zones.has(zone)) {
                frame.clock = Frame::FileZone;
                frame.zone = zone;
            } else if (!frame.systemZone.empty()) {
                frame.clock = Frame::SystemZone;
                frame.zone = frame.systemZone;
            }
        }
        return frame;
    }

    // `stamp` on the user's clock: a DATE as it is, a DATE-TIME local.
    long long localSeconds(const Frame& frame, const Stamp& stamp)
    {
        return stamp.date ? stamp.seconds() : toLocal(frame, stamp.seconds());
    }

    std::string localText(const Frame& frame, const Stamp& stamp)
    {
        if (stamp.date)
            return ValueText::dateText(stamp.day);
        const long long local = localSeconds(frame, stamp);
        const long day = dayOf(local);
        return ValueText::dateTimeText(day, local - static_cast<long long>(day) * secondsPerDay);
    }

    // Whether the start falls on the same day on the user's clock as on its own.
    bool sameDayHere(const Frame& frame, const Stamp& start)
    {
        return dayOf(localSeconds(frame, start)) == start.day;
    }

    // The rule on the user's wall clock, on which the event follows it: an
    // UNTIL in UTC made local, and one at the day's last minute the day, as
    // Vellumere writes it (the event's minute never passes it).
    std::string localRule(const RecurrenceRule& rule)
    {
        const std::string written = rule.text();
        const Stamp* until = rule.until();
        if (!until || until->date)
            return written;
        Frame utc;
        utc.clock = Frame::Utc;
        const Frame& frame = until->utc ? utc : Frame{};
        const long long local = localSeconds(frame, *until);
        const std::string untilText = local - static_cast<long long>(dayOf(local)) * secondsPerDay >= secondsPerDay - 60
                                          ? ValueText::dateText(dayOf(local))
                                          : localText(frame, *until);
        std::string out;
        ValueText::forEachPart(written, [&](std::string_view name, std::string_view value) {
            out += (out.empty() ? "" : ";") + std::string(name) + "=" +
                   (sameText(name, "UNTIL") ? untilText : std::string(value));
            return true;
        });
        return out;
    }

    // The days of the EXDATEs, on the user's clock, in order.
    std::vector<long> exceptionDays(const Frame& eventFrame)
    {
        std::vector<long> days;
        for (const EventText::Exception& exception : text.exceptions) {
            ValueText::forEachItem(withoutBlanks(exception.values), [&](std::string_view item) {
                Stamp stamp;
                if (!ValueText::parseStamp(item, stamp))
                    return true; // one unreadable date leaves the others
                const Frame frame = exception.zone.empty() && !stamp.utc ? eventFrame : frameOf(stamp, exception.zone);
                days.push_back(dayOf(localSeconds(frame, stamp)));
                return true;
            });
        }
        std::sort(days.begin(), days.end());
        days.erase(std::unique(days.begin(), days.end()), days.end());
        return days;
    }

    bool leaveOut(std::size_t& reason)
    {
        ++reason;
        if (changes.leftOut.size() < ICalendarReader::namedLeftOut)
            changes.leftOut.push_back(codePage.fromUtf8(ICalendarLines::unescaped(text.summary)));
        return false;
    }

    // True when the file held `event` before, under the same UID (or none):
    // one event written twice.
    bool readBefore(const Event& event)
    {
        const std::uint64_t hash = hashOf(text.uid, event);
        const auto same = seen.equal_range(hash);
        for (auto it = same.first; it != same.second; ++it) {
            const std::size_t at = it->second.position;
            if (at < events.size() && it->second.uid == text.uid && events[at] == event)
                return true;
        }
        seen.emplace(hash, Seen{text.uid, events.size()});
        return false;
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
    bool alarmShown = true;
    long long triggerBefore = -1; // seconds before the start; -1 for none of ours
    struct Seen {
        std::string uid;
        std::size_t position; // in `events`
    };
    std::unordered_multimap<std::uint64_t, Seen> seen; // by hashOf
};

// Each series skips the days its occurrences were moved from or cancelled
// on, and keeps its UID only to know them by; an occurrence whose series is
// not in the calendar is an event like any other.
void linkMovedOccurrences(std::vector<Event>& events, const std::vector<Event>& cancelled)
{
    std::unordered_map<std::string, Event*> series;
    for (Event& e : events) {
        if (!e.uid.empty() && e.movedFrom.empty() && e.repeats())
            series.emplace(e.uid, &e);
    }
    std::unordered_set<std::string> linked;
    const auto skip = [&](const Event& occurrence) {
        const auto found = series.find(occurrence.uid);
        Stamp from;
        if (found == series.end() || !ValueText::parseStamp(occurrence.movedFrom, from))
            return false;
        std::vector<long>& days = found->second->skippedDays;
        days.insert(std::lower_bound(days.begin(), days.end(), from.day), from.day);
        days.erase(std::unique(days.begin(), days.end()), days.end());
        linked.insert(occurrence.uid);
        return true;
    };
    for (const Event& e : cancelled)
        skip(e);
    for (Event& e : events) {
        if (!e.movedFrom.empty() && !skip(e)) {
            e.movedFrom.clear();
            e.uid.clear();
        }
    }
    for (Event& e : events) {
        if (e.movedFrom.empty() && linked.count(e.uid) == 0)
            e.uid.clear();
    }
}

int minuteOfDay(const SystemTime& when)
{
    return when.wHour * 60 + when.wMinute;
}

// A series comes in at its next occurrence: what it brings from before now
// is no occurrence the user had, and neither is an occurrence moved to a
// time that has passed.
void comeInFromNow(std::vector<Event>& events, const SystemTime& now)
{
    const long today = dayNumber(now);
    const auto past = [&](const Event& e, long day) {
        return day < today || (day == today && !e.noTime && minuteOfDay(e.when) < minuteOfDay(now));
    };
    std::vector<Event> kept;
    kept.reserve(events.size());
    for (Event& e : events) {
        if (!e.movedFrom.empty() && past(e, dayNumber(e.when)))
            continue;
        const Occurrences occurrences(e);
        if (e.repeats() && occurrences.repeat()) {
            long next = occurrences.nextFrom(today);
            if (next != Occurrences::noDay && past(e, next))
                next = occurrences.nextFrom(today + 1);
            if (next != Occurrences::noDay && next != dayNumber(e.when)) {
                Event moved = occurrences.movedTo(next);
                e = std::move(moved);
            }
        }
        kept.push_back(std::move(e));
    }
    events = std::move(kept);
}

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
    linkMovedOccurrences(result.events, events.cancelled);
    comeInFromNow(result.events, now);
    result.changes = events.changes;
    return result;
}
