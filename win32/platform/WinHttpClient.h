#pragma once

#include "HttpClient.h"
#include "UniqueHandle.h"

#include <windows.h>

#include <winhttp.h>

struct InternetHandleTraits {
    static HINTERNET invalid() { return nullptr; }
    static void close(HINTERNET handle) { ::WinHttpCloseHandle(handle); }
};
using InternetHandle = UniqueHandle<HINTERNET, InternetHandleTraits>;

// HTTP through WinHTTP, for the program. Synchronous: each send blocks, so
// it belongs on a worker thread; give each thread an instance of its own.
// Certificates are checked as Windows checks them. One the system does not
// trust passes only when its SHA-256 fingerprint is the request's trusted
// one, and that is compared on a bare probe first, so that neither the
// caller's headers (its Authorization) nor the body reach a server whose
// certificate has not been judged. Redirects, authentication and cookies
// are left to the caller.
class WinHttpClient : public HttpClient {
public:
    WinHttpClient();
    Response send(const Request& request) override;

private:
    InternetHandle session;
};
