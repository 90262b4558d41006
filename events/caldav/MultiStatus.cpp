#include "MultiStatus.h"

const DavNode* MultiStatus::Resource::property(const std::string& space, const std::string& local) const
{
    for (const DavNode& node : properties) {
        if (node.is(space, local))
            return &node;
    }
    return nullptr;
}

std::optional<MultiStatus> MultiStatus::read(const std::string& body)
{
    const auto root = DavNode::parse(body);
    if (!root || !root->is(DavNode::dav, "multistatus"))
        return std::nullopt;
    MultiStatus result;
    for (const DavNode* response : root->childrenNamed(DavNode::dav, "response")) {
        Resource resource;
        if (const DavNode* href = response->child(DavNode::dav, "href"))
            resource.href = href->text();
        if (const DavNode* status = response->child(DavNode::dav, "status"))
            resource.status = statusOf(status->text());
        for (const DavNode* propstat : response->childrenNamed(DavNode::dav, "propstat")) {
            const DavNode* status = propstat->child(DavNode::dav, "status");
            const int code = status ? statusOf(status->text()) : 0;
            const DavNode* prop = propstat->child(DavNode::dav, "prop");
            if (code < 200 || code > 299 || !prop)
                continue;
            resource.properties.insert(resource.properties.end(), prop->children.begin(), prop->children.end());
        }
        if (!resource.href.empty())
            result.resources.push_back(std::move(resource));
    }
    return result;
}

int MultiStatus::statusOf(const std::string& line)
{
    const std::size_t space = line.find(' ');
    if (line.compare(0, 5, "HTTP/") != 0 || space == std::string::npos || space + 4 > line.size())
        return 0;
    int code = 0;
    for (std::size_t i = space + 1; i < space + 4; ++i) {
        if (line[i] < '0' || line[i] > '9')
            return 0;
        code = code * 10 + (line[i] - '0');
    }
    if (space + 4 < line.size() && line[space + 4] != ' ')
        return 0;
    return code;
}
