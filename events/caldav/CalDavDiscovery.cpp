#include "CalDavDiscovery.h"

#include "ValueText.h"

#include <set>

namespace {

const char* const calendarProperties = "<d:resourcetype/><d:displayname/><c:supported-calendar-component-set/>"
                                       "<cs:getctag/><d:sync-token/><d:supported-report-set/>";

const HttpClient::Headers xmlBody = {{"Content-Type", "application/xml; charset=utf-8"}};

std::string propfindBody(const std::string& properties)
{
    return std::string(DavNode::declaration) +
           "<d:propfind xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\" "
           "xmlns:cs=\"http://calendarserver.org/ns/\"><d:prop>" +
           properties + "</d:prop></d:propfind>";
}

// The properties a new calendar is made with, for MKCALENDAR's and MKCOL's bodies alike.
std::string newCalendarProperties(const std::string& displayName, bool withResourceType)
{
    return std::string("<d:set><d:prop>") +
           (withResourceType ? "<d:resourcetype><d:collection/><c:calendar/></d:resourcetype>" : "") +
           "<d:displayname>" + DavNode::escaped(displayName) +
           "</d:displayname><c:supported-calendar-component-set><c:comp name=\"VEVENT\"/>"
           "</c:supported-calendar-component-set></d:prop></d:set>";
}

std::string firstHref(const DavNode* property)
{
    const DavNode* href = property ? property->child(DavNode::dav, "href") : nullptr;
    return href ? href->text() : std::string{};
}

bool isCalendar(const MultiStatus::Resource& resource)
{
    const DavNode* type = resource.property(DavNode::dav, "resourcetype");
    return type && type->child(DavNode::caldav, "calendar");
}

// A calendar that names no components takes every kind (RFC 4791, 5.2.3).
bool holdsEvents(const MultiStatus::Resource& resource)
{
    const DavNode* set = resource.property(DavNode::caldav, "supported-calendar-component-set");
    if (!set)
        return true;
    for (const DavNode* comp : set->childrenNamed(DavNode::caldav, "comp")) {
        if (ValueText::sameText(comp->attribute("name"), "VEVENT"))
            return true;
    }
    return false;
}

bool offersSyncCollection(const MultiStatus::Resource& resource)
{
    const DavNode* reports = resource.property(DavNode::dav, "supported-report-set");
    if (!reports)
        return false;
    for (const DavNode* supported : reports->childrenNamed(DavNode::dav, "supported-report")) {
        const DavNode* report = supported->child(DavNode::dav, "report");
        if (report && report->child(DavNode::dav, "sync-collection"))
            return true;
    }
    return false;
}

std::string segmentFor(const std::string& displayName)
{
    std::string segment;
    for (const char c : displayName) {
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            segment += c;
        else if (c >= 'A' && c <= 'Z')
            segment += static_cast<char>(c - 'A' + 'a');
    }
    return segment.empty() ? "calendar" : segment;
}

} // namespace

CalDavDiscovery::CalDavDiscovery(CalDavConnection& connection_) : connection(connection_) {}

CalDavDiscovery::Step CalDavDiscovery::propfind(const Url& url, const char* depth, const std::string& properties)
{
    HttpClient::Headers headers = xmlBody;
    headers.emplace_back("Depth", depth);
    Step step{connection.send("PROPFIND", url, headers, propfindBody(properties)), std::nullopt};
    if (step.answer.problem == CalDavProblem::None && step.answer.status == 207)
        step.multiStatus = MultiStatus::read(step.answer.body);
    return step;
}

std::optional<CalDavCalendar> CalDavDiscovery::calendarOf(const Url& base, const MultiStatus::Resource& resource) const
{
    const auto url = base.resolve(resource.href);
    if (!url || !isCalendar(resource) || !holdsEvents(resource))
        return std::nullopt;
    CalDavCalendar calendar;
    calendar.url = url->text();
    if (const DavNode* name = resource.property(DavNode::dav, "displayname"))
        calendar.displayName = name->text();
    if (const DavNode* ctag = resource.property(DavNode::calendarServer, "getctag"))
        calendar.ctag = ctag->text();
    if (const DavNode* token = resource.property(DavNode::dav, "sync-token"))
        calendar.syncToken = token->text();
    calendar.syncCollection = offersSyncCollection(resource);
    return calendar;
}

CalDavDiscovery::Result CalDavDiscovery::discover(const std::string& address)
{
    Result result;
    // True, with the result's problem set, when a step gave no multistatus.
    const auto failed = [&result](const Step& step) {
        result.status = step.answer.status;
        if (step.answer.problem != CalDavProblem::None)
            result.problem = step.answer.problem;
        else if (!step.multiStatus || step.multiStatus->resources.empty())
            result.problem = step.answer.status == 207 ? CalDavProblem::Unexpected
                                                       : CalDavConnection::problemOf(step.answer.status);
        return result.problem != CalDavProblem::None;
    };

    const auto start = Url::parse(address);
    if (!start) {
        result.problem = CalDavProblem::BadAddress;
        return result;
    }
    std::vector<Url> candidates;
    if (start->path() != "/")
        candidates.push_back(*start);
    candidates.push_back(start->withPath("/.well-known/caldav"));
    candidates.push_back(start->withPath("/"));

    std::optional<CalDavCalendar> given;
    std::optional<Url> principal;
    std::optional<Url> home;
    for (const Url& candidate : candidates) {
        const Step step = propfind(candidate, "0", "<d:current-user-principal/><c:calendar-home-set/>" +
                                                       std::string(calendarProperties));
        if (failed(step)) {
            // A server that is away, or turns the password down, is so for every candidate.
            if (step.answer.problem != CalDavProblem::None || result.problem == CalDavProblem::Refused)
                return result;
            result.problem = CalDavProblem::None;
            continue;
        }
        const MultiStatus::Resource& resource = step.multiStatus->resources.front();
        if (!given)
            given = calendarOf(step.answer.url, resource);
        const std::string homeHref = firstHref(resource.property(DavNode::caldav, "calendar-home-set"));
        if (!homeHref.empty())
            home = step.answer.url.resolve(homeHref);
        const std::string principalHref = firstHref(resource.property(DavNode::dav, "current-user-principal"));
        if (!principalHref.empty()) {
            principal = step.answer.url.resolve(principalHref);
            if (principal)
                break;
        }
    }

    if (principal && !home) {
        const Step step = propfind(*principal, "0", "<c:calendar-home-set/>");
        if (failed(step))
            return result;
        const std::string homeHref =
            firstHref(step.multiStatus->resources.front().property(DavNode::caldav, "calendar-home-set"));
        if (!homeHref.empty())
            home = step.answer.url.resolve(homeHref);
    }
    if (principal)
        result.principal = principal->text();
    if (given)
        result.given = given->url;

    if (home) {
        result.home = home->text();
        const Step step = propfind(*home, "1", calendarProperties);
        // A calendar shared with the user may be all the user can see.
        if (failed(step) && !given)
            return result;
        result.problem = CalDavProblem::None;
        if (step.multiStatus) {
            for (const MultiStatus::Resource& resource : step.multiStatus->resources) {
                if (auto calendar = calendarOf(step.answer.url, resource))
                    result.calendars.push_back(std::move(*calendar));
            }
        }
    }
    if (given) {
        bool listed = false;
        for (const CalDavCalendar& calendar : result.calendars)
            listed = listed || calendar.url == given->url;
        if (!listed)
            result.calendars.push_back(*given);
    }
    if (result.calendars.empty() && !home) {
        result.problem = CalDavProblem::NoCalendars;
    } else {
        result.status = 0;
    }
    return result;
}

CalDavDiscovery::Created CalDavDiscovery::createCalendar(const std::string& home, const std::string& displayName)
{
    Created created;
    auto homeUrl = Url::parse(home);
    if (!homeUrl) {
        created.problem = CalDavProblem::BadAddress;
        return created;
    }
    if (homeUrl->path().back() != '/')
        homeUrl = homeUrl->withPath(homeUrl->path() + "/");

    // A fresh name beside what the home already holds, since a server that
    // lacks MKCALENDAR answers 405 just as one whose address is taken may.
    const Step listing = propfind(*homeUrl, "1", "<d:resourcetype/>");
    created.status = listing.answer.status;
    if (listing.answer.problem != CalDavProblem::None || !listing.multiStatus) {
        created.problem = listing.answer.problem != CalDavProblem::None
                              ? listing.answer.problem
                              : CalDavConnection::problemOf(listing.answer.status);
        return created;
    }
    std::set<std::string> taken;
    for (const MultiStatus::Resource& resource : listing.multiStatus->resources) {
        if (const auto url = listing.answer.url.resolve(resource.href))
            taken.insert(url->text());
    }
    const std::string segment = segmentFor(displayName);
    Url target = *homeUrl;
    for (int n = 1;; ++n) {
        target = homeUrl->withPath(homeUrl->path() + segment + (n > 1 ? "-" + std::to_string(n) : "") + "/");
        if (!taken.count(target.text()) && !taken.count(target.text().substr(0, target.text().size() - 1)))
            break;
    }

    const std::string namespaces = " xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\">";
    auto answer = connection.send("MKCALENDAR", target, xmlBody,
                                  std::string(DavNode::declaration) + "<c:mkcalendar" + namespaces +
                                      newCalendarProperties(displayName, false) + "</c:mkcalendar>");
    if (answer.problem == CalDavProblem::None && (answer.status == 405 || answer.status == 501))
        answer = connection.send("MKCOL", target, xmlBody,
                                 std::string(DavNode::declaration) + "<d:mkcol" + namespaces +
                                     newCalendarProperties(displayName, true) + "</d:mkcol>");
    created.status = answer.status;
    if (answer.problem != CalDavProblem::None || answer.status < 200 || answer.status > 299) {
        created.problem =
            answer.problem != CalDavProblem::None ? answer.problem : CalDavConnection::problemOf(answer.status);
        return created;
    }

    // Read back as any calendar is, so that what the caller keeps is what the server made.
    const Step check = propfind(answer.url, "0", calendarProperties);
    std::optional<CalDavCalendar> calendar;
    if (check.multiStatus && !check.multiStatus->resources.empty())
        calendar = calendarOf(check.answer.url, check.multiStatus->resources.front());
    if (!calendar) {
        created.problem = CalDavProblem::Unexpected;
        created.calendar.url = target.text();
        return created;
    }
    created.calendar = *calendar;
    created.status = 0;
    return created;
}
