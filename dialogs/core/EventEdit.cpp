#include "EventEdit.h"

#include "Calendar.h"

namespace {

// The same event but for its date and time, and for the rule, which a
// carry-forward takes from it.
bool sameApartFrom(const Event& candidate, const Event& original, const SystemTime& when, EventFrequency frequency)
{
    Event comparable = candidate;
    comparable.when = when;
    comparable.frequency = frequency;
    return comparable == original;
}

long minutesOf(const SystemTime& when)
{
    return dayNumber(when.wYear, when.wMonth, when.wDay) * 1440 + when.wHour * 60 + when.wMinute;
}

// `when` moved by as much as the edit moved the original, in whole days for
// an event without a time.
SystemTime movedLikeTheEdit(const SystemTime& when, const Event& original, const Event& edited)
{
    if (!isValidDate(when) || !isValidDate(original.when) || !isValidDate(edited.when))
        return edited.when;
    const long shift = edited.noTime ? (dayNumber(edited.when.wYear, edited.when.wMonth, edited.when.wDay) -
                                        dayNumber(original.when.wYear, original.when.wMonth, original.when.wDay)) *
                                           1440
                                     : minutesOf(edited.when) - minutesOf(original.when);
    const long moved = minutesOf(when) + shift;
    const long day = moved >= 0 ? moved / 1440 : -((-moved + 1439) / 1440);
    SystemTime result = edited.when;
    setDayNumber(result, day);
    if (!edited.noTime) {
        result.wHour = static_cast<std::uint16_t>((moved - day * 1440) / 60);
        result.wMinute = static_cast<std::uint16_t>((moved - day * 1440) % 60);
    }
    return result;
}

} // namespace

long EventEdit::locate(const std::vector<Event>& events, std::size_t position, const Event& original)
{
    const auto isIt = [&](const Event& candidate) {
        if (candidate.frequency == original.frequency)
            return candidate == original;
        // Only events of its own minute can be the one carried forward.
        return !(candidate < original) && !(original < candidate) &&
               sameApartFrom(candidate, original, original.when, original.frequency);
    };
    if (position < events.size() && isIt(events[position]))
        return static_cast<long>(position);
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (isIt(events[i]))
            return static_cast<long>(i);
    }
    return -1;
}

EventEdit::Change EventEdit::place(const std::vector<Event>& events, std::size_t position, const Event& original,
                                   const Event& edited)
{
    Change change;
    change.event = edited;
    const long found = locate(events, position, original);
    if (found < 0)
        return change; // gone meanwhile: the edit is added
    change.action = Action::Replace;
    change.position = static_cast<std::size_t>(found);
    const Event& now = events[change.position];
    if (now.frequency == original.frequency || !original.repeats())
        return change;
    // Carried forward: the series goes on in the newest occurrence that
    // still carries the rule.
    long current = -1;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const Event& candidate = events[i];
        if (candidate.frequency == original.frequency && original < candidate &&
            sameApartFrom(candidate, original, original.when, original.frequency) &&
            (current < 0 || events[static_cast<std::size_t>(current)] < candidate))
            current = static_cast<long>(i);
    }
    if (current < 0)
        return change;
    change.position = static_cast<std::size_t>(current);
    change.event.when = movedLikeTheEdit(events[change.position].when, original, edited);
    return change;
}
