#pragma once

#include <optional>
#include <string>

// An http or https address, taken apart as far as the calendar client needs:
// where to send, whether credentials may travel, and what a server's
// reference (an href, a Location) points to. Percent escapes stay as the
// server wrote them.
class Url {
public:
    // A complete address; "cal.example.com/dav" without a scheme is https.
    // Nothing else than http and https, no user name in the address.
    static std::optional<Url> parse(const std::string& text);

    // What `reference` points to from here: a whole address, "//host/x",
    // "/x" or a path relative to this one's folder.
    std::optional<Url> resolve(const std::string& reference) const;

    // The same server with another path ("/x", query included).
    Url withPath(const std::string& newPath) const;

    bool secure() const { return scheme == "https"; }
    // 127.0.0.0/8, ::1 or localhost: traffic that never leaves the computer.
    bool loopback() const;
    // A password may be sent over https, and over plain http only to this
    // computer itself.
    bool mayCarryCredentials() const { return secure() || loopback(); }

    const std::string& path() const { return pathPart; }
    std::string text() const;

    friend bool operator==(const Url& a, const Url& b) { return a.text() == b.text(); }
    friend bool operator!=(const Url& a, const Url& b) { return !(a == b); }

private:
    std::string scheme;   // lower case
    std::string host;     // lower case, an IPv6 address in its brackets
    std::string port;     // empty for the scheme's own
    std::string pathPart; // begins with '/'
};
