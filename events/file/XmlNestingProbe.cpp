#include "XmlNestingProbe.h"

#include <cstring>
#include <vector>

// Each step below follows the library's function of the same name; a null
// pointer means that the library's function fails at that point.
namespace {

struct Span {
    const char* start;
    std::size_t length;
    bool operator==(const Span& other) const
    {
        return length == other.length && std::memcmp(start, other.start, length) == 0;
    }
};

bool isWhiteSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool isAlpha(unsigned char c)
{
    return c >= 127 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isAlphaNum(unsigned char c)
{
    return isAlpha(c) || (c >= '0' && c <= '9');
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Unlike its name suggests, this gives null at the end of the text.
const char* skipWhiteSpace(const char* p)
{
    if (!p || !*p)
        return nullptr;
    while (*p && isWhiteSpace(*p))
        ++p;
    return p;
}

bool startsWith(const char* p, const char* tag, std::size_t length, bool ignoreCase = false)
{
    if (!p || !*p)
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        if (!p[i])
            return false;
        if (ignoreCase ? asciiLower(p[i]) != asciiLower(tag[i]) : p[i] != tag[i])
            return false;
    }
    return true;
}

template <std::size_t N>
bool startsWith(const char* p, const char (&tag)[N], bool ignoreCase = false)
{
    return startsWith(p, tag, N - 1, ignoreCase);
}

const char* readName(const char* p, Span* name)
{
    if (!p || !*p || !(isAlpha(static_cast<unsigned char>(*p)) || *p == '_'))
        return nullptr;
    const char* start = p;
    while (*p && (isAlphaNum(static_cast<unsigned char>(*p)) || *p == '_' || *p == '-' || *p == '.' || *p == ':'))
        ++p;
    if (name)
        *name = Span{start, static_cast<std::size_t>(p - start)};
    return p;
}

const char* getEntity(const char* p)
{
    if (p[1] == '#' && p[2]) {
        const bool hex = p[2] == 'x';
        if (hex && !p[3])
            return nullptr;
        const char* semicolon = std::strchr(p + (hex ? 3 : 2), ';');
        if (!semicolon)
            return nullptr;
        for (const char* q = semicolon - 1; *q != (hex ? 'x' : '#'); --q) {
            if (hex ? !isHexDigit(*q) : !(*q >= '0' && *q <= '9'))
                return nullptr;
        }
        return semicolon + 1;
    }
    if (startsWith(p, "&amp;") || startsWith(p, "&lt;") || startsWith(p, "&gt;") || startsWith(p, "&quot;")
        || startsWith(p, "&apos;"))
        return std::strchr(p, ';') + 1;
    return p + 1;
}

// Reads a value up to `end`, decoding references on the way. Only '&' and the
// end character change anything, so the scan jumps from one to the next.
const char* readText(const char* p, char end, bool trimWhiteSpace)
{
    const char stops[] = {end, '&', '\0'};
    if (trimWhiteSpace)
        p = skipWhiteSpace(p);
    while (p && *p && *p != end) {
        p += std::strcspn(p, stops);
        if (*p == '&')
            p = getEntity(p);
    }
    if (p && *p)
        ++p;
    return (p && *p) ? p : nullptr;
}

const char* parseText(const char* p)
{
    p = readText(p, '<', true);
    return (p && *p) ? p - 1 : nullptr;
}

// Skips to `end` or to the end of the text.
const char* skipTo(const char* p, const char* end)
{
    const char* found = std::strstr(p, end);
    return found ? found : p + std::strlen(p);
}

const char* parseCData(const char* p)
{
    p = skipTo(p + std::strlen("<![CDATA["), "]]>");
    if (!*p)
        return nullptr;
    p += 3;
    return *p ? p : nullptr;
}

const char* parseComment(const char* p)
{
    p = skipTo(p + std::strlen("<!--"), "-->");
    return *p ? p + 3 : p;
}

const char* parseUnknown(const char* p)
{
    p = skipTo(p + 1, ">");
    return *p ? p + 1 : p;
}

const char* parseAttribute(const char* p, Span* name)
{
    p = skipWhiteSpace(p);
    if (!p || !*p)
        return nullptr;
    p = readName(p, name);
    if (!p || !*p)
        return nullptr;
    p = skipWhiteSpace(p);
    if (!p || !*p || *p != '=')
        return nullptr;
    p = skipWhiteSpace(p + 1);
    if (!p || !*p)
        return nullptr;
    if (*p == '\'' || *p == '"')
        return readText(p + 1, *p, false);
    while (*p && !isWhiteSpace(*p) && *p != '/' && *p != '>') {
        if (*p == '\'' || *p == '"')
            return nullptr;
        ++p;
    }
    return p;
}

const char* parseDeclaration(const char* p)
{
    p += 5; // "<?xml", matched without regard to case
    while (p && *p) {
        if (*p == '>')
            return p + 1;
        p = skipWhiteSpace(p);
        if (!p || !*p)
            break;
        if (startsWith(p, "version", true) || startsWith(p, "encoding", true) || startsWith(p, "standalone", true)) {
            p = parseAttribute(p, nullptr);
        } else {
            while (*p && *p != '>' && !isWhiteSpace(*p))
                ++p;
        }
    }
    return nullptr;
}

enum class NodeKind { Declaration, Comment, CData, Unknown, Element };

NodeKind identify(const char* p)
{
    if (startsWith(p, "<?xml", true))
        return NodeKind::Declaration;
    if (startsWith(p, "<!--"))
        return NodeKind::Comment;
    if (startsWith(p, "<![CDATA["))
        return NodeKind::CData;
    if (startsWith(p, "<!"))
        return NodeKind::Unknown;
    if (isAlpha(static_cast<unsigned char>(p[1])) || p[1] == '_')
        return NodeKind::Element;
    return NodeKind::Unknown;
}

const char* parseLeaf(NodeKind kind, const char* p)
{
    switch (kind) {
    case NodeKind::Declaration:
        return parseDeclaration(p);
    case NodeKind::Comment:
        return parseComment(p);
    case NodeKind::CData:
        return parseCData(p);
    case NodeKind::Unknown:
    case NodeKind::Element:
        break;
    }
    return parseUnknown(p);
}

class Walker {
public:
    XmlNestingProbe::Result result;

    // Parses one element that starts at `p` (a '<'), with everything nested
    // in it; gives the position after it, or null where the library fails.
    const char* parseElement(const char* p)
    {
        p = startElement(p);
        while (p && !open.empty()) {
            // The loop of the library's ReadValue, for the innermost open element.
            p = skipWhiteSpace(p);
            if (!p || !*p)
                return nullptr;
            if (*p != '<') {
                p = parseText(p);
            } else if (startsWith(p, "</")) {
                p = endElement(p);
            } else {
                const NodeKind kind = identify(p);
                p = kind == NodeKind::Element ? startElement(p) : parseLeaf(kind, p);
            }
        }
        return p;
    }

private:
    std::vector<Span> open;       // the names of the elements being parsed
    std::vector<Span> attributes; // of the start tag being read

    // Reads a start tag. An empty-element tag ends the element at once;
    // otherwise the element stays open for its content.
    const char* startElement(const char* p)
    {
        if (static_cast<int>(open.size()) + 1 > XmlNestingProbe::maxDepth) {
            result.withinLimits = false;
            return nullptr;
        }
        Span name{};
        p = skipWhiteSpace(p + 1);
        p = readName(p, &name);
        if (!p || !*p)
            return nullptr;
        const int depth = static_cast<int>(open.size()) + 1;
        if (depth > result.deepest)
            result.deepest = depth;
        attributes.clear();
        for (;;) {
            p = skipWhiteSpace(p);
            if (!p || !*p)
                return nullptr;
            if (*p == '/')
                return p[1] == '>' ? p + 2 : nullptr;
            if (*p == '>') {
                open.push_back(name);
                return p + 1;
            }
            Span attribute{};
            p = parseAttribute(p, &attribute);
            if (!p || !*p)
                return nullptr;
            for (const Span& seen : attributes) {
                if (seen == attribute)
                    return nullptr;
            }
            if (attributes.size() == XmlNestingProbe::maxAttributesPerElement) {
                result.withinLimits = false;
                return nullptr;
            }
            attributes.push_back(attribute);
        }
    }

    // At "</": the end tag must name the innermost open element.
    const char* endElement(const char* p)
    {
        const Span& name = open.back();
        if (!startsWith(p + 2, name.start, name.length))
            return nullptr;
        p = skipWhiteSpace(p + 2 + name.length);
        if (!p || *p != '>')
            return nullptr;
        open.pop_back();
        return p + 1;
    }
};

} // namespace

XmlNestingProbe::Result XmlNestingProbe::examine(const char* text)
{
    Walker walker;
    const char* p = skipWhiteSpace(text);
    bool anyNode = false;
    bool failed = false;
    bool rootSeen = false;
    bool afterRoot = false;
    while (p && *p && *p == '<') {
        anyNode = true;
        const NodeKind kind = identify(p);
        if (rootSeen) {
            // A processing instruction is an unknown node to the library.
            const bool instruction = kind == NodeKind::Unknown && p[1] == '?';
            if (kind != NodeKind::Comment && !instruction)
                afterRoot = true;
        }
        if (kind == NodeKind::Element) {
            p = walker.parseElement(p);
            if (!p) {
                // Only an element's failure is an error at this level.
                failed = true;
                break;
            }
            rootSeen = true;
        } else {
            p = parseLeaf(kind, p);
        }
        p = skipWhiteSpace(p);
    }
    if (rootSeen && p && *p)
        afterRoot = true; // text, where the library stops reading
    Result result = walker.result;
    result.wellFormed = anyNode && !failed && result.withinLimits;
    result.contentAfterRoot = afterRoot;
    return result;
}
