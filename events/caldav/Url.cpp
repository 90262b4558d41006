#include "Url.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace {

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::string lowered(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isHostCharacter(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'z') || c == '-' || c == '.' || c == '_';
}

// Four decimal parts of 0-255, nothing else: the only IPv4 spelling taken as
// loopback. "127.1" or "0x7f.0.0.1" reach this computer too, but a refusal is
// the safe answer for an odd spelling.
bool isLoopbackIpv4(const std::string& host)
{
    std::array<unsigned, 4> parts{};
    std::size_t part = 0;
    std::size_t digits = 0;
    for (const char c : host) {
        if (c == '.') {
            if (digits == 0 || ++part == parts.size())
                return false;
            digits = 0;
        } else if (isDigit(c) && digits < 3) {
            parts[part] = parts[part] * 10 + static_cast<unsigned>(c - '0');
            ++digits;
        } else {
            return false;
        }
    }
    return part == 3 && digits > 0 && parts[0] == 127 && parts[1] <= 255 && parts[2] <= 255 && parts[3] <= 255;
}

// Hexadecimal groups split at ':'; false on anything else.
bool readGroups(const std::string& text, std::vector<std::uint32_t>& groups)
{
    if (text.empty())
        return true;
    std::size_t at = 0;
    for (;;) {
        const std::size_t end = std::min(text.find(':', at), text.size());
        if (end == at || end - at > 4)
            return false;
        std::uint32_t value = 0;
        for (std::size_t i = at; i < end; ++i) {
            const char c = text[i];
            const int digit = isDigit(c) ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
            if (digit < 0)
                return false;
            value = value * 16 + static_cast<std::uint32_t>(digit);
        }
        groups.push_back(value);
        if (end == text.size())
            return true;
        at = end + 1;
    }
}

bool isLoopbackIpv6(const std::string& bracketed)
{
    if (bracketed.size() < 2 || bracketed.front() != '[' || bracketed.back() != ']')
        return false;
    const std::string address = bracketed.substr(1, bracketed.size() - 2);
    std::vector<std::uint32_t> head;
    std::vector<std::uint32_t> tail;
    const std::size_t gap = address.find("::");
    if (gap == std::string::npos) {
        if (!readGroups(address, head) || head.size() != 8)
            return false;
    } else if (!readGroups(address.substr(0, gap), head) || !readGroups(address.substr(gap + 2), tail) ||
               head.size() + tail.size() > 7) {
        return false;
    }
    std::vector<std::uint32_t> groups = head;
    groups.resize(8 - tail.size(), 0);
    groups.insert(groups.end(), tail.begin(), tail.end());
    for (std::size_t i = 0; i < 7; ++i) {
        if (groups[i] != 0)
            return false;
    }
    return groups[7] == 1;
}

// "/a/b/../c/./d" is "/a/c/d", as RFC 3986 merges a relative reference.
std::string withoutDotSegments(const std::string& path)
{
    const std::size_t queryAt = path.find('?');
    const std::string plain = path.substr(0, queryAt);
    const std::string query = queryAt == std::string::npos ? std::string{} : path.substr(queryAt);
    std::vector<std::string> segments;
    const auto endsWith = [&plain](const std::string& tail) {
        return plain.size() >= tail.size() && plain.compare(plain.size() - tail.size(), tail.size(), tail) == 0;
    };
    const bool folder = endsWith("/") || endsWith("/.") || endsWith("/..");
    std::size_t at = 1;
    while (at <= plain.size()) {
        const std::size_t end = std::min(plain.find('/', at), plain.size());
        const std::string segment = plain.substr(at, end - at);
        if (segment == "..") {
            if (!segments.empty())
                segments.pop_back();
        } else if (segment != ".") {
            if (end < plain.size() || !segment.empty())
                segments.push_back(segment);
        }
        at = end + 1;
    }
    std::string out;
    for (const auto& segment : segments)
        out += "/" + segment;
    if (out.empty() || folder)
        out += "/";
    return out + query;
}

} // namespace

std::optional<Url> Url::parse(const std::string& text)
{
    std::string rest = trimmed(text);
    rest = rest.substr(0, rest.find('#'));
    Url url;
    const std::size_t schemeEnd = rest.find("://");
    if (schemeEnd == std::string::npos) {
        url.scheme = "https";
    } else {
        url.scheme = lowered(rest.substr(0, schemeEnd));
        rest = rest.substr(schemeEnd + 3);
    }
    if (url.scheme != "http" && url.scheme != "https")
        return std::nullopt;

    const std::size_t authorityEnd = std::min(rest.find_first_of("/?"), rest.size());
    const std::string authority = lowered(rest.substr(0, authorityEnd));
    url.pathPart = rest.substr(authorityEnd);
    if (url.pathPart.empty() || url.pathPart.front() == '?')
        url.pathPart = "/" + url.pathPart;
    for (const char c : url.pathPart) {
        if (static_cast<unsigned char>(c) <= ' ')
            return std::nullopt;
    }

    std::size_t portAt;
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string::npos)
            return std::nullopt;
        url.host = authority.substr(0, close + 1);
        for (std::size_t i = 1; i < close; ++i) {
            const char c = authority[i];
            if (!isDigit(c) && !(c >= 'a' && c <= 'f') && c != ':' && c != '.')
                return std::nullopt;
        }
        portAt = close + 1;
        if (portAt < authority.size() && authority[portAt] != ':')
            return std::nullopt;
    } else {
        portAt = std::min(authority.find(':'), authority.size());
        url.host = authority.substr(0, portAt);
        for (const char c : url.host) {
            if (!isHostCharacter(c))
                return std::nullopt;
        }
    }
    if (url.host.empty() || url.host == "[]")
        return std::nullopt;
    if (portAt < authority.size()) {
        const std::string port = authority.substr(portAt + 1);
        if (port.empty() || port.size() > 5)
            return std::nullopt;
        unsigned long value = 0;
        for (const char c : port) {
            if (!isDigit(c))
                return std::nullopt;
            value = value * 10 + static_cast<unsigned long>(c - '0');
        }
        if (value == 0 || value > 65535)
            return std::nullopt;
        const unsigned long usual = url.secure() ? 443 : 80;
        if (value != usual)
            url.port = std::to_string(value);
    }
    return url;
}

std::optional<Url> Url::resolve(const std::string& reference) const
{
    std::string ref = trimmed(reference);
    ref = ref.substr(0, ref.find('#'));
    if (ref.empty())
        return *this;
    const std::size_t schemeEnd = ref.find("://");
    if (schemeEnd != std::string::npos && schemeEnd < ref.find_first_of("/?"))
        return parse(ref);
    if (ref.compare(0, 2, "//") == 0)
        return parse(scheme + ":" + ref);
    if (ref.front() == '/')
        return withPath(withoutDotSegments(ref));
    const std::string plain = pathPart.substr(0, pathPart.find('?'));
    if (ref.front() == '?')
        return withPath(plain + ref);
    return withPath(withoutDotSegments(plain.substr(0, plain.rfind('/') + 1) + ref));
}

Url Url::withPath(const std::string& newPath) const
{
    Url url = *this;
    url.pathPart = newPath.empty() || newPath.front() != '/' ? "/" + newPath : newPath;
    return url;
}

bool Url::loopback() const
{
    return host == "localhost" || isLoopbackIpv4(host) || isLoopbackIpv6(host);
}

std::string Url::text() const
{
    return scheme + "://" + host + (port.empty() ? "" : ":" + port) + pathPart;
}
