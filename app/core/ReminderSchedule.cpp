#include "ReminderSchedule.h"

#include "Calendar.h"
#include "EventList.h"
#include "Occurrences.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::int64_t minutesPerDay = 24 * 60;

// A clock put back by more than this is taken as a correction, and what now
// lies ahead is reminded again; a smaller step back (the end of summer time)
// must not repeat the reminders of the hour it repeats.
constexpr std::int64_t largestRepeatedSpan = 3 * 60;

std::int64_t dayOf(std::int64_t minute)
{
    return minute >= 0 ? minute / minutesPerDay : -((-minute + minutesPerDay - 1) / minutesPerDay);
}

using Moment = ReminderSchedule::Moment;

// Visits every moment of the list: the own minute of each timed event with
// a real date and time, the minute an hour before for those that ask, and
// each early reminder the event has (an untimed event starts at 00:00).
template <typename Visit>
void forEachMoment(const std::vector<Event>& events, Visit visit)
{
    for (const Event& event : events) {
        const std::int64_t start = ReminderSchedule::startMinute(event);
        if (start < 0)
            continue;
        if (!event.noTime) {
            visit(Moment::Alert, start, event);
            if (event.remind1Hour)
                visit(Moment::HourBefore, start - 60, event);
        }
        for (const std::int32_t before : event.remindBefore)
            visit(Moment::Early, start - before, event);
    }
}

Event todayProbe(const SystemTime& now)
{
    Event probe;
    probe.when = now;
    probe.noTime = true;
    return probe;
}

} // namespace

std::int64_t ReminderSchedule::startMinute(const Event& event)
{
    if (!event.noTime)
        return minuteNumber(event.when);
    SystemTime dayStart = event.when;
    dayStart.wHour = dayStart.wMinute = 0;
    return minuteNumber(dayStart);
}

std::int64_t ReminderSchedule::minuteNumber(const SystemTime& time)
{
    if (!isValidDate(time) || time.wHour > 23 || time.wMinute > 59)
        return -1;
    return dayNumber(time) * minutesPerDay + time.wHour * 60 + time.wMinute;
}

ReminderSchedule::ReminderSchedule(const SystemTime& start)
    : handledUpTo(minuteNumber(start))
{
}

namespace {

// The occurrence of `series` on `day`, as a one-time event of its own.
Event oneTime(const Event& series, long day)
{
    Event past = series;
    setDayNumber(past.when, day);
    past.becomeOneOccurrence();
    return past;
}

// What one copy of `event` adds to the file, about: its texts and the
// elements around them.
std::size_t writtenSize(const Event& event)
{
    return 400 + event.description.size() + event.note.size() + event.programPath.size() + event.emailAddress.size();
}

} // namespace

ReminderSchedule::CatchUp ReminderSchedule::catchUp(const std::vector<Event>& events, const SystemTime& now)
{
    // With a today-probe that has no time, "before the probe" means dated
    // before today, or timed and dated today: the list holds those first.
    const Event probe = todayProbe(now);
    // Older occurrences are not kept: a repeating event typed with a wrong
    // year would otherwise become hundreds of thousands of events.
    const SystemTime oldestKept = oneYearBefore(now);
    const long firstDay = dayNumber(oldestKept);
    const long today = dayNumber(now);

    // Walks the past occurrences of each series: `past(i, day)` for each one
    // kept (from the last year), `ended(i, next)` with the event it moves
    // on to, if it has one.
    const auto walk = [&](auto past, auto ended) {
        for (std::size_t i = 0; i < events.size() && events[i] < probe; ++i) {
            const Event& series = events[i];
            const Occurrences occurrences(series);
            if (!series.repeats() || !occurrences.repeat())
                continue; // once, or by a rule it cannot read: kept as it is
            const long lastPast = series.noTime ? today - 1 : today; // a timed event of today counts as past
            const long start = dayNumber(series.when);
            if (start > lastPast)
                continue;
            const long next = occurrences.nextFrom(lastPast + 1);
            if (next == Occurrences::noDay && series.rule.empty())
                continue; // the year overflowed: it cannot move on
            std::vector<long> days;
            occurrences.within(std::max(start + 1, firstDay), lastPast, days);
            for (const long day : days)
                past(i, day);
            // A rule that has ended leaves the event, once, and adds nothing more.
            ended(i, next == Occurrences::noDay ? Event() : occurrences.movedTo(next));
        }
    };

    // Many series, each with a year of occurrences, would make more events
    // than the file holds: the newest are kept, up to the bound.
    std::vector<std::size_t> countOn(static_cast<std::size_t>(today - firstDay + 1));
    std::vector<std::size_t> bytesOn(countOn.size());
    walk(
        [&](std::size_t i, long day) {
            const auto at = static_cast<std::size_t>(day - firstDay);
            ++countOn[at];
            bytesOn[at] += writtenSize(events[i]);
        },
        [](std::size_t, const Event&) {});
    long cutoff = firstDay - 1; // occurrences of days before it are not kept
    std::size_t countLeft = maxPastOccurrencesAdded, bytesLeft = maxPastBytesAdded;
    for (long day = today; day >= firstDay; --day) {
        const auto at = static_cast<std::size_t>(day - firstDay);
        if (countOn[at] > countLeft || bytesOn[at] > bytesLeft) {
            cutoff = day; // of this day, as many as the bound leaves, in list order
            break;
        }
        countLeft -= countOn[at];
        bytesLeft -= bytesOn[at];
    }

    CatchUp result;
    walk(
        [&](std::size_t i, long day) {
            if (day < cutoff)
                return;
            if (day == cutoff) {
                const std::size_t size = writtenSize(events[i]);
                if (countLeft == 0 || size > bytesLeft)
                    return;
                --countLeft;
                bytesLeft -= size;
            }
            result.added.push_back(oneTime(events[i], day));
        },
        [&](std::size_t i, Event upcoming) {
            result.endedSeries.push_back(i);
            if (upcoming.repeats())
                result.added.push_back(std::move(upcoming));
        });
    return result;
}

bool ReminderSchedule::catchUpEvents(EventList& events, const SystemTime& now)
{
    CatchUp result = catchUp(events.all(), now);
    if (result.empty())
        return false;
    events.carryForward(result.endedSeries, std::move(result.added));
    return true;
}

void ReminderSchedule::catchUpEvents(std::vector<Event>& events, const SystemTime& now)
{
    CatchUp result = catchUp(events, now);
    EventList::carryForward(events, result.endedSeries, std::move(result.added));
}

ReminderSchedule::Due ReminderSchedule::takeDue(const std::vector<Event>& events, const SystemTime& now)
{
    Due due;
    const std::int64_t nowMinute = minuteNumber(now);
    if (nowMinute < 0)
        return due;
    if (nowMinute < handledUpTo - largestRepeatedSpan)
        handledUpTo = nowMinute;
    // Behind the last look (the clock went back), only what is owed comes.
    const bool clockAhead = nowMinute > handledUpTo;
    if (!clockAhead && owed.empty())
        return due;

    due.newDay = clockAhead && dayOf(nowMinute) != dayOf(handledUpTo);
    forEachMoment(events, [&](Moment moment, std::int64_t minute, const Event& event) {
        if (minute > nowMinute)
            return;
        if (minute <= handledUpTo) {
            if (!take(owed, minute, event))
                return;
        } else if (take(silenced, minute, event)) {
            return;
        }
        // A reminder ahead of an event already begun says nothing the
        // alert (due too) does not.
        if (moment == Moment::Alert) {
            due.alerts.push_back(event);
            due.lateAlert = due.lateAlert || nowMinute - minute > lateAfterMinutes;
        } else if (startMinute(event) > nowMinute) {
            (moment == Moment::HourBefore ? due.hourBefore : due.early).push_back(event);
        }
    });
    if (clockAhead) {
        handledUpTo = nowMinute;
        silenced.clear(); // what remains was of events changed again meanwhile
    }
    // Those owed whose minute came and went were of events removed or changed meanwhile.
    owed.erase(std::remove_if(owed.begin(), owed.end(), [&](const MomentOf& m) { return m.first <= nowMinute; }),
               owed.end());
    return due;
}

namespace {

// An occurrence is the same whether it still repeats or the catch-up has
// made it a one-time event since it was entered.
template <typename Moments>
auto findMoment(Moments& moments, std::int64_t minute, const Event& event)
{
    return std::find_if(moments.begin(), moments.end(), [&](const auto& m) {
        if (m.first != minute)
            return false;
        Event occurrence = m.second;
        occurrence.frequency = event.frequency;
        return occurrence == event;
    });
}

} // namespace

bool ReminderSchedule::isAmong(const std::vector<MomentOf>& moments, std::int64_t minute, const Event& event)
{
    return findMoment(moments, minute, event) != moments.end();
}

bool ReminderSchedule::take(std::vector<MomentOf>& moments, std::int64_t minute, const Event& event)
{
    const auto found = findMoment(moments, minute, event);
    if (found == moments.end())
        return false;
    moments.erase(found);
    return true;
}

void ReminderSchedule::entered(const Event& event, const SystemTime& now)
{
    const std::int64_t nowMinute = minuteNumber(now);
    // The event's occurrences up to today, as the catch-up will leave them.
    std::vector<Event> occurrences{event};
    catchUpEvents(occurrences, now);
    forEachMoment(occurrences, [&](Moment, std::int64_t minute, const Event& occurrence) {
        if (minute > handledUpTo && minute <= nowMinute)
            silenced.emplace_back(minute, occurrence);
        else if (minute > nowMinute && minute <= handledUpTo)
            owed.emplace_back(minute, occurrence);
    });
}

ReminderSchedule::Wake ReminderSchedule::nextWake(const std::vector<Event>& events, const SystemTime& now) const
{
    const std::int64_t nowMinute = minuteNumber(now);
    const std::int64_t after = std::max(nowMinute, handledUpTo);
    Wake wake;
    std::int64_t best = (dayOf(nowMinute) + 1) * minutesPerDay; // the next midnight
    // On equal minutes the first moment found stays: an alert and a balloon
    // of one minute are handed out together anyway.
    forEachMoment(events, [&](Moment moment, std::int64_t minute, const Event& event) {
        if (minute >= best || minute <= nowMinute || (minute <= after && !isAmong(owed, minute, event)))
            return;
        best = minute;
        wake.moment = moment;
        wake.event = event;
    });
    const std::int64_t nowMilliseconds =
        (nowMinute < 0 ? 0 : nowMinute) * 60000 + now.wSecond * 1000 + (now.wMilliseconds % 1000);
    const std::int64_t delay = nowMinute < 0 ? 60000 : best * 60000 - nowMilliseconds;
    wake.delayMilliseconds = static_cast<std::uint32_t>(std::max<std::int64_t>(delay, 1));
    return wake;
}
