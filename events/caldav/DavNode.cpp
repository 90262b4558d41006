#include "DavNode.h"

#include "XmlNestingProbe.h"

#include <tinyxml.h>

#include <algorithm>
#include <utility>

namespace {

using Scope = std::vector<std::pair<std::string, std::string>>; // prefix, URI; the last wins

bool lookUp(const Scope& scope, const std::string& prefix, std::string& uri)
{
    for (auto it = scope.rbegin(); it != scope.rend(); ++it) {
        if (it->first == prefix) {
            uri = it->second;
            return true;
        }
    }
    // Without a default namespace an unprefixed name has none.
    uri.clear();
    return prefix.empty();
}

bool convert(const TiXmlElement& element, Scope scope, DavNode& node)
{
    for (const TiXmlAttribute* a = element.FirstAttribute(); a; a = a->Next()) {
        const std::string key = a->Name();
        if (key == "xmlns")
            scope.emplace_back("", a->ValueStr());
        else if (key.compare(0, 6, "xmlns:") == 0)
            scope.emplace_back(key.substr(6), a->ValueStr());
    }
    const std::string qualified = element.ValueStr();
    const std::size_t colon = qualified.find(':');
    const std::string prefix = colon == std::string::npos ? std::string{} : qualified.substr(0, colon);
    node.name = colon == std::string::npos ? qualified : qualified.substr(colon + 1);
    if (!lookUp(scope, prefix, node.namespaceUri))
        return false;
    for (const TiXmlAttribute* a = element.FirstAttribute(); a; a = a->Next()) {
        const std::string key = a->Name();
        if (key != "xmlns" && key.find(':') == std::string::npos)
            node.attributes.emplace_back(key, a->ValueStr());
    }
    for (const TiXmlNode* child = element.FirstChild(); child; child = child->NextSibling()) {
        if (const TiXmlElement* childElement = child->ToElement()) {
            node.children.emplace_back();
            if (!convert(*childElement, scope, node.children.back()))
                return false;
        } else if (const TiXmlText* text = child->ToText()) {
            node.content += text->ValueStr();
        }
    }
    return true;
}

// The library condenses the white space of text, by a setting of the whole
// process that the event file's reader goes by. Written as character
// references, which it takes as they are, the white space of a text that
// holds more (calendar-data's line ends and folds) comes through.
std::string whiteSpaceKept(const std::string& xml)
{
    const auto white = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::string out;
    out.reserve(xml.size() + xml.size() / 8);
    std::size_t at = 0;
    while (at < xml.size()) {
        if (xml[at] == '<') {
            // Markup as it is; a CDATA section or comment to its own end.
            const std::string end = xml.compare(at, 9, "<![CDATA[") == 0 ? "]]>"
                                    : xml.compare(at, 4, "<!--") == 0    ? "-->"
                                                                         : ">";
            const std::size_t found = xml.find(end, at + 1);
            const std::size_t stop = found == std::string::npos ? xml.size() : found + end.size();
            out.append(xml, at, stop - at);
            at = stop;
            continue;
        }
        const std::size_t stop = std::min(xml.find('<', at), xml.size());
        const bool blank = std::all_of(xml.begin() + static_cast<std::ptrdiff_t>(at),
                                       xml.begin() + static_cast<std::ptrdiff_t>(stop), white);
        for (; at < stop; ++at) {
            if (!blank && white(xml[at]))
                out += "&#" + std::to_string(static_cast<int>(xml[at])) + ";";
            else
                out += xml[at];
        }
    }
    return out;
}

} // namespace

std::optional<DavNode> DavNode::parse(const std::string& xml)
{
    // The library parses by recursion: a hostile server must not get to nest
    // deeply enough to overflow the stack.
    if (!XmlNestingProbe::examine(xml.c_str()).withinLimits)
        return std::nullopt;
    TiXmlDocument document;
    document.Parse(whiteSpaceKept(xml).c_str(), nullptr, TIXML_ENCODING_UTF8);
    const TiXmlElement* root = document.RootElement();
    if (document.Error() || !root)
        return std::nullopt;
    DavNode node;
    if (!convert(*root, {}, node))
        return std::nullopt;
    return node;
}

const DavNode* DavNode::child(const std::string& space, const std::string& local) const
{
    for (const DavNode& node : children) {
        if (node.is(space, local))
            return &node;
    }
    return nullptr;
}

std::vector<const DavNode*> DavNode::childrenNamed(const std::string& space, const std::string& local) const
{
    std::vector<const DavNode*> found;
    for (const DavNode& node : children) {
        if (node.is(space, local))
            found.push_back(&node);
    }
    return found;
}

std::string DavNode::attribute(const std::string& local) const
{
    for (const auto& [key, value] : attributes) {
        if (key == local)
            return value;
    }
    return {};
}

std::string DavNode::text() const
{
    const auto first = content.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return content.substr(first, content.find_last_not_of(" \t\r\n") - first + 1);
}

std::string DavNode::escaped(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += c;
        }
    }
    return out;
}
