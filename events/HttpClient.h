#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// One HTTP exchange, filled by each platform with its own library and by
// tests with their own. It neither follows redirects nor adds credentials:
// whoever calls decides both, so that the decision is the same everywhere.
class HttpClient {
public:
    using Headers = std::vector<std::pair<std::string, std::string>>;

    struct Request {
        std::string method;
        std::string url;
        Headers headers;
        std::string body;
        int timeoutSeconds = 30;
        std::size_t maxResponseBytes = std::size_t{64} << 20;
        // A certificate the system does not trust is still accepted when
        // its SHA-256 fingerprint (64 upper-case hex digits) is this one:
        // the user trusted exactly that certificate for the account.
        std::string trustedCertificateSha256;
    };

    // Why no answer came; with None, `status` holds the server's answer.
    enum class Failure { None, Network, TimedOut, Tls, TooLarge };

    struct Response {
        Failure failure = Failure::None;
        int status = 0;
        Headers headers;
        std::string body;
        std::string detail; // the library's words for a failure
        // With Failure::Tls, when the only fault was a certificate the
        // system does not trust: its SHA-256 fingerprint, for the user to
        // judge. Empty when the platform cannot tell.
        std::string untrustedCertificateSha256;

        // The first header of that name, compared without case; empty if none.
        std::string header(const std::string& name) const
        {
            for (const auto& [key, value] : headers) {
                if (key.size() == name.size() && sameLetters(key, name))
                    return value;
            }
            return {};
        }

    private:
        static bool sameLetters(const std::string& a, const std::string& b)
        {
            for (std::size_t i = 0; i < a.size(); ++i) {
                if (lower(a[i]) != lower(b[i]))
                    return false;
            }
            return true;
        }
        static char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
    };

    // "Name: value" of a raw header line, blanks and line ends around each
    // trimmed, into `headers`; a line without a colon adds nothing.
    static void addHeaderLine(const std::string& line, Headers& headers)
    {
        const auto colon = line.find(':');
        if (colon != std::string::npos)
            headers.emplace_back(trimmed(line.substr(0, colon)), trimmed(line.substr(colon + 1)));
    }

    virtual ~HttpClient() = default;
    virtual Response send(const Request& request) = 0;

private:
    static std::string trimmed(const std::string& text)
    {
        const auto first = text.find_first_not_of(" \t\r\n");
        if (first == std::string::npos)
            return {};
        return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
    }
};
