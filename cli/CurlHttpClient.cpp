#include "CurlHttpClient.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace {

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;
using List = std::unique_ptr<curl_slist, ListDeleter>;

struct Received {
    HttpClient::Response* response;
    std::size_t limit;
    bool tooLarge = false;
};

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user)
{
    auto& received = *static_cast<Received*>(user);
    const std::size_t bytes = size * count;
    if (received.response->body.size() + bytes > received.limit) {
        received.tooLarge = true;
        return 0; // anything else than `bytes` ends the transfer
    }
    received.response->body.append(data, bytes);
    return bytes;
}

std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user)
{
    auto& received = *static_cast<Received*>(user);
    const std::size_t bytes = size * count;
    const std::string line(data, bytes);
    if (line.compare(0, 5, "HTTP/") == 0) {
        // A new status line: an interim answer (100 Continue) came before.
        received.response->headers.clear();
    } else {
        HttpClient::addHeaderLine(line, received.response->headers);
    }
    return bytes;
}

HttpClient::Failure failureOf(CURLcode code)
{
    switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
        return HttpClient::Failure::TimedOut;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
        return HttpClient::Failure::Tls;
    default:
        return HttpClient::Failure::Network;
    }
}

} // namespace

CurlHttpClient::CurlHttpClient()
{
    // Not thread-safe in itself, and needed once for the process.
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

HttpClient::Response CurlHttpClient::send(const Request& request)
{
    Response response;
    const Easy easy(curl_easy_init());
    if (!easy) {
        response.failure = Failure::Network;
        response.detail = "curl_easy_init failed";
        return response;
    }
    List headers;
    for (const auto& [name, value] : request.headers) {
        const std::string line = name + ": " + value;
        curl_slist* longer = curl_slist_append(headers.get(), line.c_str());
        if (!longer) {
            response.failure = Failure::Network;
            response.detail = "out of memory";
            return response;
        }
        headers.release();
        headers.reset(longer);
    }
    // Without this curl waits for a "100 Continue" before a larger body.
    if (curl_slist* longer = curl_slist_append(headers.get(), "Expect:")) {
        headers.release();
        headers.reset(longer);
    }

    Received received{&response, request.maxResponseBytes};
    char error[CURL_ERROR_SIZE] = {};
    CURL* const h = easy.get();
    curl_easy_setopt(h, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    if (request.method == "HEAD")
        curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    if (!request.body.empty()) {
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, request.body.data());
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    }
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(h, CURLOPT_TIMEOUT, static_cast<long>(request.timeoutSeconds));
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, static_cast<long>(request.timeoutSeconds < 10 ? request.timeoutSeconds : 10));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &received);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &received);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, error);

    const CURLcode code = curl_easy_perform(h);
    if (code != CURLE_OK) {
        response.failure = received.tooLarge ? Failure::TooLarge : failureOf(code);
        response.detail = error[0] ? error : curl_easy_strerror(code);
        response.headers.clear();
        response.body.clear();
        return response;
    }
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    response.status = static_cast<int>(status);
    return response;
}
