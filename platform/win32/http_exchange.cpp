#include "platform/win32/http_exchange.h"

#include <winhttp.h>

#include <algorithm>
#include <utility>

#include "platform/common/text.h"
#include "platform/win32/http_challenge.h"
#include "platform/win32/http_errors.h"
#include "platform/win32/http_session.h"
#include "platform/win32/owned.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

// What the job holds of a reply; the rest of a longer one is dropped unread.
constexpr std::size_t kMaxResponseBytes = 1u << 20;
// Every request, redirects, authentication and proxy lookup included, ends within this.
constexpr DWORD kDeadlineMs = 120000;
// WinHTTP's requests to send the same request again (ERROR_WINHTTP_RESEND_REQUEST).
constexpr int kMaxResends = 3;
constexpr int kMaxRedirects = 5;
constexpr DWORD kConnectTimeoutMs = 60000;
constexpr DWORD kSendTimeoutMs = 30000;
constexpr DWORD kReceiveTimeoutMs = 30000;
constexpr std::size_t kLongestShownAddress = 200;

using Handle = WinHttpHandle;

[[noreturn]] void FailRequest(const HttpJob& job, DWORD code) {
  if (job.abandoned) throw HttpTimedOut();
  if (code == ERROR_WINHTTP_SECURE_FAILURE || code == ERROR_WINHTTP_SECURE_CHANNEL_ERROR) {
    std::u16string reason = SecureFailureReason(job.secureFailureFlags);
    throw Failure(code, DescribeHttpError(code) + (reason.empty() ? u"" : u" " + reason));
  }
  throw HttpFailure(code);
}

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
}

// A server's text fit for a message: no control characters, bounded length.
std::u16string Shown(const std::wstring& text) {
  std::u16string shown;
  for (wchar_t c : text) {
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) continue;
    if (shown.size() == kLongestShownAddress) {
      shown += u"\u2026";
      break;
    }
    shown.push_back(static_cast<char16_t>(c));
  }
  return shown;
}

// A send on a connection kept from the previous reply that the other end had already closed.
// The "Authorization: ..." line among the caller's header lines, with its line end; empty when
// there is none.
std::wstring AuthorizationLine(const std::wstring& headers) {
  for (std::size_t at = 0; at < headers.size();) {
    std::size_t end = headers.find(L"\r\n", at);
    end = end == std::wstring::npos ? headers.size() : end + 2;
    if (StartsWithAsciiNoCase(FromWide(headers.substr(at, end - at)), u"authorization:")) {
      return headers.substr(at, end - at);
    }
    at = end;
  }
  return {};
}

bool DroppedBeforeReply(DWORD error) {
  return error == ERROR_WINHTTP_CONNECTION_ERROR || error == WSAECONNRESET ||
         error == WSAECONNABORTED || error == ERROR_WINHTTP_INVALID_SERVER_RESPONSE;
}

struct Exchanged {
  DWORD status = 0;
  // The answer to the challenge died on the kept connection, or went out without the account
  // into a new tunnel: nothing was posted, and the exchange may start over.
  bool startOver = false;
  bool tunnelClosed = false;  // the tunnel closed as the server asked for the password
};

// Sends until the reply's status line and headers are in, answering at most one challenge from
// the server and one from the proxy.
Exchanged Exchange(HttpJob& job, const HttpSession& session, HINTERNET request, const WebUrl& at,
                   bool withBody) {
  const bool throughProxy = session.ThroughProxy(std::wstring(Wide(at.host)));
  bool serverAnswered = false;
  bool proxyAnswered = false;
  bool onKeptConnection = false;
  int resends = 0;
  // A token the caller put in the request's own headers is kept out of a new tunnel's CONNECT
  // as the account is; it goes again, once, inside the tunnel the refusal came through.
  const std::wstring token = AuthorizationLine(job.headers);
  bool tokenResent = false;
  job.guardTunnel = !token.empty() && at.secure && throughProxy;
  for (;;) {
    DWORD left = TimeLeft(job, kDeadlineMs);
    // Per-call limits never reach past the deadline; Wine takes them at each send.
    WinHttpSetTimeouts(request, 0, static_cast<int>(std::min(kConnectTimeoutMs, left)),
                       static_cast<int>(std::min(kSendTimeoutMs, left)),
                       static_cast<int>(std::min(kReceiveTimeoutMs, left)));
    DWORD responseTimeout = std::min(kReceiveTimeoutMs, left);
    WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseTimeout,
                     sizeof(responseTimeout));
    void* data = !withBody || job.body.empty() ? WINHTTP_NO_REQUEST_DATA : job.body.data();
    DWORD size = withBody ? static_cast<DWORD>(job.body.size()) : 0;
    job.sendBegan = true;
    if (!WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, data, size, size,
                            reinterpret_cast<DWORD_PTR>(&job)) ||
        !WinHttpReceiveResponse(request, nullptr)) {
      DWORD error = GetLastError();
      if (error == ERROR_WINHTTP_RESEND_REQUEST) {
        if (++resends > kMaxResends) throw HttpTimedOut();
        continue;
      }
      job.guardTunnel = false;
      job.newTunnelWithAccount = false;
      if (onKeptConnection && DroppedBeforeReply(error) && !job.abandoned) return {0, true};
      FailRequest(job, error);
    }
    onKeptConnection = false;
    job.guardTunnel = false;
    const bool accountTakenOff = std::exchange(job.newTunnelWithAccount, false);
    // The Windows logon goes to the chosen proxy for the one send that answers it.
    SetLogonPolicy(request, WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH);
    DWORD status = 0;
    DWORD length = sizeof(status);
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &length,
                             WINHTTP_NO_HEADER_INDEX)) {
      FailRequest(job, GetLastError());
    }
    // The answer went without the account into a new tunnel and was refused, and WinHTTP will
    // not offer the account twice on one request: the exchange starts over on a new one.
    // (Where the account did go inside the new tunnel, as on Windows, the reply stands.)
    if (accountTakenOff && status == HTTP_STATUS_DENIED && !token.empty() && !tokenResent &&
        ConnectionKept(request)) {
      tokenResent = true;
      if (!WinHttpAddRequestHeaders(request, token.c_str(), static_cast<DWORD>(token.size()),
                                    WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE)) {
        FailRequest(job, GetLastError());
      }
      onKeptConnection = true;
      job.guardTunnel = true;
      continue;
    }
    if (accountTakenOff && status == HTTP_STATUS_DENIED) return {0, true, true};
    if (status == HTTP_STATUS_DENIED && !serverAnswered && job.user && SameOrigin(at, job.origin)) {
      serverAnswered = true;
      const bool kept = ConnectionKept(request);
      if (AnswerChallenge(request, WINHTTP_AUTH_TARGET_SERVER, job.user->c_str(),
                          job.password ? job.password->c_str() : u"")) {
        onKeptConnection = kept;
        job.guardTunnel = at.secure && throughProxy;
        continue;
      }
    } else if (status == HTTP_STATUS_PROXY_AUTH_REQ) {
      // The account belongs to the service, never to a proxy; the Windows logon only to the
      // proxy Lumora chose, and only for a request that goes through it. Inside a tunnel, a
      // 407 comes from the server.
      const bool fromChosenProxy = throughProxy && !(at.secure && TalkedToServerSecurely(request));
      if (!fromChosenProxy) {
        throw Failure(kProxyLogonRefused,
                      u"A server that is not your proxy asked for a proxy sign-in. Lumora did "
                      u"not answer it.");
      }
      SetLogonPolicy(request, WINHTTP_AUTOLOGON_SECURITY_LEVEL_LOW);
      if (proxyAnswered || !AnswerChallenge(request, WINHTTP_AUTH_TARGET_PROXY, nullptr, nullptr)) {
        throw Failure(kProxyLogonRefused,
                      u"The proxy server asks for a sign-in that Lumora does not give. A proxy "
                      u"is offered only your Windows logon, and this one did not accept it.");
      }
      proxyAnswered = true;
      continue;
    }
    return {status, false};
  }
}

Handle OpenRequest(HttpJob& job, HINTERNET connection, const WebUrl& at, const std::wstring& verb) {
  Handle request(WinHttpOpenRequest(connection, verb.c_str(), Wide(at.object), nullptr,
                                    WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                    at.secure ? WINHTTP_FLAG_SECURE : 0));
  if (!request) FailRequest(job, GetLastError());
  DWORD features = WINHTTP_DISABLE_REDIRECTS;
  if (!WinHttpSetOption(request.Get(), WINHTTP_OPTION_DISABLE_FEATURE, &features,
                        sizeof(features))) {
    FailRequest(job, GetLastError());
  }
  SetLogonPolicy(request.Get(), WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH);
  if (!job.headers.empty() &&
      !WinHttpAddRequestHeaders(request.Get(), job.headers.c_str(),
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
                const std::wstring& verb, bool withBody, DWORD& status) {
  for (int attempt = 0;; ++attempt) {
    Handle request = OpenRequest(job, connection, at, verb);
    const Exchanged exchanged = Exchange(job, session, request.Get(), at, withBody);
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
    // kept now could carry a later request to the host this one was for: none is kept past
    // the final reply. Windows may refuse the change this late; its pool has no such fault.
    if (at.secure) {
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
  const HttpSession session = OpenHttpSession(std::wstring(Wide(SpellWebUrl(job.origin))),
                                              TimeLeft(job, kReceiveTimeoutMs), OnStatus);
  WebUrl at = job.origin;
  std::wstring verb = job.verb;
  bool withBody = true;
  for (int redirects = 0;; ++redirects) {
    TimeLeft(job, kDeadlineMs);
    Handle connection(WinHttpConnect(session.handle.Get(), Wide(at.host), at.port, 0));
    if (!connection) FailRequest(job, GetLastError());
    DWORD status = 0;
    const Handle request = Converse(job, session, connection.Get(), at, verb, withBody, status);
    std::wstring location =
        IsRedirect(status) ? QueryText(request.Get(), WINHTTP_QUERY_LOCATION) : L"";
    if (location.empty()) {
      job.status = status;
      job.rawHeaders = QueryText(request.Get(), WINHTTP_QUERY_RAW_HEADERS_CRLF);
      ReadBody(job, request.Get());
      return;
    }
    std::optional<WebUrl> next = ResolveLocation(at, FromWide(location));
    if (!next || !SameOrigin(*next, job.origin)) {
      throw Failure(ERROR_WINHTTP_REDIRECT_FAILED,
                    u"The service tried to send the request to " + Shown(location) +
                        u" instead. Lumora sends it only to the service's own address.");
    }
    if (redirects == kMaxRedirects) {
      throw Failure(ERROR_WINHTTP_REDIRECT_FAILED,
                    u"The service redirected the request too many times.");
    }
    if (status == HTTP_STATUS_REDIRECT_METHOD) {
      verb = L"GET";
      withBody = false;
    }
    at = *next;
  }
}

}  // namespace platform::win32
