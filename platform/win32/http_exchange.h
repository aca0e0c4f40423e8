// The request loop on WinHTTP: challenges, redirects within the service, the reply's first MiB.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/common/failure.h"
#include "platform/common/web_url.h"

namespace platform::win32 {

// Every request, redirects, authentication and proxy lookup included, ends within this.
inline constexpr DWORD kDeadlineMs = 120000;

// One request's work, shared between the caller and the worker thread that performs it: the
// caller may give up at the deadline while the worker is still inside a blocking WinHTTP call.
struct HttpJob {
  WebUrl origin;
  std::u16string verb;
  std::u16string headers;  // "Name: value\r\n" each
  std::vector<std::uint8_t> body;
  std::optional<std::u16string> user;
  std::optional<std::u16string> password;
  ULONGLONG deadline = 0;  // GetTickCount64 time
  std::atomic<bool> abandoned{false};
  // Set as the request is first handed to WinHTTP to send: from then on a failure may come
  // after the server has the request.
  std::atomic<bool> sendBegan{false};
  DWORD secureFailureFlags = 0;  // set by the status callback on the worker thread
  // Set while the account's Authorization header is on a secure request through a proxy; the
  // status callback then takes it off again if the send opens a new tunnel.
  bool guardTunnel = false;
  bool newTunnelWithAccount = false;  // the callback did so
  // The caller's own "Authorization: ...\r\n" line, which the callback puts back once a new
  // tunnel is up; empty when the request has none or needs no guard.
  std::u16string tunnelToken;

  std::vector<std::uint8_t> reply;
  std::u16string contentType;
  DWORD status = 0;                // the final reply's status code
  std::u16string rawHeaders;       // the final reply's header lines, CRLF-separated
  std::optional<Failure> failure;  // set by the worker instead of the reply
};

// Milliseconds left before the job's deadline, at most `cap`; throws the time-out Failure
// once none are left or the caller gave up.
DWORD TimeLeft(const HttpJob& job, DWORD cap);

// Sends the job and fills in its reply and content type. The account answers only a 401 from
// the origin's own scheme, host and port; only the proxy Lumora chose gets the Windows logon;
// redirects are followed within the origin. Throws Failure for anything that is not a reply.
void PerformHttpJob(HttpJob& job);

}  // namespace platform::win32
