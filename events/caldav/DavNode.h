#pragma once

#include <optional>
#include <string>
#include <vector>

// An element of a WebDAV answer with its namespace resolved: servers pick
// their own prefixes ("D:", "d:", none at all with a default namespace), so
// an element is known by its namespace's URI and its local name only.
class DavNode {
public:
    static constexpr const char* dav = "DAV:";
    static constexpr const char* caldav = "urn:ietf:params:xml:ns:caldav";
    static constexpr const char* calendarServer = "http://calendarserver.org/ns/";
    // What a request's body begins with.
    static constexpr const char* declaration = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";

    // `text` as the content of an element of a request: UTF-8 stays as it is.
    static std::string escaped(const std::string& text);

    // The document's root element, or nothing for text that is not
    // well-formed XML, nests too deeply, or uses a prefix it never declared.
    static std::optional<DavNode> parse(const std::string& xml);

    const DavNode* child(const std::string& space, const std::string& local) const;
    std::vector<const DavNode*> childrenNamed(const std::string& space, const std::string& local) const;
    // An attribute without a prefix; empty if there is none.
    std::string attribute(const std::string& local) const;
    // The text directly inside, without the white space around it.
    std::string text() const;

    bool is(const std::string& space, const std::string& local) const
    {
        return namespaceUri == space && name == local;
    }

    std::string namespaceUri;
    std::string name;
    std::string content;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<DavNode> children;
};
