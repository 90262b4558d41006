#include "EventFileKeeper.h"

#include "EventList.h"
#include "EventMerge.h"
#include "ReminderSchedule.h"
#include "SystemServices.h"

#include <algorithm>
#include <utility>

EventFileKeeper::EventFileKeeper(EventList& eventList, SystemServices& systemServices, FileSystem& files,
                                 FileNotices& fileNotices, FileTexts fileTexts, std::size_t largestFile)
    : events(eventList),
      system(systemServices),
      store(systemServices, files, largestFile),
      notices(fileNotices),
      texts(std::move(fileTexts))
{
}

std::string EventFileKeeper::fillIn(const std::string& pattern, std::initializer_list<std::string> values)
{
    const std::vector<std::string> value(values);
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const std::size_t number = i + 1 < pattern.size() ? static_cast<std::size_t>(pattern[i + 1] - '1') : 99;
        if (pattern[i] == '%' && number < value.size()) {
            out += value[number];
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

std::string EventFileKeeper::reasonOf(const EventStore::SaveResult& result) const
{
    switch (result.outcome) {
    case EventStore::SaveResult::Outcome::TooLarge:
        return texts.tooLarge;
    case EventStore::SaveResult::Outcome::ChangedMeanwhile:
        return texts.keptChanging;
    case EventStore::SaveResult::Outcome::Unreadable:
        return texts.unreadable;
    default:
        return result.reason;
    }
}

EventStore::SaveResult EventFileKeeper::saveAsked()
{
    EventStore::SaveResult result = write();
    if (result.outcome == EventStore::SaveResult::Outcome::Unreadable &&
        notices.askYesNo(fillIn(texts.replaceUnreadable, {filePath}))) {
        store.allowReplacingUnreadable(filePath);
        result = write();
    }
    return result;
}

EventStore::Loaded EventFileKeeper::load()
{
    const EventStore::Loaded loaded = loadFrom(store.locateFile());
    if (loaded == EventStore::Loaded::CouldNotOpen)
        notices.tell(fillIn(texts.cannotOpen, {filePath, store.openProblem(), store.savedBesidePath()}));
    return loaded;
}

EventStore::Loaded EventFileKeeper::loadFrom(const std::string& path)
{
    filePath = path;
    std::vector<Event> read;
    const EventStore::Loaded loaded = store.load(filePath, read);
    events.assign(std::move(read));
    base = events.all();
    return loaded;
}

EventStore::SaveResult EventFileKeeper::write()
{
    // Each round reads what the other program wrote; one that writes faster
    // than the list is merged and written gets a copy instead (the caller's).
    constexpr int rounds = 4;
    EventStore::SaveResult saved;
    for (int round = 0; round < rounds; ++round) {
        saved = store.save(filePath, events.all());
        if (saved.outcome != EventStore::SaveResult::Outcome::ChangedMeanwhile) {
            if (saved.outcome == EventStore::SaveResult::Outcome::Written)
                base = events.all();
            return saved;
        }
        std::vector<Event> theirs;
        if (store.reread(filePath, theirs) == EventStore::OnDisk::Changed)
            mergeIn(std::move(theirs));
    }
    return saved;
}

std::size_t EventFileKeeper::mergeIn(std::vector<Event> theirs)
{
    EventMerge::keepWhatOlderVersionsDrop(base, theirs);
    std::stable_sort(theirs.begin(), theirs.end());
    // Carrying a repeating event forward is no one's edit, and each copy
    // does it at its own moments: the three versions are compared as of the
    // same moment, or the occurrences one copy carried would come in as the
    // other's additions, doubling the series.
    const SystemTime now = system.localTime();
    std::vector<Event> ours = events.all();
    ReminderSchedule::catchUpEvents(base, now);
    ReminderSchedule::catchUpEvents(ours, now);
    ReminderSchedule::catchUpEvents(theirs, now);
    EventMerge::Result merged = EventMerge::merge(base, ours, theirs);
    events.assign(std::move(merged.events));
    base.swap(theirs);
    // An edit is one removal and one addition: one event changed.
    return std::max(merged.addedByThem, merged.removedByThem);
}

EventFileKeeper::OutsideChange EventFileKeeper::takeOutsideChanges()
{
    std::vector<Event> theirs;
    const EventStore::OnDisk onDisk = store.reread(filePath, theirs);
    if (onDisk == EventStore::OnDisk::NotAnEventFile) {
        // Perhaps still being written: one more look before it counts.
        if (!unreadableSeen) {
            unreadableSeen = true;
            return OutsideChange::LookAgainSoon;
        }
        if (!unreadableTold) {
            unreadableTold = true;
            notices.mention(fillIn(texts.changedUnreadable, {filePath}));
        }
        return OutsideChange::None;
    }
    unreadableSeen = unreadableTold = false;
    if (onDisk != EventStore::OnDisk::Changed)
        return OutsideChange::None;
    const std::size_t changed = mergeIn(std::move(theirs));
    if (changed > 0)
        notices.inform(fillIn(changed == 1 ? texts.eventChanged : texts.eventsChanged,
                              {std::to_string(changed), filePath}));
    return OutsideChange::Taken;
}

bool EventFileKeeper::save()
{
    const EventStore::SaveResult result = saveAsked();
    if (result) {
        failureTold = false;
        return true;
    }
    if (result.outcome == EventStore::SaveResult::Outcome::ChangedMeanwhile ||
        result.outcome == EventStore::SaveResult::Outcome::Unreadable) {
        // Another program writes the file faster than it can be merged, or
        // the user keeps its unreadable file: the events go beside it now,
        // and the next save tries again.
        tellCopy(store.saveCopy(filePath, events.all()));
        return false;
    }
    // Once is enough: each later save of the run would say it again.
    if (!failureTold)
        notices.mention(fillIn(texts.saveFailed, {filePath, reasonOf(result)}));
    failureTold = true;
    return false;
}

void EventFileKeeper::tellCopy(const EventStore::SaveResult& copy)
{
    if (copy)
        notices.tell(fillIn(texts.savedCopy, {filePath, "", copy.path}));
    else
        notices.tell(fillIn(texts.copyFailed, {filePath, copy.reason}));
}

void EventFileKeeper::saveAtEnd()
{
    for (;;) {
        const EventStore::SaveResult result = saveAsked();
        if (result)
            return;
        if (result.outcome == EventStore::SaveResult::Outcome::Unreadable) {
            tellCopy(store.saveCopy(filePath, events.all())); // the user keeps that file as it is
            return;
        }
        if (!notices.askRetry(fillIn(texts.saveFailedAtEnd, {filePath, reasonOf(result)}))) {
            tellCopy(store.saveCopy(filePath, events.all()));
            return;
        }
    }
}

void EventFileKeeper::saveForEndOfSession()
{
    if (!write())
        store.saveCopy(filePath, events.all());
}
