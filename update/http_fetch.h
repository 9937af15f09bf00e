// The launcher's one HTTP client operation: a HEAD for the length, then a
// GET of the body into one buffer, both over WinINet, through a session that
// keeps its connection for the next request.
#pragma once

#include <windows.h>

#include <wininet.h>

#include <memory>

#include "win/inet.h"

struct UpdateProgress;

extern const wchar_t kHttpAgent[];

// Connect, send and receive time-out of every request. A fetch gets twice
// this in all, renewed each time another 64 KiB of its body arrives, so that a
// dead or trickling server costs about a minute; tests shorten it.
extern DWORD g_httpTimeoutMs;

// The largest bodies the launcher accepts: a manifest lists one short line per
// file (4 MiB is some 60,000 files), and a package is one file of the game
// folder held in memory while it is unpacked, which a 32-bit process must
// afford beside the unpacked file.
const DWORD kManifestMaxBytes = 4u << 20;
const DWORD kPackageMaxBytes = 256u << 20;
// Redirects followed per request; WinINet's own following has no bound here.
const int kMaxRedirects = 5;

// Fetches an absolute plain-HTTP URL. On success returns a buffer whose
// received bytes are followed by a zero byte, and stores the number received
// in length; on failure returns null and leaves length untouched. A body whose
// Content-Length is over maxBytes is refused without being asked for.
std::unique_ptr<char[]> HttpFetch(const wchar_t* url, DWORD* length,
                                  DWORD maxBytes = kPackageMaxBytes);

// The "t" that a fetch sends: the current time in seconds.
unsigned RequestTime();

// One client's root handle and its connection to the last server asked, kept
// for the HEAD and GET of a fetch and for the fetches after it. Used by one
// thread at a time.
class HttpSession {
  public:
    HttpSession();
    // HttpFetch over this session. progress, when given, receives the lengths
    // announced and the bytes received, and its cancel ends the fetch (failed)
    // before its next request or read. requestTime, when not 0, is the "t"
    // sent instead of RequestTime(), for a file that goes with another.
    std::unique_ptr<char[]> Fetch(const wchar_t* url, DWORD* length,
                                  DWORD maxBytes = kPackageMaxBytes,
                                  UpdateProgress* progress = nullptr, unsigned requestTime = 0);
    // Connections opened so far: one per server while the server stays the same.
    int ConnectionsOpened() const { return opened_; }

    // The connection to host:port with these credentials, opened when the
    // kept one is for another; no request may be open on the kept one then.
    HINTERNET Connect(const wchar_t* host, INTERNET_PORT port, const wchar_t* user,
                      const wchar_t* password);

  private:
    win::InetHandle root_;
    win::InetHandle connection_; // declared after root_: closed before it
    wchar_t host_[256] = {}, user_[128] = {}, password_[128] = {};
    INTERNET_PORT port_ = 0;
    bool keyed_ = false;
    int opened_ = 0;
};

// Sends the request up to attempts times until it is answered with 200 or a
// redirect, and returns that status; 0 when no attempt succeeds, after a
// time-out, or when no further attempt fits before deadline (GetTickCount64).
DWORD SendRequestWithRetry(HINTERNET request, int attempts, ULONGLONG deadline);
