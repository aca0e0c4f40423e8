#include "platform/win32/http_exchange.h"

#include <winhttp.h>

#include <algorithm>
#include <utility>

#include "platform/common/text.h"
#include "platform/win32/http_challenge.h"
#include "platform/win32/http_errors.h"
#include "platform/win32/http_send.h"
#include "platform/win32/http_session.h"
#include "platform/win32/owned.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

// What the job holds of a reply; the rest of a longer one is dropped unread.
constexpr std::size_t kMaxResponseBytes = 1u << 20;
constexpr int kMaxRedirects = 5;
constexpr std::size_t kLongestShownAddress = 200;

using Handle = WinHttpHandle;

void CALLBACK OnStatus(HINTERNET handle, DWORD_PTR context, DWORD status, void* info,
                       DWORD length) {
  if (context == 0) return;
  HttpJob& job = *reinterpret_cast<HttpJob*>(context);
  if (status == WINHTTP_CALLBACK_STATUS_SECURE_FAILURE && info != nullptr &&
      length >= sizeof(DWORD)) {
    job.secureFailureFlags = *static_cast<DWORD*>(info);
  }
  // Wine copies the request's own headers into the CONNECT request of a new tunnel, which the
  // proxy reads in the clear. A tunnel kept from the challenge may have closed before the
  // answer went out: the account's header comes off before the new tunnel is asked for.
  if (status == WINHTTP_CALLBACK_STATUS_CONNECTING_TO_SERVER && job.guardTunnel) {
    WinHttpAddRequestHeaders(handle, L"Authorization:", static_cast<DWORD>(-1),
                             WINHTTP_ADDREQ_FLAG_REPLACE);
    job.newTunnelWithAccount = true;
  }
  // Wine reports the connection after the tunnel's CONNECT has gone out and before it writes
  // the request: the caller's token goes back on, so that the first request inside the tunnel
  // carries it. A server that answers a missing token with 403 (not 401) asks for nothing.
  if (status == WINHTTP_CALLBACK_STATUS_CONNECTED_TO_SERVER && !job.tunnelToken.empty()) {
    WinHttpAddRequestHeaders(handle, Wide(job.tunnelToken),
                             static_cast<DWORD>(job.tunnelToken.size()),
                             WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE);
    job.newTunnelWithAccount = false;
  }
}

// A server's text fit for a message: no control characters, bounded length.
std::u16string Shown(const std::u16string& text) {
  std::u16string shown;
  for (char16_t c : text) {
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) continue;
    if (shown.size() == kLongestShownAddress) {
      shown += u"\u2026";
      break;
    }
    shown.push_back(static_cast<char16_t>(c));
  }
  return shown;
}

Handle OpenRequest(HttpJob& job, HINTERNET connection, const WebUrl& at,
                   const std::u16string& verb) {
  Handle request(WinHttpOpenRequest(connection, Wide(verb), Wide(at.object), nullptr,
                                    WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                    at.secure ? WINHTTP_FLAG_SECURE : 0));
  if (!request) FailRequest(job, GetLastError());
  // A shared session (requests without an account) would otherwise keep one request's cookies
  // for the next.
  DWORD features = WINHTTP_DISABLE_REDIRECTS | (job.user ? 0 : WINHTTP_DISABLE_COOKIES);
  if (!WinHttpSetOption(request.Get(), WINHTTP_OPTION_DISABLE_FEATURE, &features,
                        sizeof(features))) {
    FailRequest(job, GetLastError());
  }
  SetLogonPolicy(request.Get(), WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH);
  if (!job.headers.empty() &&
      !WinHttpAddRequestHeaders(request.Get(), Wide(job.headers),
                                static_cast<DWORD>(job.headers.size()),
                                WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE)) {
    FailRequest(job, GetLastError());
  }
  return request;
}

// The request to `at` with its challenges answered. A connection kept from the challenge that
// the server or a proxy closed meanwhile is replaced once, as browsers do, by a whole new
// round trip, whose new tunnel's CONNECT carries no credentials.
Handle Converse(HttpJob& job, const HttpSession& session, HINTERNET connection, const WebUrl& at,
                const std::u16string& verb, bool withBody, DWORD& status) {
  for (int attempt = 0;; ++attempt) {
    Handle request = OpenRequest(job, connection, at, verb);
    const Exchanged exchanged = Exchange(job, session.ThroughProxy(), request.Get(), at, withBody);
    if (exchanged.startOver) {
      if (attempt == 0) continue;
      if (exchanged.tunnelClosed) {
        throw Failure(kTunnelClosedAtChallenge,
                      u"The service closed its secure connection each time it asked for the "
                      u"password. Lumora sends the password only inside such a connection, "
                      u"never in the open to the proxy.");
      }
      FailRequest(job, ERROR_WINHTTP_CONNECTION_ERROR);
    }
    status = exchanged.status;
    // Wine keeps a proxy's connections by the proxy's address alone, so a secure connection
    // through a proxy kept now could carry a later request to another host into the tunnel to
    // this one: none is kept past the final reply. A direct one is kept by its own host and
    // port, and serves the next request there without a new handshake. Windows may refuse the
    // change this late; its pool has no such fault.
    if (at.secure && session.ThroughProxy()) {
      DWORD features = WINHTTP_DISABLE_KEEP_ALIVE;
      WinHttpSetOption(request.Get(), WINHTTP_OPTION_DISABLE_FEATURE, &features, sizeof(features));
    }
    return request;
  }
}

void ReadBody(HttpJob& job, HINTERNET request) {
  job.contentType = QueryText(request, WINHTTP_QUERY_CONTENT_TYPE);
  job.reply.clear();
  while (job.reply.size() < kMaxResponseBytes) {
    TimeLeft(job, kDeadlineMs);
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(request, &available)) FailRequest(job, GetLastError());
    if (available == 0) break;
    std::size_t room = kMaxResponseBytes - job.reply.size();
    DWORD wanted = available < room ? available : static_cast<DWORD>(room);
    std::size_t at = job.reply.size();
    job.reply.resize(at + wanted);
    DWORD read = 0;
    if (!WinHttpReadData(request, job.reply.data() + at, wanted, &read)) {
      FailRequest(job, GetLastError());
    }
    job.reply.resize(at + read);
    if (read == 0) break;
  }
}

bool IsRedirect(DWORD status) {
  return status == HTTP_STATUS_MOVED || status == HTTP_STATUS_REDIRECT ||
         status == HTTP_STATUS_REDIRECT_METHOD || status == HTTP_STATUS_REDIRECT_KEEP_VERB ||
         status == HTTP_STATUS_PERMANENT_REDIRECT;
}

}  // namespace

DWORD TimeLeft(const HttpJob& job, DWORD cap) {
  ULONGLONG now = GetTickCount64();
  if (job.abandoned || now >= job.deadline) throw HttpTimedOut();
  ULONGLONG left = job.deadline - now;
  return left < cap ? static_cast<DWORD>(left) : cap;
}

// Redirects are followed here, not by WinHTTP, and only within the origin the request was
// opened for: WinHTTP would follow a 307 anywhere and answer the new host's challenge with the
// account's credentials, and Wine cannot say where a request ended up.
void PerformHttpJob(HttpJob& job) {
  // A request without an account shares its session with the others like it: the account's
  // requests keep to a session of their own, where nothing of another request is cached.
  const HttpSession session =
      OpenHttpSession(job.origin, TimeLeft(job, kReceiveTimeoutMs), OnStatus, !job.user);
  WebUrl at = job.origin;
  std::u16string verb = job.verb;
  bool withBody = true;
  for (int redirects = 0;; ++redirects) {
    TimeLeft(job, kDeadlineMs);
    Handle connection(WinHttpConnect(session.handle, Wide(at.host), at.port, 0));
    if (!connection) FailRequest(job, GetLastError());
    DWORD status = 0;
    const Handle request = Converse(job, session, connection.Get(), at, verb, withBody, status);
    const std::u16string location =
        IsRedirect(status) ? QueryText(request.Get(), WINHTTP_QUERY_LOCATION) : u"";
    if (location.empty()) {
      job.status = status;
      job.rawHeaders = QueryText(request.Get(), WINHTTP_QUERY_RAW_HEADERS_CRLF);
      ReadBody(job, request.Get());
      return;
    }
    std::optional<WebUrl> next = ResolveLocation(at, location);
    if (!next || !SameOrigin(*next, job.origin)) {
      throw Failure(ERROR_WINHTTP_REDIRECT_FAILED,
                    Joined({u"The service tried to send the request to ", Shown(location),
                            u" instead. Lumora sends it only to the service's own address."}));
    }
    if (redirects == kMaxRedirects) {
      throw Failure(ERROR_WINHTTP_REDIRECT_FAILED,
                    u"The service redirected the request too many times.");
    }
    if (status == HTTP_STATUS_REDIRECT_METHOD) {
      verb = u"GET";
      withBody = false;
    }
    at = *next;
  }
}

}  // namespace platform::win32
