#include "Event.h"

#include "Calendar.h"

#include <tuple>

bool Event::operator<(const Event& other) const
{
    const SystemTime& a = when;
    const SystemTime& b = other.when;
    if (a.wYear != b.wYear)
        return a.wYear < b.wYear;
    if (a.wMonth != b.wMonth)
        return a.wMonth < b.wMonth;
    if (a.wDay != b.wDay)
        return a.wDay < b.wDay;
    if (noTime)
        return false;
    if (other.noTime)
        return true;
    if (a.wHour != b.wHour)
        return a.wHour < b.wHour;
    return a.wMinute < b.wMinute;
}

bool Event::operator==(const Event& other) const
{
    const SystemTime& a = when;
    const SystemTime& b = other.when;
    return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay && a.wHour == b.wHour &&
           a.wMinute == b.wMinute && frequency == other.frequency && noTime == other.noTime &&
           remind3Days == other.remind3Days && remind1Day == other.remind1Day && remind1Hour == other.remind1Hour &&
           sendEmail == other.sendEmail && launchProgram == other.launchProgram && description == other.description &&
           emailAddress == other.emailAddress && programPath == other.programPath && note == other.note &&
           rule == other.rule && skippedDays == other.skippedDays && remindBefore == other.remindBefore &&
           uid == other.uid && movedFrom == other.movedFrom;
}

bool Event::fieldsBefore(const Event& a, const Event& b)
{
    const auto fields = [](const Event& e) {
        return std::tie(e.when.wYear, e.when.wMonth, e.when.wDay, e.when.wHour, e.when.wMinute, e.frequency,
                        e.noTime, e.remind3Days, e.remind1Day, e.remind1Hour, e.sendEmail, e.launchProgram,
                        e.description, e.emailAddress, e.programPath, e.note, e.rule, e.skippedDays,
                        e.remindBefore, e.uid, e.movedFrom);
    };
    return fields(a) < fields(b);
}

Event Event::withoutExtensions() const
{
    Event plain = *this;
    plain.rule.clear();
    plain.skippedDays.clear();
    plain.remindBefore.clear();
    plain.uid.clear();
    plain.movedFrom.clear();
    return plain;
}

void Event::becomeOneOccurrence()
{
    frequency = Once;
    rule.clear();
    skippedDays.clear();
    uid.clear();
}

bool Event::repeats() const
{
    return (frequency >= Daily && frequency <= Fortnightly) || !rule.empty();
}

Event Event::nextOccurrence() const
{
    Event next(*this);
    next.when = nextDate(when, frequency);
    return next;
}

SystemTime Event::nextDate(const SystemTime& when, EventFrequency frequency)
{
    SystemTime date = when;
    if (!isValidDate(when))
        return date;
    switch (frequency) {
    case Daily:
        addDays(date, 1);
        break;
    case Weekly:
        addDays(date, 7);
        break;
    case Fortnightly:
        addDays(date, 14);
        break;
    case Monthly: {
        if (++date.wMonth == 13) {
            date.wMonth = 1;
            ++date.wYear;
        }
        // The clamped day is kept: 31 January, 28 February, 28 March, ...
        const int length = daysInMonth(date.wYear, date.wMonth);
        if (date.wDay > length)
            date.wDay = static_cast<std::uint16_t>(length);
        break;
    }
    case Yearly:
        ++date.wYear;
        if (date.wMonth == 2 && date.wDay == 29 && !isLeapYear(date.wYear))
            date.wDay = 28;
        break;
    case Once:
        break;
    }
    return date;
}
