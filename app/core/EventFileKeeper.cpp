#include "EventFileKeeper.h"

#include "EventList.h"

#include <utility>
#include <vector>

EventFileKeeper::EventFileKeeper(EventList& eventList, EventStore& eventStore, FileNotices& fileNotices,
                                 FileTexts fileTexts)
    : events(eventList), store(eventStore), notices(fileNotices), texts(std::move(fileTexts))
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
    EventStore::SaveResult result = events.save();
    if (result.outcome == EventStore::SaveResult::Outcome::Unreadable &&
        notices.askYesNo(fillIn(texts.replaceUnreadable, {events.path()}))) {
        store.allowReplacingUnreadable(events.path());
        result = events.save();
    }
    return result;
}

EventStore::Loaded EventFileKeeper::load()
{
    const EventStore::Loaded loaded = events.load();
    if (loaded == EventStore::Loaded::CouldNotOpen)
        notices.tell(fillIn(texts.cannotOpen, {events.path(), store.openProblem(), store.savedBesidePath()}));
    return loaded;
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
        tellCopy(events.saveCopy());
        return false;
    }
    // Once is enough: each later save of the run would say it again.
    if (!failureTold)
        notices.mention(fillIn(texts.saveFailed, {events.path(), reasonOf(result)}));
    failureTold = true;
    return false;
}

void EventFileKeeper::tellCopy(const EventStore::SaveResult& copy)
{
    if (copy)
        notices.tell(fillIn(texts.savedCopy, {events.path(), "", copy.path}));
    else
        notices.tell(fillIn(texts.copyFailed, {events.path(), copy.reason}));
}

void EventFileKeeper::saveAtEnd()
{
    for (;;) {
        const EventStore::SaveResult result = saveAsked();
        if (result)
            return;
        if (result.outcome == EventStore::SaveResult::Outcome::Unreadable) {
            tellCopy(events.saveCopy()); // the user keeps that file as it is
            return;
        }
        if (!notices.askRetry(fillIn(texts.saveFailedAtEnd, {events.path(), reasonOf(result)}))) {
            tellCopy(events.saveCopy());
            return;
        }
    }
}

void EventFileKeeper::saveForEndOfSession()
{
    if (!events.save())
        events.saveCopy();
}
