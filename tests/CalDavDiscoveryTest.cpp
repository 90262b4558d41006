// Discovery against a real CalDAV server: Debian's Radicale on a loopback
// port, with python3-caldav making calendars the way a phone would.

#include "CalDavDiscovery.h"
#include "CurlHttpClient.h"
#include "RadicaleServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>

namespace {

// Passes requests on to the real client, noting their methods, and answers
// 405 itself for the methods a server of another make would not know.
class RecordingClient : public HttpClient {
public:
    explicit RecordingClient(std::set<std::string> unknown = {}) : unknownMethods(std::move(unknown)) {}

    Response send(const Request& request) override
    {
        methods.push_back(request.method);
        if (unknownMethods.count(request.method)) {
            Response refused;
            refused.status = 405;
            return refused;
        }
        return curl.send(request);
    }

    std::vector<std::string> methods;

private:
    CurlHttpClient curl;
    std::set<std::string> unknownMethods;
};

std::vector<std::string> namesOf(const std::vector<CalDavCalendar>& calendars)
{
    std::vector<std::string> names;
    for (const auto& calendar : calendars)
        names.push_back(calendar.displayName);
    std::sort(names.begin(), names.end());
    return names;
}

class CalDavDiscoveryTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = std::make_unique<RadicaleServer>(RadicaleServer::Users{
            {"alice", "alice-pw"}, {"bob", "bob-pw"}, {"carol", "carol-pw"}});
        ASSERT_TRUE(server->runPython(R"(
import sys, caldav
phone = caldav.DAVClient(sys.argv[1] + "/", username="alice", password="alice-pw").principal()
phone.make_calendar(name="Work", cal_id="work", supported_calendar_component_set=["VEVENT"])
phone.make_calendar(name="Family & Friends", cal_id="family", supported_calendar_component_set=["VEVENT", "VTODO"])
phone.make_calendar(name="Chores", cal_id="chores", supported_calendar_component_set=["VTODO"])
)"));
    }
    static void TearDownTestSuite() { server.reset(); }

    static CalDavDiscovery::Result discover(HttpClient& client, const std::string& address, const std::string& user,
                                            const std::string& password)
    {
        CalDavConnection connection(client, user, password);
        return CalDavDiscovery(connection).discover(address);
    }

    static std::unique_ptr<RadicaleServer> server;
};

std::unique_ptr<RadicaleServer> CalDavDiscoveryTest::server;

TEST_F(CalDavDiscoveryTest, FindsTheEventCalendarsFromAServerOrACalendarAddress)
{
    const std::string root = server->address();
    const struct {
        std::string address;
        std::string given;
    } cases[] = {
        {root, ""},
        {root + "/", ""},
        {root + "/.well-known/caldav", ""},
        {root + "/alice/", ""},
        {root + "/alice/work/", root + "/alice/work/"},
        {"  " + root + "/alice/family  ", root + "/alice/family/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        CurlHttpClient client;
        const auto result = discover(client, c.address, "alice", "alice-pw");
        ASSERT_EQ(result.problem, CalDavProblem::None) << result.status;
        EXPECT_EQ(result.principal, root + "/alice/");
        EXPECT_EQ(result.home, root + "/alice/");
        EXPECT_EQ(result.given, c.given);
        // The tasks-only calendar is no place for events.
        EXPECT_EQ(namesOf(result.calendars), (std::vector<std::string>{"Family & Friends", "Work"}));
        for (const auto& calendar : result.calendars) {
            EXPECT_TRUE(calendar.url == root + "/alice/work/" || calendar.url == root + "/alice/family/")
                << calendar.url;
            EXPECT_TRUE(calendar.syncCollection);
            EXPECT_FALSE(calendar.syncToken.empty());
            EXPECT_FALSE(calendar.ctag.empty());
        }
    }
}

TEST_F(CalDavDiscoveryTest, CreatesVellumereBesideACalendarOfTheSameName)
{
    const struct {
        std::string user;
        std::set<std::string> unknownMethods;
        std::string methodUsed;
    } cases[] = {
        {"bob", {}, "MKCALENDAR"},
        {"carol", {"MKCALENDAR"}, "MKCOL"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.user);
        const std::string password = c.user + "-pw";
        RecordingClient client(c.unknownMethods);
        CalDavConnection connection(client, c.user, password);
        CalDavDiscovery discovery(connection);
        const auto found = discovery.discover(server->address());
        ASSERT_EQ(found.problem, CalDavProblem::None);
        EXPECT_TRUE(found.calendars.empty());

        const auto first = discovery.createCalendar(found.home, "Vellumere");
        const auto second = discovery.createCalendar(found.home, "Vellumere");
        ASSERT_EQ(first.problem, CalDavProblem::None) << first.status;
        ASSERT_EQ(second.problem, CalDavProblem::None) << second.status;
        EXPECT_NE(first.calendar.url, second.calendar.url);
        EXPECT_EQ(first.calendar.displayName, "Vellumere");
        EXPECT_NE(std::find(client.methods.begin(), client.methods.end(), c.methodUsed), client.methods.end());

        EXPECT_EQ(namesOf(discovery.discover(server->address()).calendars),
                  (std::vector<std::string>{"Vellumere", "Vellumere"}));
        // The other client sees two calendars for events, both named so.
        EXPECT_TRUE(server->runPython(R"(
import sys, caldav
user = ")" + c.user + R"("
phone = caldav.DAVClient(sys.argv[1] + "/", username=user, password=user + "-pw").principal()
calendars = phone.calendars()
assert sorted(c.name for c in calendars) == ["Vellumere", "Vellumere"], [c.name for c in calendars]
assert all("VEVENT" in c.get_supported_components() for c in calendars)
)"));
    }
}

TEST_F(CalDavDiscoveryTest, TellsWhyNothingWasFound)
{
    RadicaleServer stopped(RadicaleServer::Users{{"alice", "alice-pw"}});
    stopped.stop();
    const struct {
        const char* name;
        std::string address;
        std::string password;
        CalDavProblem problem;
        bool sent;
    } cases[] = {
        {"wrong password", server->address(), "wrong", CalDavProblem::Refused, true},
        {"stopped server", stopped.address(), "alice-pw", CalDavProblem::Network, true},
        {"plain http to another computer", "http://192.0.2.7/", "alice-pw", CalDavProblem::Insecure, false},
        {"plain http to a name", "http://cal.example.com:5232/alice/", "alice-pw", CalDavProblem::Insecure, false},
        {"not http", "ftp://cal.example.com/", "alice-pw", CalDavProblem::BadAddress, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingClient client;
        const auto result = discover(client, c.address, "alice", c.password);
        EXPECT_EQ(result.problem, c.problem);
        EXPECT_EQ(!client.methods.empty(), c.sent);
        EXPECT_TRUE(result.calendars.empty());
    }
}

} // namespace
