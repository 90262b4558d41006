#pragma once

#include "DavNode.h"

#include <optional>
#include <string>
#include <vector>

// A WebDAV 207 Multi-Status answer (RFC 4918): for each resource its href and
// the properties the server found, those it did not find left out.
class MultiStatus {
public:
    struct Resource {
        std::string href;                // as the server wrote it
        int status = 0;                  // the resource's own status, when given instead of properties
        std::vector<DavNode> properties; // found ones only (a 2xx propstat)

        const DavNode* property(const std::string& space, const std::string& local) const;
    };

    // Nothing when the body is not a multistatus document.
    static std::optional<MultiStatus> read(const std::string& body);

    // "HTTP/1.1 404 Not Found" is 404; 0 for anything else.
    static int statusOf(const std::string& line);

    std::vector<Resource> resources;
};
