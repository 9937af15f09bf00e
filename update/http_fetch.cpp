#include "update/http_fetch.h"

#include "core/text.h"

#include <cwchar>
#include <ctime>
#include <new>

const wchar_t kHttpAgent[] = L"User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; "
                             L"SV1; .NET CLR 2.0.50727; InfoPath.1)";

namespace {

win::InetHandle OpenRequest(HINTERNET connection, const wchar_t* verb, const wchar_t* target) {
    return win::InetHandle(HttpOpenRequestW(connection, verb, target, L"HTTP/1.1", L"", nullptr,
                                            INTERNET_FLAG_RELOAD, 0));
}

} // namespace

bool SendRequestWithRetry(HINTERNET request, int attempts) {
    if (!request) return false;
    for (int i = 0; i < attempts; ++i) {
        if (!HttpSendRequestW(request, nullptr, 0, nullptr, 0)) continue;
        DWORD status = 0;
        DWORD size = sizeof(status);
        if (!HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                            &size, nullptr))
            continue;
        if (status == 200) return true;
    }
    return false;
}

std::unique_ptr<char[]> HttpFetch(const wchar_t* url, DWORD* length) {
    if (!url || !url[0]) return nullptr;
    wchar_t host[256] = {}, user[128] = {}, password[128] = {}, path[2084] = {};
    URL_COMPONENTSW parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = host;
    parts.dwHostNameLength = 256;
    parts.lpszUserName = user;
    parts.dwUserNameLength = 128;
    parts.lpszPassword = password;
    parts.dwPasswordLength = 128;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = 2084;
    if (!InternetCrackUrlW(url, 0, 0, &parts) || parts.nScheme != INTERNET_SCHEME_HTTP)
        return nullptr;

    // The same time value in both requests, so that they name one resource.
    wchar_t param[24] = {};
    swprintf(param, 24, L"%lst=%u", wcschr(path[0] ? path : L"/", L'?') ? L"&" : L"?",
             static_cast<unsigned>(time(nullptr)));
    wchar_t target[2084] = {};
    // A target too long for its buffer would lose the parameter: no fetch.
    if (!CopyText(target, path[0] ? path : L"/") || !AppendText(target, param)) return nullptr;

    win::InetHandle root(
        InternetOpenW(kHttpAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!root) return nullptr;
    // Declared after root so that it closes first.
    win::InetHandle connection(InternetConnectW(root.Get(), host, parts.nPort, user, password,
                                                INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return nullptr;

    DWORD contentLength = 0;
    {
        win::InetHandle head = OpenRequest(connection.Get(), L"HEAD", target);
        if (!SendRequestWithRetry(head.Get(), 10)) return nullptr;
        DWORD size = sizeof(contentLength);
        if (!HttpQueryInfoW(head.Get(), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER,
                            &contentLength, &size, nullptr))
            return nullptr;
    }
    if (contentLength == 0xFFFFFFFFu) return nullptr;
    std::unique_ptr<char[]> body(new (std::nothrow) char[size_t(contentLength) + 1]);
    if (!body) return nullptr;

    win::InetHandle get = OpenRequest(connection.Get(), L"GET", target);
    if (!SendRequestWithRetry(get.Get(), 10)) return nullptr;
    DWORD received = 0;
    while (received < contentLength) {
        DWORD got = 0;
        if (!InternetReadFile(get.Get(), body.get() + received, contentLength - received, &got))
            return nullptr;
        if (got == 0) break;
        received += got;
    }
    body[received] = '\0';
    *length = received;
    return body;
}
