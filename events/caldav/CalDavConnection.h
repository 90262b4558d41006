#pragma once

#include "CalDavProblem.h"
#include "HttpClient.h"
#include "Url.h"

#include <string>
#include <utility>

// Requests to one calendar account: Basic authentication with the first
// request, redirects followed by hand so that each new address is judged
// again, and no password over plain http except to this computer.
class CalDavConnection {
public:
    CalDavConnection(HttpClient& client, std::string user, std::string password);

    struct Answer {
        // None when the server answered, whatever its status.
        CalDavProblem problem = CalDavProblem::None;
        int status = 0;
        Url url;          // where the answer came from, after redirects
        HttpClient::Headers headers;
        std::string body;
        std::string detail;
        std::string untrustedCertificateSha256; // with UntrustedCertificate

        std::string header(const std::string& name) const
        {
            HttpClient::Response response;
            response.headers = headers;
            return response.header(name);
        }
    };

    static constexpr int maxRedirects = 5;

    // The one certificate beyond the system's trust that this account accepts.
    void trustCertificate(std::string sha256) { trustedCertificateSha256 = std::move(sha256); }

    // The method is kept across redirects, as WebDAV clients do for PROPFIND.
    Answer send(const std::string& method, const Url& url, const HttpClient::Headers& headers,
                const std::string& body);

    // The problem a status other than the one hoped for stands for.
    static CalDavProblem problemOf(int status);
    // The problem of an answer: its own, else the one its status stands for.
    static CalDavProblem problemOf(const Answer& answer);

private:
    HttpClient& client;
    std::string authorization;
    std::string trustedCertificateSha256;
};
