#pragma once

#include <cstddef>

// What a calendar file may not pass, and what is wrong with one that is
// refused: shared by the walk through its lines and the reader of its events.
namespace ICalendarLimits {

constexpr std::size_t maxFileSize = 64u * 1024 * 1024;
constexpr std::size_t maxLineLength = 1024 * 1024; // an unfolded line
constexpr std::size_t maxEvents = 200000;
constexpr int maxNesting = 8; // components inside components
// Real calendars define a zone for each one their events use, each of a
// handful of observances; a zone keeps only its latest ones.
constexpr std::size_t maxTimeZones = 1000;
constexpr std::size_t maxObservances = 32;

} // namespace ICalendarLimits

enum class ICalendarProblem {
    None,
    NotACalendar,   // does not begin with BEGIN:VCALENDAR
    Cut,            // a component is never ended, or ends where none began
    LineTooLong,
    TooManyEvents,
    NestedTooDeeply,
    TooLarge,
    TooManyTimeZones,
};
