#include "TimeZoneRules.h"

#include "Calendar.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace {

using Kind = ICalendarLines::Kind;
using Stamp = ValueText::Stamp;
constexpr auto sameText = &ValueText::sameText;

// 400 Gregorian years: the same dates fall on the same weekdays again.
constexpr long long daysPer400Years = 146097;

Stamp stampAt(long long seconds)
{
    const SystemTime time = timeAt(seconds);
    Stamp stamp;
    stamp.day = dayNumber(time);
    stamp.second = time.wHour * 3600LL + time.wMinute * 60LL + time.wSecond;
    return stamp;
}

// The yearly rule that two changes a year apart follow, at the same time of
// day in the same month: on the same weekday of it (counted from its start,
// or the last), or else on the same date; "" for none.
std::string yearlyRule(long long earlier, long long later)
{
    const SystemTime a = timeAt(earlier);
    const SystemTime b = timeAt(later);
    if (b.wYear != a.wYear + 1 || a.wMonth != b.wMonth || a.wHour != b.wHour || a.wMinute != b.wMinute ||
        a.wSecond != b.wSecond)
        return {};
    const std::string month = "FREQ=YEARLY;BYMONTH=" + std::to_string(a.wMonth);
    const int weekday = weekdayOf(dayNumber(a));
    if (weekday != weekdayOf(dayNumber(b)))
        return a.wDay == b.wDay ? month + ";BYMONTHDAY=" + std::to_string(a.wDay) : std::string();
    const auto inLastWeek = [](const SystemTime& date) {
        return date.wDay > daysInMonth(date.wYear, date.wMonth) - 7;
    };
    if (inLastWeek(a) && inLastWeek(b))
        return month + ";BYDAY=-1" + ValueText::weekdayCode(weekday);
    if ((a.wDay - 1) / 7 == (b.wDay - 1) / 7) // 0..3: a fifth one is always the last
        return month + ";BYDAY=" + std::to_string((a.wDay - 1) / 7 + 1) + ValueText::weekdayCode(weekday);
    return {};
}

// YYYYMMDDTHHMMSS
std::string stampText(long long seconds)
{
    const SystemTime time = timeAt(seconds);
    char clock[24];
    std::snprintf(clock, sizeof clock, "T%02u%02u%02u", time.wHour, time.wMinute, time.wSecond);
    return ValueText::dateText(dayNumber(time)) + clock;
}

} // namespace

std::string TimeZoneRules::zoneName(std::string_view name)
{
    std::string unescaped = ICalendarLines::unescaped(name);
    if (!unescaped.empty() && unescaped[0] == '/')
        unescaped.erase(0, 1);
    return unescaped;
}

void TimeZoneRules::begin(Kind kind)
{
    if (kind == Kind::TimeZone) {
        pendingName.clear();
        pendingZone.clear();
    } else if (kind == Kind::Observance) {
        pendingObservance = Observance{};
    }
}

void TimeZoneRules::property(Kind kind, const ICalendarLines::ContentLine& line)
{
    if (kind == Kind::TimeZone && sameText(line.name, "TZID")) {
        pendingName = zoneName(line.value);
    } else if (kind != Kind::Observance) {
        return;
    } else if (sameText(line.name, "DTSTART")) {
        Stamp& start = pendingObservance.start;
        pendingObservance.hasStart = ValueText::parseStamp(line.value, start) && !start.utc;
    } else if (sameText(line.name, "TZOFFSETFROM")) {
        pendingObservance.hasFrom = ValueText::parseOffset(line.value, pendingObservance.offsetFrom);
    } else if (sameText(line.name, "TZOFFSETTO")) {
        pendingObservance.hasTo = ValueText::parseOffset(line.value, pendingObservance.offsetTo);
    } else if (sameText(line.name, "RRULE")) {
        pendingObservance.hasRule = pendingObservance.rule.parse(line.value);
    } else if (sameText(line.name, "RDATE")) {
        ValueText::forEachItem(line.value, [&](std::string_view item) {
            Stamp date;
            if (ValueText::parseStamp(item, date) && !date.utc)
                pendingObservance.dates.push_back(date.seconds());
            return true;
        });
    }
}

void TimeZoneRules::end(Kind kind)
{
    if (kind == Kind::Observance && pendingObservance.hasStart && pendingObservance.hasTo) {
        if (!pendingObservance.hasFrom)
            pendingObservance.offsetFrom = pendingObservance.offsetTo;
        std::sort(pendingObservance.dates.begin(), pendingObservance.dates.end());
        pendingObservance.startYear = timeAt(pendingObservance.start.seconds()).wYear;
        keepObservance();
    } else if (kind == Kind::TimeZone && !pendingName.empty() && !pendingZone.empty()) {
        const auto added = zones.try_emplace(pendingName); // the first of a name counts
        if (added.second) {
            added.first->second.observances = std::move(pendingZone);
            followPatterns(added.first->second);
        }
    }
}

// A zone keeps its latest observances, the earliest going as soon as one
// more comes: one of a million observances takes no more room than one at
// the limit.
void TimeZoneRules::keepObservance()
{
    pendingZone.push_back(std::move(pendingObservance));
    if (pendingZone.size() <= ICalendarLimits::maxObservances)
        return;
    auto earliest = pendingZone.begin();
    for (auto observance = pendingZone.begin(); observance != pendingZone.end(); ++observance)
        if (observance->start.seconds() <= earliest->start.seconds())
            earliest = observance;
    if (earliest != std::prev(pendingZone.end()))
        *earliest = std::move(pendingZone.back());
    pendingZone.pop_back();
}

// A zone whose observances all end (given by dates, or by rules with an
// UNTIL) describes the years from its first change to its last; beyond an
// end where its clock still changed, the patterns of its changes there go
// on as rules of their own, forwards from the last, backwards (up to an
// UNTIL) from the first.
void TimeZoneRules::followPatterns(Zone& zone)
{
    Changes changes;
    for (const Observance& observance : zone.observances) {
        const long long begins = observance.start.seconds();
        changes.push_back({begins, observance.offsetFrom, observance.offsetTo, !observance.hasRule});
        if (observance.hasRule) {
            const Stamp* until = observance.rule.until();
            if (!until)
                return; // a rule without an end describes every year
            const long long ends = until->seconds() + (until->utc ? observance.offsetFrom : 0);
            changes.push_back({ends, observance.offsetFrom, observance.offsetTo, false});
        } else {
            // A pattern needs no more than the two changes of a kind nearest
            // each end: the start and the first date after it, the last two.
            const auto later = std::upper_bound(observance.dates.begin(), observance.dates.end(), begins);
            for (auto date = later; date != observance.dates.end(); ++date)
                if (date == later || observance.dates.end() - date <= 2)
                    changes.push_back({*date, observance.offsetFrom, observance.offsetTo, true});
        }
    }
    std::sort(changes.begin(), changes.end(), [](const Change& a, const Change& b) { return a.at < b.at; });
    Observances added;
    if (!followEnd(Changes(changes.rbegin(), changes.rend()), true, added))
        zone.lastYear = timeAt(changes.back().at).wYear;
    if (!followEnd(changes, false, added))
        zone.firstYear = timeAt(changes.front().at).wYear;
    for (Observance& observance : added)
        zone.observances.push_back(std::move(observance));
}

// `inwards`: the changes from the zone's first or `last` one on. Where two
// kinds of change or more (by their offsets) lie within a year of that end,
// each goes on beyond it by the pattern of its two dates nearest the end,
// added as an observance; false when one has no such pattern.
bool TimeZoneRules::followEnd(const Changes& inwards, bool last, Observances& added)
{
    const auto sameKind = [](const Change& a, const Change& b) {
        return a.offsetFrom == b.offsetFrom && a.offsetTo == b.offsetTo;
    };
    std::vector<std::size_t> ends; // the change of each kind nearest the end
    for (std::size_t at = 0; at < inwards.size(); ++at) {
        if (std::llabs(inwards[at].at - inwards.front().at) >= 366 * secondsPerDay)
            break;
        const auto kindOf = [&](std::size_t end) { return sameKind(inwards[end], inwards[at]); };
        if (std::none_of(ends.begin(), ends.end(), kindOf))
            ends.push_back(at);
    }
    if (ends.size() < 2)
        return true; // the clock stays as it was at the end
    Observances following;
    for (const std::size_t at : ends) {
        const Change& end = inwards[at];
        const auto next = std::find_if(inwards.begin() + static_cast<std::ptrdiff_t>(at) + 1, inwards.end(),
                                       [&](const Change& change) { return sameKind(change, end); });
        if (next == inwards.end() || !end.dated || !next->dated)
            return false;
        std::string rule = last ? yearlyRule(next->at, end.at) : yearlyRule(end.at, next->at);
        if (rule.empty() || (!last && timeAt(end.at).wYear <= 400))
            return false;
        Observance observance;
        observance.start = stampAt(last ? end.at : end.at - daysPer400Years * secondsPerDay);
        observance.startYear = timeAt(observance.start.seconds()).wYear;
        if (!last)
            rule += ";UNTIL=" + stampText(end.at - 60);
        if (!observance.rule.parse(rule))
            return false;
        observance.offsetFrom = end.offsetFrom;
        observance.offsetTo = end.offsetTo;
        observance.hasStart = observance.hasFrom = observance.hasTo = observance.hasRule = true;
        following.push_back(std::move(observance));
    }
    for (Observance& observance : following)
        added.push_back(std::move(observance));
    return true;
}

bool TimeZoneRules::has(std::string_view zone) const
{
    return zones.find(zone) != zones.end();
}

bool TimeZoneRules::describes(std::string_view zone, long long time) const
{
    const auto known = zones.find(zone);
    if (known == zones.end())
        return true;
    const long year = timeAt(time).wYear;
    return year >= known->second.firstYear && year <= known->second.lastYear;
}

// That of the observance with the latest onset at or before `time`; before
// every onset, the offset the earliest observance changed from.
long long TimeZoneRules::offsetAt(std::string_view zone, long long time, long& budget)
{
    const auto known = zones.find(zone);
    if (known == zones.end())
        return 0;
    const Observance* latest = nullptr;
    long long latestOnset = 0;
    const Observance* earliest = nullptr;
    const long year = timeAt(time).wYear;
    for (Observance& observance : known->second.observances) {
        long long onset = 0;
        if (onsetBefore(observance, time, year, onset, budget) && (!latest || onset > latestOnset)) {
            latest = &observance;
            latestOnset = onset;
        }
        if (!earliest || observance.start.seconds() < earliest->start.seconds())
            earliest = &observance;
    }
    if (!latest)
        return earliest->offsetFrom;
    // A time the clock skipped when it went forward is read with the offset
    // before the gap (RFC 5545 section 3.3.5).
    if (time < latestOnset + latest->offsetTo - latest->offsetFrom)
        return latest->offsetFrom;
    return latest->offsetTo;
}

// The observance's latest onset at or before `time`, looked for in that
// year and the one before. Only yearly rules are followed, and their UNTIL;
// time zones write no other.
bool TimeZoneRules::onsetBefore(Observance& observance, long long time, long year, long long& onset, long& budget)
{
    const long long begins = observance.start.seconds();
    if (begins > time)
        return false;
    onset = begins;
    const auto date = std::upper_bound(observance.dates.begin(), observance.dates.end(), time);
    if (date != observance.dates.begin())
        onset = std::max(onset, *std::prev(date));
    const RecurrenceRule& rule = observance.rule;
    if (!observance.hasRule || !rule.repeatsYearly())
        return true;
    for (long candidate = year; candidate >= year - 1; --candidate) {
        const long long period = candidate - observance.startYear;
        if (period < 0 || period % rule.interval() != 0)
            continue;
        auto known = observance.onsetDays.find(candidate);
        if (known == observance.onsetDays.end()) {
            if (budget <= 0)
                return true;
            if (!rule.collect(observance.start.day, period, days, budget))
                return true;
            known = observance.onsetDays.emplace(candidate, days).first;
        }
        bool found = false;
        for (const long day : known->second) {
            const long long at = day * secondsPerDay + observance.start.second;
            if (at < begins || at > time || (rule.until() && !beforeUntil(observance, at)))
                continue;
            onset = std::max(onset, at);
            found = true;
        }
        if (found)
            return true;
    }
    return true;
}

bool TimeZoneRules::beforeUntil(const Observance& observance, long long onset)
{
    const Stamp& until = *observance.rule.until();
    if (until.utc)
        return onset - observance.offsetFrom <= until.seconds();
    return onset <= (until.date ? until.seconds() + secondsPerDay - 1 : until.seconds());
}
