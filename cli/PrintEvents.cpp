// vellumere-events: prints the events of an event file, one line each, in the
// order the program keeps them; or takes them out to a calendar, or brings a
// calendar's events in.
//
//     vellumere-events [event-file]
//     vellumere-events --export event-file calendar.ics
//     vellumere-events --import calendar.ics event-file
//     vellumere-events --agenda YYYY-MM-DD DAYS [event-file]
//     vellumere-events --sync CALENDAR-URL [--user NAME] [event-file]
//
// --agenda prints every occurrence and every reminder balloon of DAYS days
// from 00:00 of the date, one line each: date, time (or "-" for an event
// without one), "event" or "reminder", description, separated by tabs.
// Without a path it reads the user's own event file. Only --import and --sync
// write it (created when missing), through the same one-step save as the
// program's; a calendar it refuses leaves the file as it was, and the exit
// status is 1.
//
// --sync syncs the events both ways with the calendar at CALENDAR-URL, with
// the password from VELLUMERE_PASSWORD or else the first line of standard
// input, and keeps what it knows of the calendar beside the event file. A
// refused password or a server it cannot reach changes nothing: status 1.

#include "Agenda.h"
#include "Calendar.h"
#include "CalendarTime.h"
#include "CalendarTransfer.h"
#include "CalDavSync.h"
#include "Event.h"
#include "EventFileKeeper.h"
#include "EventList.h"
#include "EventStore.h"

#ifdef _WIN32
#include "Win32FileSystem.h"
#include "Win32SystemServices.h"
#include "Win32TimeZones.h"
#else
#include "CurlHttpClient.h"
#include "PosixFileSystem.h"
#include "PosixSystemServices.h"
#include "PosixTimeZones.h"
#endif

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

const char* frequencyName(EventFrequency frequency)
{
    switch (frequency) {
    case Once:
        return "once";
    case Daily:
        return "daily";
    case Weekly:
        return "weekly";
    case Monthly:
        return "monthly";
    case Yearly:
        return "yearly";
    case Fortnightly:
        return "fortnightly";
    }
    return "unknown";
}

std::string oneLine(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\n')
            out += " / ";
        else if (c != '\r')
            out += c;
    }
    return out;
}

void printDate(const SystemTime& date, char after)
{
    std::printf("%04u-%02u-%02u%c", date.wYear, date.wMonth, date.wDay, after);
}

void print(const Event& event)
{
    const SystemTime& when = event.when;
    printDate(when, ' ');
    if (event.noTime)
        std::printf("      ");
    else
        std::printf("%02u:%02u ", when.wHour, when.wMinute);
    std::printf("%-11s %s", frequencyName(event.frequency), oneLine(event.description).c_str());
    if (event.remind1Hour)
        std::printf(" [1 hour before]");
    if (event.remind1Day)
        std::printf(" [1 day before]");
    if (event.remind3Days)
        std::printf(" [3 days before]");
    if (event.sendEmail)
        std::printf(" [e-mail %s]", event.emailAddress.c_str());
    if (event.launchProgram)
        std::printf(" [run %s]", event.programPath.c_str());
    if (!event.note.empty())
        std::printf(" -- %s", oneLine(event.note).c_str());
    std::printf("\n");
}

const char* problemText(ICalendarReader::Problem problem)
{
    switch (problem) {
    case ICalendarReader::Problem::None:
        break;
    case ICalendarReader::Problem::NotACalendar:
        return "not an iCalendar file";
    case ICalendarReader::Problem::Cut:
        return "cut short: a part of it is never ended";
    case ICalendarReader::Problem::LineTooLong:
        return "a line is longer than 1 MiB";
    case ICalendarReader::Problem::TooManyEvents:
        return "more events than Vellumere takes from one calendar";
    case ICalendarReader::Problem::NestedTooDeeply:
        return "parts nested too deeply";
    case ICalendarReader::Problem::TooLarge:
        return "larger than 64 MiB";
    case ICalendarReader::Problem::TooManyTimeZones:
        return "more than 1,000 time zones";
    }
    return "";
}

SystemTime utcNow()
{
    const std::time_t now = std::time(nullptr);
    return fromCalendarTime(*std::gmtime(&now));
}

// The calendar as bytes; false with a message when it cannot be read.
bool readCalendar(FileSystem& files, const std::string& path, std::string& text)
{
    switch (files.readFile(path, text, ICalendarReader::maxFileSize)) {
    case FileSystem::ReadResult::Read:
        return true;
    case FileSystem::ReadResult::Missing:
        std::fprintf(stderr, "vellumere-events: %s: no such file\n", path.c_str());
        return false;
    case FileSystem::ReadResult::TooLarge:
        std::fprintf(stderr, "vellumere-events: %s: %s\n", path.c_str(),
                     problemText(ICalendarReader::Problem::TooLarge));
        return false;
    case FileSystem::ReadResult::Failed:
        break;
    }
    std::fprintf(stderr, "vellumere-events: %s: %s\n", path.c_str(), files.lastError().c_str());
    return false;
}

// The file's events in the program's order.
EventStore::Loaded loadInOrder(EventStore& store, const std::string& path, std::vector<Event>& events)
{
    const EventStore::Loaded loaded = store.load(path, events);
    std::stable_sort(events.begin(), events.end());
    return loaded;
}

int exportEvents(SystemServices& system, FileSystem& files, EventStore& store, const std::string& eventFile,
                 const std::string& calendar)
{
    std::vector<Event> events;
    const EventStore::Loaded loaded = loadInOrder(store, eventFile, events);
    if (loaded != EventStore::Loaded::Read) {
        std::fprintf(stderr, "vellumere-events: %s: %s\n", eventFile.c_str(),
                     loaded == EventStore::Loaded::Missing ? "no such file" : "not an event file it can read");
        return 1;
    }
    const CalendarTransfer::Exported exported =
        CalendarTransfer::exportText(events, utcNow(), system.codePage(), VELLUMERE_VERSION);
    if (!files.replaceFile(calendar, exported.text)) {
        std::fprintf(stderr, "vellumere-events: %s: %s\n", calendar.c_str(), files.lastError().c_str());
        return 1;
    }
    std::printf("%zu event%s written to %s\n", exported.written, exported.written == 1 ? "" : "s", calendar.c_str());
    if (exported.leftOut)
        std::printf("%zu at a date or time that cannot be (such as 30 February), left out\n", exported.leftOut);
    return 0;
}

int importEvents(SystemServices& system, FileSystem& files, const TimeZones& zones, const std::string& calendar,
                 const std::string& eventFile)
{
    std::string text;
    if (!readCalendar(files, calendar, text))
        return 1;
    EventList list;
    UnheardNotices notices; // the tool says what it has to say itself
    EventFileKeeper keeper(list, system, files, notices, FileTexts{});
    const EventStore::Loaded loaded = keeper.loadFrom(eventFile);
    if (loaded != EventStore::Loaded::Read && loaded != EventStore::Loaded::Missing) {
        std::fprintf(stderr, "vellumere-events: %s: not an event file it can read; nothing imported\n",
                     eventFile.c_str());
        return 1;
    }
    const CalendarTransfer::Imported imported =
        CalendarTransfer::importText(list, text, system.localTime(), system.codePage(), zones);
    if (imported.problem != ICalendarReader::Problem::None) {
        std::fprintf(stderr, "vellumere-events: %s: %s; nothing imported\n", calendar.c_str(),
                     problemText(imported.problem));
        return 1;
    }
    if (imported.added > 0) {
        const EventStore::SaveResult saved = keeper.write();
        if (saved.outcome != EventStore::SaveResult::Outcome::Written) {
            std::fprintf(stderr, "vellumere-events: %s: not written (%s); nothing imported\n", eventFile.c_str(),
                         saved.reason.empty() ? "it changed, or could not be read" : saved.reason.c_str());
            return 1;
        }
    }
    std::printf("%zu added, %zu already there\n", imported.added, imported.alreadyPresent);
    const ICalendarReader::Changes& changed = imported.changes;
    if (changed.zoneTakenAsLocal)
        std::printf("%zu with a time zone it does not know, taken as local time\n", changed.zoneTakenAsLocal);
    if (changed.zoneOutsideItsYears)
        std::printf("%zu in years their time zone is not described for, taken as in its nearest year\n",
                    changed.zoneOutsideItsYears);
    if (changed.ruleToOnce)
        std::printf("%zu repeating by a rule it lacks, taken once at the next occurrence\n", changed.ruleToOnce);
    if (changed.alarmsDropped)
        std::printf("%zu reminders after the start, at a set time or by mail, left out\n", changed.alarmsDropped);
    if (changed.charactersLost)
        std::printf("%zu with characters the code page lacks, shown as ?\n", changed.charactersLost);
    if (changed.startMissing)
        std::printf("%zu without a start, left out\n", changed.startMissing);
    if (changed.startImpossible)
        std::printf("%zu starting at a date or time that cannot be (such as 30 February), left out\n",
                    changed.startImpossible);
    for (const std::string& name : changed.leftOut)
        std::printf("left out: \"%s\"\n", oneLine(name).c_str());
    const std::size_t unnamed = changed.leftOutCount() - changed.leftOut.size();
    if (unnamed)
        std::printf("and %zu more left out\n", unnamed);
    return 0;
}

// A real date YYYY-MM-DD, as a day number.
bool parseDay(const std::string& text, long& day)
{
    int year = 0, month = 0, date = 0;
    char end = 0;
    if (text.size() != 10 || std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &year, &month, &date, &end) != 3 ||
        text[4] != '-' || text[7] != '-')
        return false;
    SystemTime when{};
    when.wYear = static_cast<std::uint16_t>(year);
    when.wMonth = static_cast<std::uint16_t>(month);
    when.wDay = static_cast<std::uint16_t>(date);
    if (year < 1 || !isValidDate(when))
        return false;
    day = dayNumber(year, month, date);
    return true;
}

int printAgenda(EventStore& store, const std::string& from, const std::string& count, const std::string& path)
{
    long fromDay = 0;
    char* end = nullptr;
    const long days = std::strtol(count.c_str(), &end, 10);
    if (!parseDay(from, fromDay) || count.empty() || *end != '\0' || days < 1 || days > 366 * 100) {
        std::fprintf(stderr, "vellumere-events: --agenda takes a date YYYY-MM-DD and a number of days from 1 to 36600\n");
        return 2;
    }
    std::vector<Event> events;
    const EventStore::Loaded loaded = loadInOrder(store, path, events);
    if (loaded != EventStore::Loaded::Read && loaded != EventStore::Loaded::Missing) {
        std::fprintf(stderr, "vellumere-events: %s: not an event file it can read\n", path.c_str());
        return 1;
    }
    for (const Agenda::Line& line : Agenda::of(events, fromDay, days)) {
        SystemTime date;
        setDayNumber(date, line.day);
        printDate(date, '\t');
        if (line.minute < 0)
            std::printf("-");
        else
            std::printf("%02d:%02d", line.minute / 60, line.minute % 60);
        std::printf("\t%s\t%s\n", line.kind == Agenda::Kind::Event ? "event" : "reminder",
                    oneLine(line.event->description).c_str());
    }
    return 0;
}

#ifndef _WIN32
// The sync needs an HTTP client, which the tool has on Linux only.
const char* problemText(CalDavProblem problem)
{
    switch (problem) {
    case CalDavProblem::None: break;
    case CalDavProblem::BadAddress: return "not an http or https address";
    case CalDavProblem::Insecure: return "the password would go unencrypted: use https";
    case CalDavProblem::Network: return "the server could not be reached";
    case CalDavProblem::TimedOut: return "the server did not answer in time";
    case CalDavProblem::Tls: return "the secure connection failed";
    case CalDavProblem::UntrustedCertificate: return "the server's certificate is not trusted";
    case CalDavProblem::TooLarge: return "an answer too large to read";
    case CalDavProblem::Refused: return "the user name or the password was refused";
    case CalDavProblem::ServerError: return "the server failed";
    case CalDavProblem::Unexpected: return "the server gave an answer it should not have";
    case CalDavProblem::NoCalendars: return "no calendar there";
    }
    return "";
}

int syncEvents(SystemServices& system, FileSystem& files, const TimeZones& zones, HttpClient& http,
               const std::string& address, const std::string& user, const std::string& password,
               const std::string& eventFile)
{
    auto calendar = Url::parse(address);
    if (!calendar) {
        std::fprintf(stderr, "vellumere-events: %s: %s\n", address.c_str(), problemText(CalDavProblem::BadAddress));
        return 2;
    }
    if (calendar->path().back() != '/')
        calendar = calendar->withPath(calendar->path() + "/");
    EventList list;
    UnheardNotices notices;
    EventFileKeeper keeper(list, system, files, notices, FileTexts{});
    const EventStore::Loaded loaded = keeper.loadFrom(eventFile);
    if (loaded != EventStore::Loaded::Read && loaded != EventStore::Loaded::Missing) {
        std::fprintf(stderr, "vellumere-events: %s: not an event file it can read; nothing synced\n",
                     eventFile.c_str());
        return 1;
    }
    const std::string statePath = SyncState::pathFor(eventFile);
    SyncState state;
    SyncState::load(files, statePath, state);
    // Another calendar, or a state unreadable: the sync starts afresh and matches by UID.
    if (state.calendarUrl != calendar->text()) {
        state = SyncState{};
        state.calendarUrl = calendar->text();
    }
    const std::string stateBefore = state.text();

    CalDavConnection connection(http, user, password);
    CalDavSync sync(connection, system.codePage(), zones, VELLUMERE_VERSION);
    std::vector<Event> events = list.all();
    const CalDavSync::Result result = sync.run(events, state, system.localTime(), utcNow());
    if (result.problem != CalDavProblem::None) {
        std::fprintf(stderr, "vellumere-events: %s: %s", calendar->text().c_str(), problemText(result.problem));
        if (result.status)
            std::fprintf(stderr, " (HTTP %d)", result.status);
        std::fprintf(stderr, "; nothing changed here\n");
        return 1;
    }
    if (events != list.all()) {
        list.assign(std::move(events));
        const EventStore::SaveResult saved = keeper.write();
        if (saved.outcome != EventStore::SaveResult::Outcome::Written) {
            std::fprintf(stderr, "vellumere-events: %s: not written (%s)\n", eventFile.c_str(),
                         saved.reason.empty() ? "it changed, or could not be read" : saved.reason.c_str());
            return 1;
        }
    }
    if (state.text() != stateBefore && !state.save(files, statePath)) {
        std::fprintf(stderr, "vellumere-events: %s: %s\n", statePath.c_str(), files.lastError().c_str());
        return 1;
    }
    std::printf("%zu received, %zu removed here, %zu sent, %zu deleted there\n", result.received, result.removed,
                result.sent, result.deleted);
    if (result.conflicts)
        std::printf("%zu changed on both sides, merged (an event both edited kept in both versions)\n",
                    result.conflicts);
    return 0;
}

// The password from the environment, or else the first line of standard input.
std::string password()
{
    if (const char* given = std::getenv("VELLUMERE_PASSWORD"))
        return given;
    std::string line;
    std::getline(std::cin, line);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}
#endif

} // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    Win32SystemServices system;
    Win32FileSystem files;
#else
    PosixSystemServices system("");
    PosixFileSystem files;
#endif
    EventStore store(system, files);
    const std::string option = argc > 1 ? argv[1] : "";
    if (option == "--agenda") {
        if (argc != 4 && argc != 5) {
            std::fprintf(stderr, "usage: vellumere-events --agenda YYYY-MM-DD DAYS [EVENTS.xml]\n");
            return 2;
        }
        return printAgenda(store, argv[2], argv[3], argc == 5 ? argv[4] : store.locateFile());
    }
    if (option == "--export" || option == "--import") {
        if (argc != 4) {
            std::fprintf(stderr, "usage: vellumere-events --export EVENTS.xml OUT.ics | --import IN.ics EVENTS.xml\n");
            return 2;
        }
        if (option == "--export")
            return exportEvents(system, files, store, argv[2], argv[3]);
#ifdef _WIN32
        const Win32TimeZones zones;
#else
        const PosixTimeZones zones;
#endif
        return importEvents(system, files, zones, argv[2], argv[3]);
    }
#ifndef _WIN32
    if (option == "--sync") {
        const bool withUser = argc > 3 && std::string(argv[3]) == "--user";
        const int fileAt = withUser ? 5 : 3;
        if (argc < 3 || (withUser && argc < 5) || argc > fileAt + 1) {
            std::fprintf(stderr, "usage: vellumere-events --sync CALENDAR-URL [--user NAME] [EVENTS.xml]\n");
            return 2;
        }
        const PosixTimeZones zones;
        CurlHttpClient http;
        return syncEvents(system, files, zones, http, argv[2], withUser ? argv[4] : "",
                          withUser ? password() : std::string{}, argc > fileAt ? argv[fileAt] : store.locateFile());
    }
#endif
    const std::string path = argc > 1 ? argv[1] : store.locateFile();
    std::vector<Event> events;
    loadInOrder(store, path, events);
    std::printf("%s: %zu event%s\n", path.c_str(), events.size(), events.size() == 1 ? "" : "s");
    for (const Event& event : events)
        print(event);
    return 0;
}
