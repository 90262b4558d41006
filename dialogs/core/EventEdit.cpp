#include "EventEdit.h"

#include "Calendar.h"

namespace {

// The same event but for its date and time and for what a carry-forward
// changes: the repetition (taken from a past occurrence, a COUNT reduced in
// the next) and the skipped days (those past dropped).
bool sameApartFromRepetition(const Event& candidate, const Event& original)
{
    Event comparable = candidate;
    comparable.when = original.when;
    comparable.frequency = original.frequency;
    comparable.rule = original.rule;
    comparable.skippedDays = original.skippedDays;
    return comparable == original;
}

// `candidate` goes on repeating as `original` did.
bool continuesSeries(const Event& candidate, const Event& original)
{
    return candidate.repeats() && candidate.frequency == original.frequency &&
           candidate.rule.empty() == original.rule.empty() && sameApartFromRepetition(candidate, original);
}

long minutesOf(const SystemTime& when)
{
    return dayNumber(when) * 1440 + when.wHour * 60 + when.wMinute;
}

// `when` moved by as much as the edit moved the original, in whole days for
// an event without a time.
SystemTime movedLikeTheEdit(const SystemTime& when, const Event& original, const Event& edited)
{
    if (!isValidDate(when) || !isValidDate(original.when) || !isValidDate(edited.when))
        return edited.when;
    const long shift = edited.noTime ? (dayNumber(edited.when) - dayNumber(original.when)) * 1440
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
        if (candidate == original)
            return true;
        // Only a one-time event of its own minute can be the one carried forward.
        return original.repeats() && !candidate.repeats() && !(candidate < original) && !(original < candidate) &&
               sameApartFromRepetition(candidate, original);
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
    if (now == original || !original.repeats())
        return change;
    // Carried forward: the series goes on in the newest occurrence that
    // still carries the rule.
    long current = -1;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const Event& candidate = events[i];
        if (original < candidate && continuesSeries(candidate, original) &&
            (current < 0 || events[static_cast<std::size_t>(current)] < candidate))
            current = static_cast<long>(i);
    }
    if (current < 0)
        return change;
    change.position = static_cast<std::size_t>(current);
    const Event& series = events[change.position];
    change.event.when = movedLikeTheEdit(series.when, original, edited);
    // A repetition the edit left as it was goes on as the series has it now
    // (a COUNT reduced, past skipped days dropped).
    if (edited.rule == original.rule && edited.skippedDays == original.skippedDays) {
        change.event.rule = series.rule;
        change.event.skippedDays = series.skippedDays;
    }
    return change;
}
