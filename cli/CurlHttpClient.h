#pragma once

#include "HttpClient.h"

// HTTP through libcurl, for the native tools and tests. Certificates are
// checked against the system's store; redirects are left to the caller.
class CurlHttpClient : public HttpClient {
public:
    CurlHttpClient();
    Response send(const Request& request) override;
};
