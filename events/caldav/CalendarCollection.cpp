#include "CalendarCollection.h"

#include "DavNode.h"
#include "MultiStatus.h"
#include "SyncState.h"

#include <algorithm>
#include <optional>

CalendarCollection::CalendarCollection(CalDavConnection& connection_, Url calendar_)
    : connection(connection_), calendar(std::move(calendar_))
{
}

CalendarCollection::Listing CalendarCollection::syncCollection(const std::string& token)
{
    Listing listing;
    const std::string body = std::string(DavNode::declaration) + "<d:sync-collection xmlns:d=\"DAV:\">" +
                             (token.empty() ? "<d:sync-token/>" : "<d:sync-token>" + DavNode::escaped(token) + "</d:sync-token>") +
                             "<d:sync-level>1</d:sync-level><d:prop><d:getetag/></d:prop></d:sync-collection>";
    const auto answer = connection.send(
        "REPORT", calendar, {{"Content-Type", "application/xml; charset=utf-8"}, {"Depth", "0"}}, body);
    listing.status = answer.status;
    if (answer.problem != CalDavProblem::None) {
        listing.problem = answer.problem;
        return listing;
    }
    if (answer.status != 207) {
        // Anything but a refusal or a server's failure (501 is no such
        // report): no sync-collection here.
        const bool refused =
            answer.status == 401 || answer.status == 403 || (answer.status >= 500 && answer.status != 501);
        const bool tokenRefused = (answer.status == 403 || answer.status == 409) && !token.empty() &&
                                  answer.body.find("valid-sync-token") != std::string::npos;
        listing.problem = refused && !tokenRefused ? CalDavConnection::problemOf(answer) : CalDavProblem::Unexpected;
        return listing;
    }
    const auto multiStatus = MultiStatus::read(answer.body);
    const auto root = DavNode::parse(answer.body);
    const DavNode* newToken = root ? root->child(DavNode::dav, "sync-token") : nullptr;
    if (!multiStatus || !newToken) {
        listing.problem = CalDavProblem::Unexpected;
        return listing;
    }
    listing.token = newToken->text();
    listing.complete = token.empty();
    for (const MultiStatus::Resource& resource : multiStatus->resources) {
        const auto url = answer.url.resolve(resource.href);
        if (url && *url == calendar && resource.status == 507)
            listing.truncated = true;
        if (!url || *url == calendar)
            continue;
        const DavNode* etag = resource.property(DavNode::dav, "getetag");
        if (resource.status == 404)
            listing.resources.push_back({url->text(), {}, true});
        else if (etag)
            listing.resources.push_back({url->text(), etag->text(), false});
    }
    return listing;
}

CalendarCollection::Listing CalendarCollection::calendarQuery()
{
    Listing listing;
    const std::string body = std::string(DavNode::declaration) +
                             "<c:calendar-query xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\">"
                             "<d:prop><d:getetag/></d:prop><c:filter><c:comp-filter name=\"VCALENDAR\">"
                             "<c:comp-filter name=\"VEVENT\"/></c:comp-filter></c:filter></c:calendar-query>";
    const auto answer = connection.send(
        "REPORT", calendar, {{"Content-Type", "application/xml; charset=utf-8"}, {"Depth", "1"}}, body);
    listing.status = answer.status;
    const auto multiStatus = answer.status == 207 ? MultiStatus::read(answer.body) : std::nullopt;
    if (answer.problem != CalDavProblem::None || !multiStatus) {
        listing.problem = answer.status == 207 ? CalDavProblem::Unexpected : CalDavConnection::problemOf(answer);
        return listing;
    }
    listing.complete = true;
    for (const MultiStatus::Resource& resource : multiStatus->resources) {
        const auto url = answer.url.resolve(resource.href);
        const DavNode* etag = resource.property(DavNode::dav, "getetag");
        if (url && *url != calendar && etag)
            listing.resources.push_back({url->text(), etag->text(), false});
    }
    return listing;
}

CalendarCollection::Listing CalendarCollection::list(const std::string& token)
{
    Listing listing = syncCollection(token);
    // A token the server no longer knows: everything again, matched by UID.
    if (listing.problem == CalDavProblem::Unexpected && !token.empty())
        listing = syncCollection({});
    if (listing.problem == CalDavProblem::Unexpected)
        listing = calendarQuery();
    // A listing cut short (RFC 6578 3.6) goes on from the token it ends
    // with; what a later part says of a resource is the newer word.
    for (int part = 1; listing.problem == CalDavProblem::None && listing.truncated; ++part) {
        if (part == maxListingParts) {
            listing.problem = CalDavProblem::Unexpected;
            break;
        }
        Listing more = syncCollection(listing.token);
        if (more.problem != CalDavProblem::None) {
            listing.problem = more.problem;
            listing.status = more.status;
            break;
        }
        listing.token = more.token;
        listing.truncated = more.truncated;
        listing.resources.insert(listing.resources.end(), more.resources.begin(), more.resources.end());
    }
    std::map<std::string, std::size_t> last;
    for (std::size_t i = 0; i < listing.resources.size(); ++i)
        last[SyncState::hrefKey(listing.resources[i].href)] = i;
    if (last.size() != listing.resources.size()) {
        std::vector<Listed> newest;
        for (std::size_t i = 0; i < listing.resources.size(); ++i) {
            if (last[SyncState::hrefKey(listing.resources[i].href)] == i)
                newest.push_back(std::move(listing.resources[i]));
        }
        listing.resources = std::move(newest);
    }
    return listing;
}

bool CalendarCollection::multiget(const std::vector<Url>& urls, std::size_t start, std::size_t end,
                                  std::map<std::string, Fetched>& fetched, Fetched& failed, bool& understood)
{
    std::string body = std::string(DavNode::declaration) +
                       "<c:calendar-multiget xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\">"
                       "<d:prop><d:getetag/><c:calendar-data/></d:prop>";
    for (std::size_t i = start; i < end; ++i)
        body += "<d:href>" + DavNode::escaped(urls[i].path()) + "</d:href>";
    body += "</c:calendar-multiget>";
    Fetched answer{
        connection.send("REPORT", calendar, {{"Content-Type", "application/xml; charset=utf-8"}, {"Depth", "1"}}, body),
        {}};
    const int status = answer.answer.status;
    if (answer.answer.problem != CalDavProblem::None || status == 401 || (status >= 500 && status != 501)) {
        failed = std::move(answer);
        return false;
    }
    const auto multiStatus = status == 207 ? MultiStatus::read(answer.answer.body) : std::nullopt;
    understood = multiStatus.has_value();
    if (!multiStatus)
        return true;
    for (const MultiStatus::Resource& resource : multiStatus->resources) {
        const auto url = answer.answer.url.resolve(resource.href);
        if (!url)
            continue;
        const DavNode* data = resource.property(DavNode::caldav, "calendar-data");
        const DavNode* etag = resource.property(DavNode::dav, "getetag");
        Fetched one;
        if (resource.status == 404) {
            one.answer.status = 404;
        } else if (data && etag) {
            one.answer.status = 200;
            one.answer.body = data->text();
            one.etag = etag->text();
        } else {
            continue;
        }
        fetched[SyncState::hrefKey(url->text())] = std::move(one);
    }
    return true;
}

bool CalendarCollection::fetchAll(const std::vector<Url>& urls, std::map<std::string, Fetched>& fetched,
                                  Fetched& failed)
{
    bool useMultiget = urls.size() > 1;
    for (std::size_t start = 0; start < urls.size(); start += multigetBatch) {
        const std::size_t end = std::min(urls.size(), start + multigetBatch);
        // Refused or not understood: each by GET from now on.
        if (useMultiget && !multiget(urls, start, end, fetched, failed, useMultiget))
            return false;
        // What the report left out comes by GET.
        for (std::size_t i = start; i < end; ++i) {
            const std::string key = SyncState::hrefKey(urls[i].text());
            if (fetched.count(key))
                continue;
            Fetched one = fetch(urls[i]);
            if (one.answer.problem != CalDavProblem::None ||
                (one.answer.status != 200 && one.answer.status != 404)) {
                failed = std::move(one);
                return false;
            }
            fetched[key] = std::move(one);
        }
    }
    return true;
}

CalendarCollection::Fetched CalendarCollection::fetch(const Url& url)
{
    Fetched fetched{connection.send("GET", url, {}, {}), {}};
    fetched.etag = fetched.answer.header("ETag");
    return fetched;
}
