#include "platform/win32/http_send.h"

#include <winhttp.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "platform/common/text.h"
#include "platform/win32/http_challenge.h"
#include "platform/win32/http_errors.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

// WinHTTP's requests to send the same request again (ERROR_WINHTTP_RESEND_REQUEST).
constexpr int kMaxResends = 3;
constexpr DWORD kConnectTimeoutMs = 60000;
constexpr DWORD kSendTimeoutMs = 30000;

// The "Authorization: ..." line among the caller's header lines, with its line end; empty when
// there is none.
std::u16string AuthorizationLine(const std::u16string& headers) {
  for (std::size_t at = 0; at < headers.size();) {
    std::size_t end = headers.find(u"\r\n", at);
    end = end == std::u16string::npos ? headers.size() : end + 2;
    if (StartsWithAsciiNoCase(std::u16string_view(headers).substr(at, end - at),
                              u"authorization:")) {
      return headers.substr(at, end - at);
    }
    at = end;
  }
  return {};
}

// A send on a connection kept from the previous reply that the other end had already closed.
bool DroppedBeforeReply(DWORD error) {
  return error == ERROR_WINHTTP_CONNECTION_ERROR || error == WSAECONNRESET ||
         error == WSAECONNABORTED || error == ERROR_WINHTTP_INVALID_SERVER_RESPONSE;
}

// Per-call limits never reach past the deadline; Wine takes them at each send.
void LimitToDeadline(const HttpJob& job, HINTERNET request) {
  DWORD left = TimeLeft(job, kDeadlineMs);
  WinHttpSetTimeouts(request, 0, static_cast<int>(std::min(kConnectTimeoutMs, left)),
                     static_cast<int>(std::min(kSendTimeoutMs, left)),
                     static_cast<int>(std::min(kReceiveTimeoutMs, left)));
  DWORD responseTimeout = std::min(kReceiveTimeoutMs, left);
  WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseTimeout,
                   sizeof(responseTimeout));
}

class Exchanger {
 public:
  Exchanger(HttpJob& job, bool throughProxy, HINTERNET request, const WebUrl& at, bool withBody)
      : job_(job), throughProxy_(throughProxy), request_(request), at_(at), withBody_(withBody) {
    // A token the caller put in the request's own headers is kept out of a new tunnel's
    // CONNECT as the account is, and put back for the first request inside it: a server that
    // answers a missing token with 403 asks for nothing.
    if (at_.secure && throughProxy_) job_.tunnelToken = AuthorizationLine(job.headers);
    job_.guardTunnel = !job_.tunnelToken.empty();
  }

  Exchanged Run() {
    for (;;) {
      std::optional<Exchanged> ended;
      if (!Transmit(ended)) {
        if (ended) return *ended;
        continue;
      }
      onKeptConnection_ = false;
      job_.guardTunnel = false;
      const bool accountTakenOff = std::exchange(job_.newTunnelWithAccount, false);
      // The Windows logon goes to the chosen proxy for the one send that answers it.
      SetLogonPolicy(request_, WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH);
      const DWORD status = StatusCode();
      // The account's challenge was answered into a new tunnel without it: start over.
      if (accountTakenOff && status == HTTP_STATUS_DENIED) return {0, true, true};
      if (status == HTTP_STATUS_DENIED && !serverAnswered_ && job_.user &&
          SameOrigin(at_, job_.origin)) {
        if (AnswerServer()) continue;
      } else if (status == HTTP_STATUS_PROXY_AUTH_REQ) {
        AnswerProxy();
        continue;
      }
      return {status, false};
    }
  }

 private:
  // Sends and waits for the reply's headers: true once they are in. False when WinHTTP asks
  // for the same send again, or with `ended` set when the exchange may start over.
  bool Transmit(std::optional<Exchanged>& ended) {
    LimitToDeadline(job_, request_);
    void* data = !withBody_ || job_.body.empty() ? WINHTTP_NO_REQUEST_DATA : job_.body.data();
    DWORD size = withBody_ ? static_cast<DWORD>(job_.body.size()) : 0;
    job_.sendBegan = true;
    if (WinHttpSendRequest(request_, WINHTTP_NO_ADDITIONAL_HEADERS, 0, data, size, size,
                           reinterpret_cast<DWORD_PTR>(&job_)) &&
        WinHttpReceiveResponse(request_, nullptr)) {
      return true;
    }
    DWORD error = GetLastError();
    if (error == ERROR_WINHTTP_RESEND_REQUEST) {
      if (++resends_ > kMaxResends) throw HttpTimedOut();
      return false;
    }
    job_.guardTunnel = false;
    job_.newTunnelWithAccount = false;
    if (onKeptConnection_ && DroppedBeforeReply(error) && !job_.abandoned) {
      ended = Exchanged{0, true};
      return false;
    }
    FailRequest(job_, error);
  }

  DWORD StatusCode() {
    DWORD status = 0;
    DWORD length = sizeof(status);
    if (!WinHttpQueryHeaders(request_, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &length,
                             WINHTTP_NO_HEADER_INDEX)) {
      FailRequest(job_, GetLastError());
    }
    return status;
  }

  bool AnswerServer() {
    serverAnswered_ = true;
    const bool kept = ConnectionKept(request_);
    if (!AnswerChallenge(request_, WINHTTP_AUTH_TARGET_SERVER, job_.user->c_str(),
                         job_.password ? job_.password->c_str() : u"")) {
      return false;
    }
    onKeptConnection_ = kept;
    job_.guardTunnel = at_.secure && throughProxy_;
    return true;
  }

  // The account belongs to the service, never to a proxy; the Windows logon only to the proxy
  // the session sends the request through. Inside a tunnel, a 407 comes from the server.
  void AnswerProxy() {
    const bool fromChosenProxy = throughProxy_ && !(at_.secure && TalkedToServerSecurely(request_));
    if (!fromChosenProxy) {
      throw Failure(kProxyLogonRefused,
                    u"A server that is not your proxy asked for a proxy sign-in. Lumora did "
                    u"not answer it.");
    }
    SetLogonPolicy(request_, WINHTTP_AUTOLOGON_SECURITY_LEVEL_LOW);
    if (proxyAnswered_ || !AnswerChallenge(request_, WINHTTP_AUTH_TARGET_PROXY, nullptr, nullptr)) {
      throw Failure(kProxyLogonRefused,
                    u"The proxy server asks for a sign-in that Lumora does not give. A proxy "
                    u"is offered only your Windows logon, and this one did not accept it.");
    }
    proxyAnswered_ = true;
  }

  HttpJob& job_;
  const bool throughProxy_;
  const HINTERNET request_;
  const WebUrl& at_;
  const bool withBody_;
  bool serverAnswered_ = false;
  bool proxyAnswered_ = false;
  bool onKeptConnection_ = false;
  int resends_ = 0;
};

}  // namespace

[[noreturn]] void FailRequest(const HttpJob& job, DWORD code) {
  if (job.abandoned) throw HttpTimedOut();
  if (code == ERROR_WINHTTP_SECURE_FAILURE || code == ERROR_WINHTTP_SECURE_CHANNEL_ERROR) {
    std::u16string reason = SecureFailureReason(job.secureFailureFlags);
    throw Failure(code, Joined({DescribeHttpError(code), reason.empty() ? u"" : u" ", reason}));
  }
  throw HttpFailure(code);
}

Exchanged Exchange(HttpJob& job, bool throughProxy, HINTERNET request, const WebUrl& at,
                   bool withBody) {
  return Exchanger(job, throughProxy, request, at, withBody).Run();
}

}  // namespace platform::win32
