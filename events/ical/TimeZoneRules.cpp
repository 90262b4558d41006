#include "TimeZoneRules.h"

#include "Calendar.h"

#include <algorithm>
#include <iterator>

namespace {

using Kind = ICalendarLines::Kind;
using Stamp = ValueText::Stamp;
constexpr auto sameText = &ValueText::sameText;

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
        zones.emplace(pendingName, std::move(pendingZone)); // the first of a name counts
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

bool TimeZoneRules::has(std::string_view zone) const
{
    return zones.find(zone) != zones.end();
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
    for (Observance& observance : known->second) {
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
