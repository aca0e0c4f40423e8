// One request's sends on WinHTTP until its reply is in: resends, challenges, the token's tunnel.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include "platform/common/web_url.h"
#include "platform/win32/http_exchange.h"

namespace platform::win32 {

// Every request, redirects, authentication and proxy lookup included, ends within this.
inline constexpr DWORD kDeadlineMs = 120000;
inline constexpr DWORD kReceiveTimeoutMs = 30000;

// Throws the Failure for WinHTTP's `code` on `job`: the time-out once the caller gave up, the
// certificate problem the status callback saw for a secure channel error.
[[noreturn]] void FailRequest(const HttpJob& job, DWORD code);

struct Exchanged {
  DWORD status = 0;
  // The answer to the challenge died on the kept connection, or went out without the account
  // into a new tunnel: nothing was posted, and the exchange may start over.
  bool startOver = false;
  bool tunnelClosed = false;  // the tunnel closed as the server asked for the password
};

// Sends `request` (opened for `at`) until the reply's status line and headers are in, answering
// at most one challenge from the server and one from the proxy; `throughProxy` says whether
// the session sends it through a proxy. Throws Failure for anything that is not a reply.
Exchanged Exchange(HttpJob& job, bool throughProxy, HINTERNET request, const WebUrl& at,
                   bool withBody);

}  // namespace platform::win32
