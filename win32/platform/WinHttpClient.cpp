#include "WinHttpClient.h"

#include "WideText.h"

#include <bcrypt.h>
#include <wincrypt.h>

#include <chrono>
#include <vector>

namespace {

struct CertificateTraits {
    static PCCERT_CONTEXT invalid() { return nullptr; }
    static void close(PCCERT_CONTEXT certificate) { ::CertFreeCertificateContext(certificate); }
};
using Certificate = UniqueHandle<PCCERT_CONTEXT, CertificateTraits>;

struct AlgorithmTraits {
    static BCRYPT_ALG_HANDLE invalid() { return nullptr; }
    static void close(BCRYPT_ALG_HANDLE algorithm) { ::BCryptCloseAlgorithmProvider(algorithm, 0); }
};
using Algorithm = UniqueHandle<BCRYPT_ALG_HANDLE, AlgorithmTraits>;

struct HashTraits {
    static BCRYPT_HASH_HANDLE invalid() { return nullptr; }
    static void close(BCRYPT_HASH_HANDLE hash) { ::BCryptDestroyHash(hash); }
};
using Hash = UniqueHandle<BCRYPT_HASH_HANDLE, HashTraits>;

using Clock = std::chrono::steady_clock;

constexpr DWORD readStep = 64 * 1024;

// The faults of a certificate that the system does not trust and the user
// may: an unknown issuer (a self-signed one), another name, an expired one.
constexpr DWORD ignoredCertificateFaults = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID |
                                           SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE;

bool isTlsError(DWORD error)
{
    switch (error) {
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
    case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
        return true;
    default:
        return false;
    }
}

// Windows says SECURE_FAILURE with the fault in a callback's flags; Wine
// says SECURE_CHANNEL_ERROR for a self-signed certificate. Either may be an
// untrusted certificate alone, which a probe that ignores those faults tells.
bool mayBeUntrustedCertificate(DWORD error)
{
    return error == ERROR_WINHTTP_SECURE_FAILURE || error == ERROR_WINHTTP_SECURE_CHANNEL_ERROR ||
           error == ERROR_WINHTTP_SECURE_INVALID_CA || error == ERROR_WINHTTP_SECURE_CERT_DATE_INVALID ||
           error == ERROR_WINHTTP_SECURE_CERT_CN_INVALID || error == ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE;
}

HttpClient::Response failed(HttpClient::Failure failure, DWORD error, const char* step)
{
    HttpClient::Response response;
    response.failure = failure;
    response.detail = step;
    if (error == ERROR_SUCCESS)
        return response;
    response.detail += ": WinHTTP error " + std::to_string(error);
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM |
            FORMAT_MESSAGE_IGNORE_INSERTS,
        ::GetModuleHandleA("winhttp.dll"), error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    if (length && text) {
        std::string words(text, length);
        while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' '))
            words.pop_back();
        response.detail += " (" + words + ")";
    }
    if (text)
        ::LocalFree(text);
    return response;
}

HttpClient::Response failedNow(const char* step)
{
    const DWORD error = ::GetLastError();
    // Wine says the socket's WSAETIMEDOUT where Windows says ERROR_WINHTTP_TIMEOUT.
    const HttpClient::Failure failure = error == ERROR_WINHTTP_TIMEOUT || error == WSAETIMEDOUT
                                            ? HttpClient::Failure::TimedOut
                                        : isTlsError(error) ? HttpClient::Failure::Tls
                                                            : HttpClient::Failure::Network;
    return failed(failure, error, step);
}

std::string upperHex(const std::vector<UCHAR>& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (const UCHAR byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 0xF];
    }
    return text;
}

// SHA-256 of the server's certificate as it came (DER), empty when unknown.
std::string fingerprintOf(HINTERNET request)
{
    Certificate certificate;
    DWORD size = sizeof(PCCERT_CONTEXT);
    if (!::WinHttpQueryOption(request, WINHTTP_OPTION_SERVER_CERT_CONTEXT, certificate.out(), &size) || !certificate)
        return {};
    Algorithm algorithm;
    Hash hash;
    std::vector<UCHAR> digest(32);
    if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(algorithm.out(), BCRYPT_SHA256_ALGORITHM, nullptr, 0)) ||
        !BCRYPT_SUCCESS(::BCryptCreateHash(algorithm.get(), hash.out(), nullptr, 0, nullptr, 0, 0)) ||
        !BCRYPT_SUCCESS(::BCryptHashData(hash.get(), certificate->pbCertEncoded, certificate->cbCertEncoded, 0)) ||
        !BCRYPT_SUCCESS(::BCryptFinishHash(hash.get(), digest.data(), static_cast<ULONG>(digest.size()), 0)))
        return {};
    return upperHex(digest);
}

bool sameFingerprint(const std::string& seen, const std::string& trusted)
{
    if (seen.empty() || seen.size() != trusted.size())
        return false;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        const char c = trusted[i] >= 'a' && trusted[i] <= 'z' ? static_cast<char>(trusted[i] - 'a' + 'A') : trusted[i];
        if (seen[i] != c)
            return false;
    }
    return true;
}

HttpClient::Headers headersOf(HINTERNET request)
{
    DWORD size = 0;
    ::WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &size,
                          WINHTTP_NO_HEADER_INDEX);
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return {};
    std::wstring raw(size / sizeof(wchar_t) + 1, L'\0');
    if (!::WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX, raw.data(),
                               &size, WINHTTP_NO_HEADER_INDEX))
        return {};
    raw.resize(size / sizeof(wchar_t));
    const std::string text = fromWide(raw);
    HttpClient::Headers headers;
    // The first line is the status line.
    std::size_t start = text.find("\r\n");
    while (start != std::string::npos) {
        start += 2;
        const std::size_t end = text.find("\r\n", start);
        const std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        HttpClient::addHeaderLine(line, headers);
        start = end;
    }
    return headers;
}

struct Target {
    bool secure = false;
    std::wstring host;
    INTERNET_PORT port = 0;
    std::wstring path; // with the query
};

bool crack(const std::string& url, Target& target)
{
    const std::wstring wide = toWide(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwSchemeLength = static_cast<DWORD>(-1);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!::WinHttpCrackUrl(wide.c_str(), static_cast<DWORD>(wide.size()), 0, &parts))
        return false;
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
        return false;
    target.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    target.host.assign(parts.lpszHostName, parts.dwHostNameLength);
    target.port = parts.nPort;
    target.path.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
    if (parts.lpszExtraInfo)
        target.path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (target.path.empty())
        target.path = L"/";
    return !target.host.empty();
}

// One request on `connection`. A probe sends the bare request line (HEAD,
// none of the caller's headers, no body), only to read the certificate.
class Attempt {
public:
    Attempt(HINTERNET connection, const Target& target, const HttpClient::Request& sent, bool bare,
            bool ignoreCertificateFaults)
        : request(sent), probe(bare)
    {
        const std::wstring method = probe ? std::wstring(L"HEAD") : toWide(request.method);
        handle.reset(::WinHttpOpenRequest(connection, method.c_str(), target.path.c_str(), nullptr,
                                          WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                          (target.secure ? WINHTTP_FLAG_SECURE : 0) | WINHTTP_FLAG_ESCAPE_DISABLE |
                                              WINHTTP_FLAG_ESCAPE_DISABLE_QUERY));
        if (!handle)
            return;
        const int milliseconds = request.timeoutSeconds * 1000;
        // The wait for the answer's headers has a time-out of its own.
        DWORD answerWait = static_cast<DWORD>(milliseconds);
        DWORD disabled = WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_COOKIES | WINHTTP_DISABLE_AUTHENTICATION;
        DWORD autologon = WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH;
        DWORD security = ignoredCertificateFaults;
        if (!::WinHttpSetTimeouts(handle.get(), milliseconds, milliseconds, milliseconds, milliseconds) ||
            !::WinHttpSetOption(handle.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &answerWait, sizeof answerWait) ||
            !::WinHttpSetOption(handle.get(), WINHTTP_OPTION_DISABLE_FEATURE, &disabled, sizeof disabled) ||
            !::WinHttpSetOption(handle.get(), WINHTTP_OPTION_AUTOLOGON_POLICY, &autologon, sizeof autologon) ||
            (ignoreCertificateFaults &&
             !::WinHttpSetOption(handle.get(), WINHTTP_OPTION_SECURITY_FLAGS, &security, sizeof security)))
            handle.reset();
    }

    explicit operator bool() const { return handle.valid(); }
    HINTERNET get() const { return handle.get(); }

    // Connects, with the TLS handshake, and sends the request.
    bool send()
    {
        std::wstring headers;
        if (!probe) {
            for (const auto& [name, value] : request.headers)
                headers += toWide(name) + L": " + toWide(value) + L"\r\n";
        }
        const std::string& body = probe ? empty : request.body;
        // WinHTTP only reads the body; its parameter is not const.
        void* const data = body.empty() ? WINHTTP_NO_REQUEST_DATA : const_cast<char*>(body.data());
        return ::WinHttpSendRequest(handle.get(), headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
                                    static_cast<DWORD>(headers.size()), data, static_cast<DWORD>(body.size()),
                                    static_cast<DWORD>(body.size()), 0) != FALSE;
    }

    HttpClient::Response receive(Clock::time_point deadline)
    {
        if (!::WinHttpReceiveResponse(handle.get(), nullptr))
            return failedNow("WinHttpReceiveResponse");
        HttpClient::Response response;
        DWORD status = 0;
        DWORD size = sizeof status;
        if (!::WinHttpQueryHeaders(handle.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                   WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
            return failedNow("WinHttpQueryHeaders");
        response.status = static_cast<int>(status);
        response.headers = headersOf(handle.get());
        for (;;) {
            DWORD available = 0;
            if (!::WinHttpQueryDataAvailable(handle.get(), &available))
                return failedNow("WinHttpQueryDataAvailable");
            if (available == 0)
                break;
            // In steps of a bounded size: the limit counts what came, not
            // what the library announces.
            const DWORD step = available < readStep ? available : readStep;
            const std::size_t had = response.body.size();
            response.body.resize(had + step);
            DWORD read = 0;
            if (!::WinHttpReadData(handle.get(), response.body.data() + had, step, &read))
                return failedNow("WinHttpReadData");
            response.body.resize(had + read);
            if (response.body.size() > request.maxResponseBytes)
                return failed(HttpClient::Failure::TooLarge, ERROR_SUCCESS, "the answer is beyond the limit");
            // The time-outs above hold for each step; a server that trickles
            // must not hold the thread longer than the whole request may take.
            if (Clock::now() > deadline)
                return failed(HttpClient::Failure::TimedOut, ERROR_WINHTTP_TIMEOUT, "WinHttpReadData");
        }
        return response;
    }

private:
    const HttpClient::Request& request;
    bool probe;
    InternetHandle handle;
    const std::string empty;
};

} // namespace

WinHttpClient::WinHttpClient()
    : session(::WinHttpOpen(L"Vellumere", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                            WINHTTP_NO_PROXY_BYPASS, 0))
{
}

HttpClient::Response WinHttpClient::send(const Request& request)
{
    if (!session)
        return failed(Failure::Network, ERROR_SUCCESS, "WinHttpOpen failed");
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(request.timeoutSeconds);
    Target target;
    if (!crack(request.url, target)) {
        Response response;
        response.failure = Failure::Network;
        response.detail = "not an http or https address: " + request.url;
        return response;
    }
    const InternetHandle connection(::WinHttpConnect(session.get(), target.host.c_str(), target.port, 0));
    if (!connection)
        return failedNow("WinHttpConnect");

    Attempt checked(connection.get(), target, request, false, false);
    if (!checked)
        return failedNow("WinHttpOpenRequest");
    if (checked.send())
        return checked.receive(deadline);
    const DWORD error = ::GetLastError();
    Response refused = failedNow("WinHttpSendRequest");
    if (!target.secure || !mayBeUntrustedCertificate(error))
        return refused;

    // Was the certificate the only fault? A probe that ignores those faults
    // tells, and shows the certificate before anything of the caller's goes.
    Attempt probe(connection.get(), target, request, true, true);
    if (!probe || !probe.send())
        return refused;
    const std::string seen = fingerprintOf(probe.get());
    if (!sameFingerprint(seen, request.trustedCertificateSha256)) {
        refused.untrustedCertificateSha256 = seen;
        return refused;
    }

    Attempt trusted(connection.get(), target, request, false, true);
    if (!trusted)
        return failedNow("WinHttpOpenRequest");
    if (!trusted.send())
        return failedNow("WinHttpSendRequest");
    // Another connection, perhaps to another server: its answer counts only
    // with the same certificate.
    const std::string again = fingerprintOf(trusted.get());
    if (!sameFingerprint(again, request.trustedCertificateSha256)) {
        refused.untrustedCertificateSha256 = again;
        return refused;
    }
    return trusted.receive(deadline);
}
