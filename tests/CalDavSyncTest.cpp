// Syncing with a real CalDAV server: Debian's Radicale on a loopback port,
// with python3-caldav adding and reading events the way a phone would.

#include "CalDavSync.h"
#include "Calendar.h"
#include "CurlHttpClient.h"
#include "EventList.h"
#include "EventFileReader.h"
#include "EventFileWriter.h"
#include "FixedTimeZones.h"
#include "MultiStatus.h"
#include "Occurrences.h"
#include "RadicaleServer.h"
#include "SyncState.h"
#include "TemporaryFolder.h"
#include "Windows1252.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <thread>
#include <iostream>

namespace {

class CountingClient : public HttpClient {
public:
    Response send(const Request& request) override
    {
        methods.push_back(request.method);
        return curl.send(request);
    }
    std::vector<std::string> methods;

private:
    CurlHttpClient curl;
};

// Answers 501 to the sync-collection REPORT, as a server without RFC 6578 would.
class WithoutSyncCollection : public HttpClient {
public:
    Response send(const Request& request) override
    {
        if (request.body.find("sync-collection") != std::string::npos) {
            Response refused;
            refused.status = 501;
            return refused;
        }
        return curl.send(request);
    }

private:
    CurlHttpClient curl;
};

// Lets the phone act once, just before the first PUT or DELETE of a
// resource the sync knows (one with If-Match): a change there that the
// listing missed.
class RacingClient : public HttpClient {
public:
    explicit RacingClient(std::function<void()> phoneActs_) : phoneActs(std::move(phoneActs_)) {}
    Response send(const Request& request) override
    {
        Response asked;
        asked.headers = request.headers;
        if (phoneActs && !asked.header("If-Match").empty()) {
            phoneActs();
            phoneActs = nullptr;
        }
        return curl.send(request);
    }

private:
    std::function<void()> phoneActs;
    CurlHttpClient curl;
};

// Radicale with the quirks of other servers: it refuses calendar-multiget,
// or cuts its first full sync-collection listing short after `listedFirst`
// resources (RFC 6578 3.6) and lists everything again from the token it
// gave with that. Records the methods sent.
class QuirkyServer : public HttpClient {
public:
    bool refuseMultiget = false;
    std::size_t listedFirst = 0; // 0: no listing cut short
    std::vector<std::string> methods;

    Response send(const Request& request) override
    {
        methods.push_back(request.method);
        if (refuseMultiget && request.body.find("calendar-multiget") != std::string::npos) {
            Response refused;
            refused.status = 403;
            return refused;
        }
        const std::string goOn = "<d:sync-token>" + goOnToken + "</d:sync-token>";
        if (listedFirst && request.body.find(goOn) != std::string::npos) {
            Request again = request;
            again.body.replace(again.body.find(goOn), goOn.size(), "<d:sync-token/>");
            return curl.send(again);
        }
        Response response = curl.send(request);
        if (!listedFirst || cut || request.body.find("<d:sync-token/>") == std::string::npos)
            return response;
        cut = true;
        const auto listed = MultiStatus::read(response.body);
        std::string body = "<d:multistatus xmlns:d=\"DAV:\">";
        for (std::size_t i = 0; listed && i < listed->resources.size() && i < listedFirst; ++i) {
            const DavNode* etag = listed->resources[i].property(DavNode::dav, "getetag");
            body += "<d:response><d:href>" + listed->resources[i].href + "</d:href><d:propstat><d:prop><d:getetag>" +
                    (etag ? etag->text() : "") + "</d:getetag></d:prop><d:status>HTTP/1.1 200 OK</d:status>"
                    "</d:propstat></d:response>";
        }
        response.body = body + "<d:response><d:href>" + request.url + "</d:href>"
                        "<d:status>HTTP/1.1 507 Insufficient Storage</d:status></d:response>"
                        "<d:sync-token>" + goOnToken + "</d:sync-token></d:multistatus>";
        return response;
    }

private:
    const std::string goOnToken = "http://example.org/go-on";
    bool cut = false;
    CurlHttpClient curl;
};

SystemTime at(int year, int month, int day, int hour = 9, int minute = 0)
{
    SystemTime when{};
    when.wYear = static_cast<std::uint16_t>(year);
    when.wMonth = static_cast<std::uint16_t>(month);
    when.wDay = static_cast<std::uint16_t>(day);
    when.wHour = static_cast<std::uint16_t>(hour);
    when.wMinute = static_cast<std::uint16_t>(minute);
    return when;
}

Event event(const std::string& description, const SystemTime& when, EventFrequency frequency = Once)
{
    Event e;
    e.description = description;
    e.when = when;
    e.frequency = frequency;
    return e;
}

const SystemTime now = at(2026, 12, 8, 12);

// The command-line tool started, its output thrown away; -1 if it could not be.
pid_t startTool(const std::vector<std::string>& arguments, const std::string& password)
{
    std::vector<char*> argv{const_cast<char*>(VELLUMERE_EVENTS_TOOL)};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::string passwordVariable = "VELLUMERE_PASSWORD=" + password;
    char* envp[] = {passwordVariable.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = -1;
    const int spawned = posix_spawn(&child, VELLUMERE_EVENTS_TOOL, &actions, nullptr, argv.data(), envp);
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? child : -1;
}

// The command-line tool's exit status.
int runTool(const std::vector<std::string>& arguments, const std::string& password)
{
    const pid_t child = startTool(arguments, password);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// Stops the server once it has answered that many requests.
class StoppingClient : public HttpClient {
public:
    StoppingClient(RadicaleServer& server_, int answered_) : server(server_), answered(answered_) {}
    Response send(const Request& request) override
    {
        if (answered-- == 0)
            server.stop();
        return curl.send(request);
    }

private:
    RadicaleServer& server;
    int answered;
    CurlHttpClient curl;
};

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

class CalDavSyncTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = std::make_unique<RadicaleServer>(RadicaleServer::Users{{"alice", "alice-pw"}});
    }
    static void TearDownTestSuite() { server.reset(); }

    // A calendar of its own for each test, made by the phone.
    void SetUp() override
    {
        calendarId = testing::UnitTest::GetInstance()->current_test_info()->name();
        std::transform(calendarId.begin(), calendarId.end(), calendarId.begin(), ::tolower);
        useServer(*server);
    }

    void useServer(RadicaleServer& other)
    {
        host = &other;
        ASSERT_TRUE(phone("principal.make_calendar(name='" + calendarId + "', cal_id='" + calendarId + "')"));
        state.calendarUrl = host->address() + "/alice/" + calendarId + "/";
    }

    // The phone's calendar holding only what `savesOnPhone` saves, and
    // nothing synced from here yet.
    void startOver(const std::string& savesOnPhone = "")
    {
        ASSERT_TRUE(phone("for e in calendar.events(): e.delete()\n" + savesOnPhone));
        state = SyncState{};
        state.calendarUrl = host->address() + "/alice/" + calendarId + "/";
    }

    // Three events on each side, not synced yet.
    void threeEventsOnEachSide(std::vector<Event>& events)
    {
        ASSERT_TRUE(phone("for e in calendar.events(): e.delete()\n" +
                          savesEvent("UID:p-a\nDTSTART:20270301T090000\nSUMMARY:A\n") +
                          savesEvent("UID:p-b\nDTSTART:20270302T090000\nSUMMARY:B\n") +
                          savesEvent("UID:p-c\nDTSTART:20270303T090000\nSUMMARY:C\n")));
        events = {event("L1", at(2027, 3, 4)), event("L2", at(2027, 3, 5)), event("L3", at(2027, 3, 6))};
    }

    // On each side one event added, one edited and one removed.
    void changeBothSides(std::vector<Event>& events)
    {
        ASSERT_TRUE(phone(savesEvent("UID:p-n\nDTSTART:20270307T090000\nSUMMARY:Phone new\n") +
                          "e = calendar.event_by_uid('p-a')\n"
                          "e.icalendar_component['SUMMARY'] = 'A edited there'\n"
                          "e.save()\n"
                          "calendar.event_by_uid('p-b').delete()\n"));
        events.erase(std::remove_if(events.begin(), events.end(), [](const Event& e) { return e.description == "L2"; }),
                     events.end());
        for (Event& e : events) {
            if (e.description == "L1")
                e.description = "L1 edited here";
        }
        events.push_back(event("Local new", at(2027, 3, 8)));
    }

    // The descriptions both sides hold after changeBothSides().
    static std::vector<std::string> changedOnBothSides()
    {
        return {"A edited there", "C", "L1 edited here", "L3", "Local new", "Phone new"};
    }

    // Both sides hold the events `expected` describes, each once, and nothing else.
    void expectBothSidesHold(const std::vector<Event>& events, std::vector<std::string> expected) const
    {
        std::vector<std::string> descriptions;
        std::vector<std::string> onPhone;
        std::set<std::string> uids;
        for (const Event& e : events) {
            descriptions.push_back(e.description);
            onPhone.push_back(e.uid + " " + e.description);
            EXPECT_FALSE(e.uid.empty()) << e.description;
            EXPECT_TRUE(uids.insert(e.uid).second) << e.uid;
        }
        std::sort(descriptions.begin(), descriptions.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(descriptions, expected);
        EXPECT_TRUE(phoneHolds(onPhone));
    }

    // `script` runs with `principal` and `calendar` (this test's) at hand.
    bool phone(const std::string& script) const
    {
        return host->runPython("import sys, caldav\n"
                                 "client = caldav.DAVClient(sys.argv[1] + '/', username='alice', password='alice-pw')\n"
                                 "principal = client.principal()\n"
                                 "calendar = caldav.Calendar(client=client, url=sys.argv[1] + '/alice/" +
                                 calendarId + "/')\n" + script);
    }

    // The phone's line that saves one event of the VEVENT lines `lines`
    // (each ended by a line feed), stamped as of 1 December 2026.
    static std::string savesEvent(const std::string& lines) { return savesEvents({lines}); }

    // The same for one resource of several VEVENTs (a series and its moved occurrences).
    static std::string savesEvents(const std::vector<std::string>& events)
    {
        std::string python;
        for (const std::string& lines : events) {
            python += "BEGIN:VEVENT\\n";
            for (const char c : "DTSTAMP:20261201T000000Z\n" + lines)
                python += c == '\n' ? std::string("\\n") : std::string(1, c);
            python += "END:VEVENT\\n";
        }
        return "calendar.save_event('BEGIN:VCALENDAR\\nVERSION:2.0\\nPRODID:-//phone//EN\\n" + python +
               "END:VCALENDAR\\n')\n";
    }

    // The phone's events (each VEVENT) as "UID SUMMARY" lines (with " HH:MM"
    // of the start `withStart`), sorted, checked against `expected`.
    bool phoneHolds(const std::vector<std::string>& expected, bool withStart = false) const
    {
        std::string list = "[";
        for (const std::string& line : expected)
            list += "'" + line + "',";
        return phone("found = sorted(str(c['UID']) + ' ' + str(c['SUMMARY'])" +
                     std::string(withStart ? " + c['DTSTART'].dt.strftime(' %H:%M')" : "") +
                     " for e in calendar.events() for c in e.icalendar_instance.walk('VEVENT'))\n"
                     "assert found == sorted(" + list + "]), found\n");
    }

    CalDavSync::Result sync(std::vector<Event>& events, const std::string& password = "alice-pw",
                            HttpClient* client = nullptr, const SystemTime& when = now)
    {
        CurlHttpClient curl;
        CalDavConnection connection(client ? *client : curl, "alice", password);
        return CalDavSync(connection, codePage, zones, "test").run(events, state, when, when);
    }

    static std::unique_ptr<RadicaleServer> server;
    RadicaleServer* host = nullptr; // the one the phone and the calendar are on
    std::string calendarId;
    SyncState state;
    Windows1252 codePage;
    FixedTimeZones zones{0};
};

std::unique_ptr<RadicaleServer> CalDavSyncTest::server;

TEST_F(CalDavSyncTest, PhoneEventsComeInWithTheirUidAndStayPut)
{
    ASSERT_TRUE(phone(savesEvent("UID:dentist-1\nDTSTART:20270105T143000\nSUMMARY:Dentist\n") +
                      savesEvent("UID:swim-1\nDTSTART:20270104T070000\nRRULE:FREQ=WEEKLY;BYDAY=MO,WE\n"
                                 "EXDATE:20270111T070000\nSUMMARY:Swimming\nBEGIN:VALARM\nACTION:DISPLAY\n"
                                 "DESCRIPTION:Swimming\nTRIGGER:-PT15M\nEND:VALARM\n")));
    // The dentist is here too, never synced: the phone's is the same event.
    std::vector<Event> events{event("Past, here only", at(2026, 11, 2)), event("Dentist", at(2027, 1, 5, 14, 30))};
    const auto first = sync(events);
    ASSERT_EQ(first.problem, CalDavProblem::None) << first.status;
    EXPECT_EQ(first.received, 1u);
    EXPECT_EQ(first.sent, 0u); // the past one-time event stays here
    ASSERT_EQ(events.size(), 3u);

    const struct {
        const char* uid;
        const char* description;
        SystemTime when;
        bool repeats;
        std::vector<long> skippedDays;
        std::vector<std::int32_t> remindBefore;
    } expected[] = {
        {"dentist-1", "Dentist", at(2027, 1, 5, 14, 30), false, {}, {}},
        {"swim-1", "Swimming", at(2027, 1, 4, 7, 0), true, {dayNumber(2027, 1, 11)}, {15}},
    };
    for (const auto& c : expected) {
        SCOPED_TRACE(c.uid);
        const auto found = std::find_if(events.begin(), events.end(), [&](const Event& e) { return e.uid == c.uid; });
        ASSERT_NE(found, events.end());
        EXPECT_EQ(found->description, c.description);
        EXPECT_EQ(dayNumber(found->when), dayNumber(c.when));
        EXPECT_EQ(found->when.wHour * 60 + found->when.wMinute, c.when.wHour * 60 + c.when.wMinute);
        EXPECT_EQ(found->repeats(), c.repeats);
        EXPECT_EQ(found->skippedDays, c.skippedDays);
        EXPECT_EQ(found->remindBefore, c.remindBefore);
    }
    EXPECT_NE(std::find_if(events.begin(), events.end(), [](const Event& e) { return e.rule.find("BYDAY=MO,WE") != std::string::npos; }),
              events.end());

    // Through the file: what is kept is all the next run has.
    auto kept = SyncState::parse(state.text());
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->text(), state.text());
    state = *kept;
    const std::vector<Event> before = events;
    CountingClient counting;
    const auto second = sync(events, "alice-pw", &counting);
    ASSERT_EQ(second.problem, CalDavProblem::None);
    EXPECT_FALSE(second.changedAnything());
    EXPECT_EQ(events, before);
    EXPECT_EQ(counting.methods, std::vector<std::string>{"REPORT"});
    EXPECT_TRUE(phoneHolds({"dentist-1 Dentist", "swim-1 Swimming"}));
}

TEST_F(CalDavSyncTest, LocalEventsGoUpOnceEvenWhenASyncIsCutShort)
{
    const std::vector<Event> local{
        event("Dinner", at(2027, 2, 1, 19)),
        event("Dinner", at(2027, 2, 1, 19)), // a twin: an event of its own
        event("Bins out", at(2026, 12, 3, 7), Weekly),
        event("Past, here only", at(2026, 11, 2)),
    };
    std::vector<Event> events = local;
    const auto first = sync(events);
    ASSERT_EQ(first.problem, CalDavProblem::None) << first.status;
    EXPECT_EQ(first.sent, 3u);
    std::vector<std::string> onPhone;
    for (const Event& e : events) {
        EXPECT_EQ(e.uid.empty(), e.description == "Past, here only") << e.description;
        if (!e.uid.empty())
            onPhone.push_back(e.uid + " " + e.description);
    }
    EXPECT_TRUE(phoneHolds(onPhone));
    EXPECT_TRUE(phone("[weekly] = [e for e in calendar.events() if 'RRULE' in e.icalendar_component]\n"
                      "assert str(weekly.icalendar_component['SUMMARY']) == 'Bins out'\n"));

    const std::vector<Event> synced = events;
    const SyncState kept = state;
    const struct {
        const char* name;
        std::vector<Event> here;
        SyncState state;
        bool onlyTheReport;
    } cases[] = {
        {"nothing changed", synced, kept, true},
        {"neither the file nor the state kept", local, SyncState{}, false},
        {"the file kept, the state not", synced, SyncState{}, false},
        {"the state kept, the file not", local, kept, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        events = c.here;
        state = c.state;
        state.calendarUrl = kept.calendarUrl;
        CountingClient counting;
        const auto again = sync(events, "alice-pw", &counting);
        ASSERT_EQ(again.problem, CalDavProblem::None) << again.status;
        if (c.onlyTheReport) {
            EXPECT_EQ(counting.methods, std::vector<std::string>{"REPORT"});
        }
        EXPECT_EQ(again.received, 0u);
        EXPECT_EQ(again.removed, 0u);
        EXPECT_EQ(events, synced);
        EXPECT_TRUE(phoneHolds(onPhone));
    }
}

TEST_F(CalDavSyncTest, ChangesOnEitherSideReachTheOther)
{
    const std::string local = "local";
    const std::string phoneUid = "p-1";
    const struct {
        const char* name;
        std::string changeHere; // the event ("Phone" or "Local") whose description becomes `newHere`
        std::string newHere;    // empty: removed
        std::string newThere;   // the phone's event's new summary; empty: unchanged
        // On both sides after the sync: UID ("local": the local event's) and description.
        std::vector<std::pair<std::string, std::string>> expected;
    } cases[] = {
        {"changed here", "Local", "Local, moved", "", {{phoneUid, "Phone"}, {local, "Local, moved"}}},
        {"removed here", "Local", "", "", {{phoneUid, "Phone"}}},
        {"changed there", "", "", "Phone, moved", {{phoneUid, "Phone, moved"}, {local, "Local"}}},
        {"removed here, changed there", "Phone", "", "Theirs", {{phoneUid, "Theirs"}, {local, "Local"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        startOver(savesEvent("UID:p-1\nDTSTART:20270301T090000\nSUMMARY:Phone\n"));
        std::vector<Event> events{event("Local", at(2027, 3, 2, 10))};
        ASSERT_EQ(sync(events).problem, CalDavProblem::None);
        ASSERT_EQ(events.size(), 2u);
        const std::string localUid = events[0].description == "Local" ? events[0].uid : events[1].uid;

        if (!c.changeHere.empty()) {
            const auto target = std::find_if(events.begin(), events.end(),
                                             [&](const Event& e) { return e.description == c.changeHere; });
            if (c.newHere.empty())
                events.erase(target);
            else
                target->description = c.newHere;
        }
        if (!c.newThere.empty()) {
            ASSERT_TRUE(phone("e = calendar.event_by_uid('p-1')\n"
                              "e.icalendar_component['SUMMARY'] = '" + c.newThere + "'\n"
                              "e.save()\n"));
        }
        const auto result = sync(events);
        ASSERT_EQ(result.problem, CalDavProblem::None) << result.status;
        EXPECT_EQ(result.conflicts, 0u);

        std::vector<std::string> expected;
        for (const auto& [uid, description] : c.expected)
            expected.push_back((uid == local ? localUid : uid) + " " + description);
        std::vector<std::string> here;
        for (const Event& e : events)
            here.push_back(e.uid + " " + e.description);
        std::sort(here.begin(), here.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(here, expected);
        EXPECT_TRUE(phoneHolds(expected));

        const std::vector<Event> synced = events;
        EXPECT_FALSE(sync(events).changedAnything());
        EXPECT_EQ(events, synced);
    }
}

TEST_F(CalDavSyncTest, AnEventChangedOnBothSidesIsMergedAndBothSidesEndEqual)
{
    const std::string renamed = "e = calendar.event_by_uid('p-1')\n"
                                "e.icalendar_component['SUMMARY'] = 'Theirs'\n"
                                "e.save()\n";
    const std::string removed = "calendar.event_by_uid('p-1').delete()\n";
    const struct {
        const char* name;
        std::string description; // here, of the phone's "Phone" at 09:00; empty: removed
        int hour;
        std::string there;  // the phone's change before the sync
        std::string during; // the phone's change between the sync's listing and its PUT or DELETE
        bool merged;
        // "UID SUMMARY HH:MM" on both sides after the sync, "new" for a UID other than the phone's.
        std::vector<std::string> expected;
    } cases[] = {
        {"edited the same field", "Mine", 9, renamed, "", true, {"p-1 Theirs 09:00", "new Mine 09:00"}},
        {"edited different fields", "Phone", 10, renamed, "", true, {"p-1 Theirs 09:00", "new Phone 10:00"}},
        {"edited here, removed there", "Mine", 9, removed, "", false, {"p-1 Mine 09:00"}},
        {"removed here, edited there", "", 9, renamed, "", false, {"p-1 Theirs 09:00"}},
        {"edited there before the PUT", "Mine", 9, "", renamed, true, {"p-1 Theirs 09:00", "new Mine 09:00"}},
        {"edited there before the DELETE", "", 9, "", renamed, false, {"p-1 Theirs 09:00"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        startOver(savesEvent("UID:p-1\nDTSTART:20270301T090000\nSUMMARY:Phone\n"));
        std::vector<Event> events;
        ASSERT_EQ(sync(events).problem, CalDavProblem::None);
        ASSERT_EQ(events.size(), 1u);
        if (c.description.empty()) {
            events.clear();
        } else {
            events[0].description = c.description;
            events[0].when.wHour = static_cast<std::uint16_t>(c.hour);
        }
        if (!c.there.empty()) {
            ASSERT_TRUE(phone(c.there));
        }
        RacingClient racing([&] { EXPECT_TRUE(c.during.empty() || phone(c.during)); });
        const auto result = sync(events, "alice-pw", &racing);
        ASSERT_EQ(result.problem, CalDavProblem::None) << result.status;
        EXPECT_EQ(result.conflicts, c.merged ? 1u : 0u);

        std::vector<std::string> here;
        std::vector<std::string> onPhone;
        for (const Event& e : events) {
            char start[16];
            std::snprintf(start, sizeof start, " %02d:%02d", e.when.wHour, e.when.wMinute);
            here.push_back((e.uid == "p-1" || e.uid.empty() ? e.uid : "new") + " " + e.description + start);
            onPhone.push_back(e.uid + " " + e.description + start);
        }
        std::vector<std::string> expected = c.expected;
        std::sort(here.begin(), here.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(here, expected);
        EXPECT_TRUE(phoneHolds(onPhone, true));

        const std::vector<Event> synced = events;
        const auto again = sync(events);
        EXPECT_FALSE(again.changedAnything());
        EXPECT_EQ(again.conflicts, 0u);
        EXPECT_EQ(events, synced);
    }
}

TEST_F(CalDavSyncTest, AnOccurrenceEditedHereStaysInItsSeriesThatThePhoneEdited)
{
    const std::string moved = "UID:s-1\nRECURRENCE-ID:20270111T070000\nDTSTART:20270111T080000\nSUMMARY:Moved\n";
    ASSERT_TRUE(phone(savesEvents({"UID:s-1\nDTSTART:20270104T070000\nRRULE:FREQ=WEEKLY\nSUMMARY:Series\n", moved})));
    std::vector<Event> events;
    ASSERT_EQ(sync(events).problem, CalDavProblem::None);
    ASSERT_EQ(events.size(), 2u);
    for (Event& e : events) {
        if (!e.movedFrom.empty())
            e.description = "Moved, mine";
    }
    ASSERT_TRUE(phone(savesEvents({"UID:s-1\nDTSTART:20270104T070000\nRRULE:FREQ=WEEKLY\nSUMMARY:Series, theirs\n",
                                   moved})));
    const auto result = sync(events);
    ASSERT_EQ(result.problem, CalDavProblem::None) << result.status;
    EXPECT_EQ(result.conflicts, 1u);
    std::vector<std::string> here;
    for (const Event& e : events)
        here.push_back(e.uid + " " + e.description);
    std::sort(here.begin(), here.end());
    EXPECT_EQ(here, (std::vector<std::string>{"s-1 Moved, mine", "s-1 Series, theirs"}));
    EXPECT_TRUE(phoneHolds(here));
}

TEST_F(CalDavSyncTest, WhatTheUserDidNotChangeGoesBackAsThePhoneWroteIt)
{
    // Texts the code page cannot hold, and what Vellumere holds nothing of.
    const std::string popper = "\xF0\x9F\x8E\x89";
    const std::string party = popper + " \xD0\x92\xD1\x81\xD1\x82\xD1\x80\xD0\xB5\xD1\x87\xD0\xB0"; // "Vstrecha"
    const std::string swimming = "\xD0\x9F\xD0\xBB\xD0\xB0\xD0\xB2\xD0\xB0\xD0\xBD\xD0\xB8\xD0\xB5"; // "Plavanie"
    const std::string partyEvent = "UID:u-1\nDTSTART:20270301T090000\nDTEND:20270301T100000\nSUMMARY:" + party +
                                   "\nLOCATION:Caf\xC3\xA9\nX-PHONE-COLOR:red\n"
                                   "BEGIN:VALARM\nACTION:DISPLAY\nDESCRIPTION:" + popper +
                                   "\nTRIGGER:-PT10M\nEND:VALARM\n";
    const std::string swim = "UID:s-1\nDTSTART:20270104T070000\nRRULE:FREQ=WEEKLY;COUNT=5\nSUMMARY:" + swimming +
                             "\nLOCATION:Pool\n";
    const std::string swimMoved = "UID:s-1\nRECURRENCE-ID:20270111T070000\nDTSTART:20270111T080000\nSUMMARY:" +
                                  swimming + "\nLOCATION:Pool\n";
    // The phone's checks, with `ev` each VEVENT: the user's new start, all else as the phone wrote it.
    const std::string partyKept =
        "[ev] = [c for e in calendar.events() for c in e.icalendar_instance.walk('VEVENT')]\n"
        "assert str(ev['SUMMARY']) == '" + party + "', ev['SUMMARY']\n"
        "assert str(ev['LOCATION']) == 'Caf\xC3\xA9' and str(ev['X-PHONE-COLOR']) == 'red'\n"
        "assert ev['DTSTART'].dt.isoformat() == '2027-03-01T11:00:00', ev['DTSTART'].dt\n"
        "length = ev['DURATION'].dt if 'DURATION' in ev else ev['DTEND'].dt - ev['DTSTART'].dt\n"
        "assert length.total_seconds() == 3600, length\n"
        "[alarm] = ev.walk('VALARM')\n"
        "assert str(alarm['DESCRIPTION']) == '" + popper + "' and alarm['TRIGGER'].dt.total_seconds() == -600\n";
    const std::string swimKept =
        "[series, moved] = sorted((c for e in calendar.events() for c in e.icalendar_instance.walk('VEVENT')),"
        " key=lambda c: 'RECURRENCE-ID' in c)\n"
        "for ev in (series, moved):\n"
        "    assert str(ev['SUMMARY']) == '" + swimming + "' and str(ev['LOCATION']) == 'Pool'\n"
        "assert series['DTSTAMP'].dt.isoformat() == '2026-12-01T00:00:00+00:00', series['DTSTAMP'].dt\n"
        "assert series['DTSTART'].dt.isoformat() == '2027-01-04T07:00:00'\n"
        "assert moved['DTSTART'].dt.isoformat() == '2027-01-11T11:00:00', moved['DTSTART'].dt\n";
    const struct {
        const char* name;
        std::vector<std::string> onPhone; // one resource's VEVENTs
        std::string kept;
    } cases[] = {
        {"an event moved here", {partyEvent}, partyKept},
        {"a series whose moved occurrence moved here", {swim, swimMoved}, swimKept},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        startOver(savesEvents(c.onPhone));
        std::vector<Event> events;
        ASSERT_EQ(sync(events).problem, CalDavProblem::None);
        ASSERT_EQ(events.size(), c.onPhone.size());
        // The lone event, or the occurrence moved out of the series.
        Event& moved = events.size() == 1 ? events[0] : events[events[0].movedFrom.empty() ? 1 : 0];
        moved.when.wHour = 11;
        const auto result = sync(events);
        ASSERT_EQ(result.problem, CalDavProblem::None) << result.status;
        EXPECT_EQ(result.sent, 1u);
        EXPECT_TRUE(phone(c.kept));

        const std::vector<Event> synced = events;
        EXPECT_FALSE(sync(events).changedAnything());
        EXPECT_EQ(events, synced);
    }
}

TEST_F(CalDavSyncTest, AMonthlyEventFromThe31stGoesUpInStretchesAndComesBackWhole)
{
    std::vector<Event> events{event("Rent", at(2027, 1, 31, 9), Monthly)};
    ASSERT_EQ(sync(events).problem, CalDavProblem::None);
    ASSERT_EQ(events.size(), 1u);
    const std::string uid = events[0].uid;
    const struct {
        const char* name;
        std::string description; // empty: removed here
        SystemTime when;
        std::vector<std::string> onPhone; // "UID SUMMARY", the series' UID as "U"
    } cases[] = {
        {"as sent", "Rent", at(2027, 1, 31, 9), {"U Rent", "U-20270228 Rent"}},
        {"renamed here", "Rent due", at(2027, 1, 31, 9), {"U Rent due", "U-20270228 Rent due"}},
        {"moved here", "Rent due", at(2027, 4, 30, 9), {"U Rent due", "U-20280229 Rent due", "U-20290228 Rent due"}},
        {"removed here", "", at(2027, 4, 30, 9), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.description.empty()) {
            events.clear();
        } else {
            events[0].description = c.description;
            events[0].when = c.when;
        }
        ASSERT_EQ(sync(events).problem, CalDavProblem::None);
        std::vector<std::string> expected;
        for (std::string line : c.onPhone)
            expected.push_back(uid + line.substr(1));
        EXPECT_TRUE(phoneHolds(expected));
        CountingClient counting;
        const std::vector<Event> synced = events;
        EXPECT_FALSE(sync(events, "alice-pw", &counting).changedAnything());
        EXPECT_EQ(counting.methods, std::vector<std::string>{"REPORT"});
        EXPECT_EQ(events, synced);

        // Another computer takes the stretches in as the one event.
        const SyncState kept = state;
        state = SyncState{};
        state.calendarUrl = kept.calendarUrl;
        std::vector<Event> elsewhere;
        ASSERT_EQ(sync(elsewhere).problem, CalDavProblem::None);
        EXPECT_EQ(elsewhere, events);
        state = kept;
    }
}

TEST_F(CalDavSyncTest, CarryingASeriesOnChangesNothingThere)
{
    ASSERT_TRUE(phone(savesEvent("UID:s-1\nDTSTART:20270104T070000\nRRULE:FREQ=WEEKLY;BYDAY=MO,WE;COUNT=10\n"
                                 "EXDATE:20270111T070000\nSUMMARY:Series\n")));
    std::vector<Event> pulled;
    ASSERT_EQ(sync(pulled).problem, CalDavProblem::None);
    ASSERT_EQ(pulled.size(), 1u);
    const SyncState synced = state;
    const struct {
        const char* name;
        long nextDay; // Occurrences::noDay: the series ended
        SystemTime syncedAt;
    } cases[] = {
        {"on past a skipped day", dayNumber(2027, 1, 20), at(2027, 1, 19)},
        {"ended", Occurrences::noDay, at(2027, 3, 1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Event> events = pulled;
        state = synced;
        std::vector<Event> next;
        if (c.nextDay != Occurrences::noDay)
            next.push_back(Occurrences(events[0]).movedTo(c.nextDay));
        EventList::carryForward(events, {0}, next);
        const std::vector<Event> carried = events;
        CountingClient counting;
        const auto result = sync(events, "alice-pw", &counting, c.syncedAt);
        ASSERT_EQ(result.problem, CalDavProblem::None);
        EXPECT_EQ(counting.methods, std::vector<std::string>{"REPORT"});
        EXPECT_EQ(events, carried);
        EXPECT_TRUE(phone("[e] = calendar.events()\n"
                          "assert e.icalendar_component['DTSTART'].dt.isoformat() == '2027-01-04T07:00:00'\n"
                          "assert 'COUNT' in e.icalendar_component['RRULE']\n"));
    }
}

TEST_F(CalDavSyncTest, AnEventGoneFromThePhoneGoesHereUnlessChangedHere)
{
    std::vector<Event> events{event("Haircut", at(2027, 3, 1, 10)), event("Concert", at(2027, 3, 2, 20))};
    ASSERT_EQ(sync(events).problem, CalDavProblem::None);
    ASSERT_EQ(events.size(), 2u);
    for (Event& e : events) {
        if (e.description == "Concert")
            e.note = "bring the tickets";
    }
    ASSERT_TRUE(phone("for e in calendar.events(): e.delete()\n"));
    const auto result = sync(events);
    ASSERT_EQ(result.problem, CalDavProblem::None) << result.status;
    EXPECT_EQ(result.removed, 1u);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].description, "Concert");
    // The user's version goes up again.
    EXPECT_TRUE(phoneHolds({events[0].uid + " Concert"}));
}

TEST_F(CalDavSyncTest, ChangesComeInWithoutAUsableToken)
{
    const auto phoneAdds = [this](const std::string& uid) {
        return phone(savesEvent("UID:" + uid + "\nDTSTART:20270301T090000\nSUMMARY:" + uid + "\n"));
    };
    const struct {
        const char* name;
        std::string token; // in place of the one kept; empty: keep it
        bool syncCollection;
    } cases[] = {
        {"a token the server forgot", "http://radicale.org/ns/sync/0000000000000000", true},
        {"a server without sync-collection", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string stays = std::string("stays-") + (c.syncCollection ? "1" : "2");
        const std::string goes = std::string("goes-") + (c.syncCollection ? "1" : "2");
        const std::string comes = std::string("comes-") + (c.syncCollection ? "1" : "2");
        ASSERT_TRUE(phoneAdds(stays) && phoneAdds(goes));
        std::vector<Event> events;
        ASSERT_EQ(sync(events).problem, CalDavProblem::None);
        ASSERT_EQ(events.size(), 2u);
        ASSERT_TRUE(phoneAdds(comes));
        ASSERT_TRUE(phone("calendar.event_by_uid('" + goes + "').delete()\n"));
        if (!c.token.empty())
            state.syncToken = c.token;
        WithoutSyncCollection withoutSyncCollection;
        const auto result = sync(events, "alice-pw", c.syncCollection ? nullptr : &withoutSyncCollection);
        ASSERT_EQ(result.problem, CalDavProblem::None) << result.status;
        EXPECT_EQ(result.received, 1u);
        EXPECT_EQ(result.removed, 1u);
        std::vector<std::string> uids;
        for (const Event& e : events)
            uids.push_back(e.uid);
        std::sort(uids.begin(), uids.end());
        EXPECT_EQ(uids, (std::vector<std::string>{comes, stays}));
        startOver();
    }
}

TEST_F(CalDavSyncTest, ResourcesComeInBatchesWhateverTheServerAllows)
{
    std::string saves;
    for (int day = 1; day <= 5; ++day)
        saves += savesEvent("UID:b-" + std::to_string(day) + "\nDTSTART:2027030" + std::to_string(day) +
                            "T090000\nSUMMARY:Batch\n");
    ASSERT_TRUE(phone(saves));
    const std::string calendarUrl = state.calendarUrl;
    const std::vector<std::string> reports{"REPORT", "REPORT"};
    const struct {
        const char* name;
        bool refuseMultiget;
        std::size_t listedFirst;
        std::vector<std::string> methods;
    } cases[] = {
        {"in one calendar-multiget", false, 0, reports},
        {"by GET when the server refuses it", true, 0, {"REPORT", "REPORT", "GET", "GET", "GET", "GET", "GET"}},
        {"after a listing cut short", false, 2, {"REPORT", "REPORT", "REPORT"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        state = SyncState{};
        state.calendarUrl = calendarUrl;
        QuirkyServer quirky;
        quirky.refuseMultiget = c.refuseMultiget;
        quirky.listedFirst = c.listedFirst;
        std::vector<Event> events;
        const auto result = sync(events, "alice-pw", &quirky);
        ASSERT_EQ(result.problem, CalDavProblem::None) << result.status;
        EXPECT_EQ(result.received, 5u);
        std::set<std::string> uids;
        for (const Event& e : events)
            uids.insert(e.uid);
        EXPECT_EQ(uids, (std::set<std::string>{"b-1", "b-2", "b-3", "b-4", "b-5"}));
        EXPECT_EQ(quirky.methods, c.methods);
    }
}

TEST_F(CalDavSyncTest, AFailedSyncChangesNothing)
{
    RadicaleServer stopped(RadicaleServer::Users{{"alice", "alice-pw"}});
    stopped.stop();
    ASSERT_TRUE(phone(savesEvent("UID:phone-2\nDTSTART:20270105T090000\nSUMMARY:From the phone\n")));
    const struct {
        const char* name;
        std::string password;
        std::string calendarUrl;
        CalDavProblem problem;
    } cases[] = {
        {"wrong password", "wrong", state.calendarUrl, CalDavProblem::Refused},
        {"stopped server", "alice-pw", stopped.address() + "/alice/" + calendarId + "/", CalDavProblem::Network},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Event> events{event("Local", at(2027, 1, 6))};
        const std::vector<Event> before = events;
        state.calendarUrl = c.calendarUrl;
        const std::string stateBefore = state.text();
        EXPECT_EQ(sync(events, c.password).problem, c.problem);
        EXPECT_EQ(events, before);
        EXPECT_EQ(state.text(), stateBefore);
    }
    EXPECT_TRUE(phoneHolds({"phone-2 From the phone"}));
}

TEST_F(CalDavSyncTest, ASyncCutShortByTheServerEndsEqualOnceTheServerIsBack)
{
    RadicaleServer own(RadicaleServer::Users{{"alice", "alice-pw"}});
    useServer(own);
    const std::string calendarUrl = state.calendarUrl;
    // The sync's requests: its listing, one calendar-multiget, two PUTs and a DELETE.
    for (int answered = 0; answered < 5; ++answered) {
        SCOPED_TRACE("stopped after " + std::to_string(answered) + " requests");
        state = SyncState{};
        state.calendarUrl = calendarUrl;
        std::vector<Event> events;
        threeEventsOnEachSide(events);
        ASSERT_EQ(sync(events).problem, CalDavProblem::None);
        changeBothSides(events);
        StoppingClient stopping(own, answered);
        EXPECT_EQ(sync(events, "alice-pw", &stopping).problem, CalDavProblem::Network);
        own.start();
        const auto result = sync(events);
        ASSERT_EQ(result.problem, CalDavProblem::None) << result.status;
        expectBothSidesHold(events, changedOnBothSides());
        const std::vector<Event> synced = events;
        EXPECT_FALSE(sync(events).changedAnything());
        EXPECT_EQ(events, synced);
    }
}

TEST_F(CalDavSyncTest, KillingTheCommandLineSyncAtAnyMomentLosesNothing)
{
    TemporaryFolder folder;
    const std::string file = folder.path("events.xml");
    const std::vector<std::string> arguments{"--sync", state.calendarUrl, "--user", "alice", file};
    std::vector<Event> events;
    threeEventsOnEachSide(events);
    std::ofstream(file, std::ios::binary) << EventFileWriter::write(events);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(runTool(arguments, "alice-pw"), 0);
    const auto fullSync =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);

    const auto readFile = [&] {
        std::string text = contents(file);
        events.clear();
        return EventFileReader::read(text, events, codePage);
    };
    ASSERT_TRUE(readFile());
    changeBothSides(events);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << EventFileWriter::write(events);
    // Whenever a run comes to its end, both sides change again, so that each
    // kill meets changes: round r adds "Phone r" and "Local r", renames the
    // two of round r - 1 and removes the two renamed in round r - 2.
    std::vector<std::string> expected = changedOnBothSides();
    int round = 0;
    const auto changeAgain = [&] {
        ++round;
        const std::string r = std::to_string(round);
        const std::string before = std::to_string(round - 1);
        const std::string twoBefore = std::to_string(round - 2);
        std::string script = savesEvent("UID:p-" + r + "\nDTSTART:202705" + (round % 28 < 9 ? "0" : "") +
                                        std::to_string(round % 28 + 1) + "T090000\nSUMMARY:Phone " + r + "\n");
        if (round >= 2)
            script += "e = calendar.event_by_uid('p-" + before + "')\n"
                      "e.icalendar_component['SUMMARY'] = 'Phone " + before + " edited'\n"
                      "e.save()\n";
        if (round >= 3)
            script += "calendar.event_by_uid('p-" + twoBefore + "').delete()\n";
        ASSERT_TRUE(phone(script));
        ASSERT_TRUE(readFile());
        events.erase(std::remove_if(events.begin(), events.end(),
                                    [&](const Event& e) { return e.description == "Local " + twoBefore + " edited"; }),
                     events.end());
        for (Event& e : events) {
            if (e.description == "Local " + before)
                e.description += " edited";
        }
        events.push_back(event("Local " + r, at(2027, 6, round % 28 + 1)));
        std::ofstream(file, std::ios::binary | std::ios::trunc) << EventFileWriter::write(events);
        for (const char* side : {"Phone ", "Local "}) {
            expected.erase(std::remove(expected.begin(), expected.end(), side + twoBefore + " edited"), expected.end());
            std::replace(expected.begin(), expected.end(), side + before, side + before + " edited");
            expected.push_back(side + r);
        }
    };

    const char* given = std::getenv("VELLUMERE_KILL_SEED");
    const unsigned seed = given ? static_cast<unsigned>(std::stoul(given)) : std::random_device{}();
    std::cout << "kill seed " << seed << " (VELLUMERE_KILL_SEED), a full sync " << fullSync.count() << " us\n";
    SCOPED_TRACE("kill seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<long long> delay(0, fullSync.count());
    int cut = 0;
    for (int kill = 0; kill < 40; ++kill) {
        const pid_t child = startTool(arguments, "alice-pw");
        ASSERT_GT(child, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        if (WIFSIGNALED(status)) {
            ++cut;
        } else {
            ASSERT_EQ(WEXITSTATUS(status), 0);
            changeAgain();
        }
    }
    std::cout << cut << " of 40 killed before their end, " << round << " rounds of changes after the others\n";
    ASSERT_EQ(runTool(arguments, "alice-pw"), 0);
    ASSERT_TRUE(readFile());
    expectBothSidesHold(events, expected);
}

TEST_F(CalDavSyncTest, TheCommandLineChangesNothingUnlessTheSyncSucceeds)
{
    RadicaleServer stopped(RadicaleServer::Users{{"alice", "alice-pw"}});
    stopped.stop();
    ASSERT_TRUE(phone(savesEvent("UID:phone-3\nDTSTART:20300105T090000\nSUMMARY:From the phone\n")));
    TemporaryFolder folder;
    const std::string file = folder.path("events.xml");
    const std::string original = EventFileWriter::write({event("Local", at(2030, 1, 6))});
    std::ofstream(file, std::ios::binary) << original;
    const std::string url = state.calendarUrl;
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        std::string password;
        int status;
    } refused[] = {
        {"wrong password", {"--sync", url, "--user", "alice", file}, "wrong", 1},
        {"stopped server", {"--sync", stopped.address() + "/alice/" + calendarId + "/", "--user", "alice", file},
         "alice-pw", 1},
        {"no address", {"--sync"}, "alice-pw", 2},
        {"no user name", {"--sync", url, "--user"}, "alice-pw", 2},
        {"not http", {"--sync", "ftp://127.0.0.1/alice/", "--user", "alice", file}, "alice-pw", 2},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(runTool(c.arguments, c.password), c.status);
        EXPECT_EQ(contents(file), original);
        EXPECT_FALSE(std::ifstream(SyncState::pathFor(file)).good());
    }
    EXPECT_TRUE(phoneHolds({"phone-3 From the phone"}));

    ASSERT_EQ(runTool({"--sync", url, "--user", "alice", file}, "alice-pw"), 0);
    const std::string synced = contents(file);
    std::vector<Event> events;
    std::string buffer = synced;
    ASSERT_TRUE(EventFileReader::read(buffer, events, codePage));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_TRUE(phoneHolds({events[0].uid + " From the phone", events[1].uid + " Local"}));
    EXPECT_EQ(events[0].uid, "phone-3");
    // Again: the same file, and the same resources known (the token moves
    // on past this side's own changes).
    const auto resourcesKept = [&file] {
        auto kept = SyncState::parse(contents(SyncState::pathFor(file)));
        kept->syncToken.clear();
        return kept->text();
    };
    const std::string before = resourcesKept();
    ASSERT_EQ(runTool({"--sync", url, "--user", "alice", file}, "alice-pw"), 0);
    EXPECT_EQ(contents(file), synced);
    EXPECT_EQ(resourcesKept(), before);
}

} // namespace
