#include "CalDavConnection.h"

#include <utility>

namespace {

unsigned byteAt(const std::string& bytes, std::size_t at)
{
    return at < bytes.size() ? static_cast<unsigned char>(bytes[at]) : 0u;
}

std::string base64(const std::string& bytes)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const unsigned n = byteAt(bytes, i) << 16 | byteAt(bytes, i + 1) << 8 | byteAt(bytes, i + 2);
        out += alphabet[n >> 18];
        out += alphabet[(n >> 12) & 63];
        out += i + 1 < bytes.size() ? alphabet[(n >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? alphabet[n & 63] : '=';
    }
    return out;
}

CalDavProblem problemOfFailure(HttpClient::Failure failure)
{
    switch (failure) {
    case HttpClient::Failure::None: return CalDavProblem::None;
    case HttpClient::Failure::TimedOut: return CalDavProblem::TimedOut;
    case HttpClient::Failure::Tls: return CalDavProblem::Tls;
    case HttpClient::Failure::TooLarge: return CalDavProblem::TooLarge;
    case HttpClient::Failure::Network: break;
    }
    return CalDavProblem::Network;
}

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

} // namespace

CalDavConnection::CalDavConnection(HttpClient& client_, std::string user, std::string password)
    : client(client_), authorization(user.empty() ? std::string{} : "Basic " + base64(user + ":" + password))
{
}

CalDavConnection::Answer CalDavConnection::send(const std::string& method, const Url& url,
                                                const HttpClient::Headers& headers, const std::string& body)
{
    Answer answer;
    answer.url = url;
    for (int redirects = 0;; ++redirects) {
        if (!authorization.empty() && !answer.url.mayCarryCredentials()) {
            answer.problem = CalDavProblem::Insecure;
            return answer;
        }
        HttpClient::Request request;
        request.method = method;
        request.url = answer.url.text();
        request.headers = headers;
        request.body = body;
        request.trustedCertificateSha256 = trustedCertificateSha256;
        if (!authorization.empty())
            request.headers.emplace_back("Authorization", authorization);
        HttpClient::Response response = client.send(request);
        answer.problem = problemOfFailure(response.failure);
        answer.status = response.status;
        answer.headers = response.headers;
        answer.body = std::move(response.body);
        answer.detail = std::move(response.detail);
        if (answer.problem == CalDavProblem::Tls && !response.untrustedCertificateSha256.empty()) {
            answer.problem = CalDavProblem::UntrustedCertificate;
            answer.untrustedCertificateSha256 = std::move(response.untrustedCertificateSha256);
        }
        if (answer.problem != CalDavProblem::None || !isRedirect(response.status))
            return answer;
        const auto target = answer.url.resolve(response.header("Location"));
        if (redirects == maxRedirects || !target || response.header("Location").empty()) {
            answer.problem = CalDavProblem::Unexpected;
            return answer;
        }
        answer.url = *target;
    }
}

CalDavProblem CalDavConnection::problemOf(int status)
{
    if (status == 401 || status == 403)
        return CalDavProblem::Refused;
    if (status >= 500 && status <= 599)
        return CalDavProblem::ServerError;
    return CalDavProblem::Unexpected;
}

CalDavProblem CalDavConnection::problemOf(const Answer& answer)
{
    return answer.problem != CalDavProblem::None ? answer.problem : problemOf(answer.status);
}
