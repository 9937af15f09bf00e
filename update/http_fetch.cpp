#include "update/http_fetch.h"

#include "core/text.h"
#include "update/update_progress.h"

#include <cstring>
#include <ctime>
#include <cwchar>
#include <new>

const wchar_t kHttpAgent[] = L"User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; "
                             L"SV1; .NET CLR 2.0.50727; InfoPath.1)";

DWORD g_httpTimeoutMs = 30000;

namespace {

const size_t kUrlCap = 2084;
// At most this much is set aside before the bytes arrive: a claimed length is
// only a claim.
const DWORD kFirstChunk = 1u << 20;
// A body that keeps arriving at this much per budget keeps its fetch alive, so
// a slow line still gets a large package while a trickle is cut off.
const DWORD kProgressStep = 64u << 10;
// WSAETIMEDOUT, which Wine hands back from a request whose receive timed out.
const DWORD kSocketTimedOut = 10060;
// Always from the server, and never into the user's web cache: every request
// carries a new "t", so a cached copy would never be read again.
const DWORD kRequestFlags =
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT;

ULONGLONG Budget() {
    return 2ull * g_httpTimeoutMs;
}

struct UrlParts {
    wchar_t host[256] = {}, user[128] = {}, password[128] = {}, path[kUrlCap] = {};
    INTERNET_PORT port = 0;
};

bool CrackHttpUrl(const wchar_t* url, UrlParts& p) {
    URL_COMPONENTSW parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = p.host;
    parts.dwHostNameLength = 256;
    parts.lpszUserName = p.user;
    parts.dwUserNameLength = 128;
    parts.lpszPassword = p.password;
    parts.dwPasswordLength = 128;
    parts.lpszUrlPath = p.path;
    parts.dwUrlPathLength = kUrlCap;
    if (!InternetCrackUrlW(url, 0, 0, &parts) || parts.nScheme != INTERNET_SCHEME_HTTP)
        return false;
    p.port = parts.nPort;
    return true;
}

bool IsRedirect(DWORD status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Set on each connection, which Wine honours for all three and hands on to
// its requests (the root handle keeps only the connect time-out there).
void SetTimeouts(HINTERNET connection) {
    DWORD ms = g_httpTimeoutMs;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT})
        InternetSetOptionW(connection, option, &ms, sizeof(ms));
}

// Sends verb for url, following redirects ourselves: WinINet's own following
// has no bound under Wine, so a loop would never end. The first request asks
// for firstTarget; later ones for the path that the Location names. On 200 the
// request is handed back in out.
bool OpenAnswered(HttpSession& session, const wchar_t* verb, const wchar_t* url,
                  const wchar_t* firstTarget, ULONGLONG deadline, win::InetHandle& out) {
    wchar_t current[kUrlCap] = {};
    if (!CopyText(current, url)) return false;
    for (int hop = 0; hop <= kMaxRedirects; ++hop) {
        UrlParts parts;
        if (!CrackHttpUrl(current, parts)) return false; // only plain HTTP, also after a redirect
        const wchar_t* target = hop == 0 ? firstTarget : parts.path[0] ? parts.path : L"/";
        // The request of the hop before is closed by now, so the session may
        // change its connection.
        HINTERNET connection = session.Connect(parts.host, parts.port, parts.user, parts.password);
        if (!connection) return false;
        win::InetHandle request(HttpOpenRequestW(connection, verb, target, L"HTTP/1.1", L"",
                                                 nullptr, kRequestFlags, 0));
        DWORD status = SendRequestWithRetry(request.Get(), 10, deadline);
        if (status == 200) {
            out = std::move(request);
            return true;
        }
        if (!IsRedirect(status)) return false;
        wchar_t location[kUrlCap] = {};
        DWORD size = sizeof(location) - sizeof(wchar_t);
        if (!HttpQueryInfoW(request.Get(), HTTP_QUERY_LOCATION, location, &size, nullptr))
            return false;
        wchar_t next[kUrlCap] = {};
        DWORD cap = kUrlCap;
        if (!InternetCombineUrlW(current, location, next, &cap, 0) || !CopyText(current, next))
            return false;
    }
    return false;
}

} // namespace

DWORD SendRequestWithRetry(HINTERNET request, int attempts, ULONGLONG deadline) {
    if (!request) return 0;
    for (int i = 0; i < attempts; ++i) {
        // An attempt that could use its whole time-out must still fit.
        if (GetTickCount64() + g_httpTimeoutMs > deadline) return 0;
        if (!HttpSendRequestW(request, nullptr, 0, nullptr, 0)) {
            DWORD error = GetLastError();
            // A server that let one time-out pass is not worth nine more.
            if (error == ERROR_INTERNET_TIMEOUT || error == kSocketTimedOut) return 0;
            continue;
        }
        DWORD status = 0;
        DWORD size = sizeof(status);
        if (!HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                            &size, nullptr))
            continue;
        if (status == 200 || IsRedirect(status)) return status;
    }
    return 0;
}

std::unique_ptr<char[]> HttpFetch(const wchar_t* url, DWORD* length, DWORD maxBytes) {
    HttpSession session;
    return session.Fetch(url, length, maxBytes);
}

HttpSession::HttpSession()
    : root_(InternetOpenW(kHttpAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0)) {}

HINTERNET HttpSession::Connect(const wchar_t* host, INTERNET_PORT port, const wchar_t* user,
                               const wchar_t* password) {
    if (!root_) return nullptr;
    if (connection_ && keyed_ && port == port_ && wcscmp(host, host_) == 0 &&
        wcscmp(user, user_) == 0 && wcscmp(password, password_) == 0)
        return connection_.Get();
    connection_.Reset();
    connection_.Reset(
        InternetConnectW(root_.Get(), host, port, user, password, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection_) return nullptr;
    ++opened_;
    SetTimeouts(connection_.Get());
    // Parts that do not fit are not kept, and the connection then serves
    // this request only.
    keyed_ = CopyText(host_, host) && CopyText(user_, user) && CopyText(password_, password);
    port_ = port;
    return connection_.Get();
}

unsigned RequestTime() {
    return static_cast<unsigned>(time(nullptr));
}

std::unique_ptr<char[]> HttpSession::Fetch(const wchar_t* url, DWORD* length, DWORD maxBytes,
                                           UpdateProgress* progress, unsigned requestTime) {
    if (!url || !url[0]) return nullptr;
    UrlParts parts;
    if (!CrackHttpUrl(url, parts)) return nullptr;

    // The same time value in both requests, so that they name one resource.
    wchar_t param[24] = {};
    swprintf(param, 24, L"%lst=%u", wcschr(parts.path[0] ? parts.path : L"/", L'?') ? L"&" : L"?",
             requestTime ? requestTime : RequestTime());
    wchar_t target[kUrlCap] = {};
    // A target too long for its buffer would lose the parameter: no fetch.
    if (!CopyText(target, parts.path[0] ? parts.path : L"/") || !AppendText(target, param))
        return nullptr;

    if (!root_) return nullptr;
    auto cancelled = [progress] { return progress && progress->Cancelled(); };
    ULONGLONG deadline = GetTickCount64() + Budget();

    DWORD contentLength = 0;
    {
        win::InetHandle head;
        if (cancelled() || !OpenAnswered(*this, L"HEAD", url, target, deadline, head))
            return nullptr;
        DWORD size = sizeof(contentLength);
        if (!HttpQueryInfoW(head.Get(), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER,
                            &contentLength, &size, nullptr))
            return nullptr;
    }
    if (contentLength > maxBytes) return nullptr;

    win::InetHandle get;
    if (cancelled() || !OpenAnswered(*this, L"GET", url, target, deadline, get)) return nullptr;
    if (progress) progress->bytesTotal += contentLength;
    // Memory follows the bytes that arrive, up to the claimed length.
    DWORD capacity = contentLength < kFirstChunk ? contentLength : kFirstChunk;
    std::unique_ptr<char[]> body(new (std::nothrow) char[size_t(capacity) + 1]);
    if (!body) return nullptr;
    DWORD received = 0;
    DWORD nextStep = kProgressStep;
    while (received < contentLength) {
        if (GetTickCount64() >= deadline || cancelled()) return nullptr;
        // Waits for one arrival at most (bounded by the receive time-out),
        // where a read would wait until its whole buffer is filled.
        DWORD available = 0;
        if (!InternetQueryDataAvailable(get.Get(), &available, 0, 0)) return nullptr;
        if (available == 0) break; // the body ended early
        if (received == capacity) {
            DWORD grown = capacity > contentLength / 2 ? contentLength : capacity * 2;
            std::unique_ptr<char[]> bigger(new (std::nothrow) char[size_t(grown) + 1]);
            if (!bigger) return nullptr;
            memcpy(bigger.get(), body.get(), received);
            body = std::move(bigger);
            capacity = grown;
        }
        DWORD want = capacity - received < available ? capacity - received : available;
        DWORD got = 0;
        if (!InternetReadFile(get.Get(), body.get() + received, want, &got)) return nullptr;
        if (got == 0) break;
        received += got;
        if (progress) progress->bytesDone += got;
        if (received >= nextStep) {
            deadline = GetTickCount64() + Budget();
            nextStep = received + kProgressStep;
        }
    }
    body[received] = '\0';
    *length = received;
    return body;
}
