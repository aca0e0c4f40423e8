// The WinHTTP session of a request: the one proxy that serves its address, or none.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <string>

#include "platform/common/web_url.h"
#include "platform/win32/owned.h"

namespace platform::win32 {

struct HttpSession {
  HINTERNET handle = nullptr;  // `owned`, or a shared session that lives as long as the program
  WinHttpHandle owned;
  // The one proxy ("host:port") WinHTTP was given, with no bypass list, so every request on
  // the session goes through it; empty when WinHTTP was given none and requests go direct.
  std::u16string proxy;

  // Whether requests on this session go through a proxy: only such a proxy may be offered the
  // Windows logon.
  bool ThroughProxy() const { return !proxy.empty(); }
};

// A session for requests to `origin` with the proxy the user chose in Internet Options (fixed,
// script or detection), else WinHTTP's own default (under Wine, the http_proxy variable),
// narrowed to the one entry that serves the origin's scheme and host. The proxy lookup is told
// the origin's scheme, host and port only and waits at most `waitMs`. Offers TLS 1.2 and 1.3
// where the system has them. With `shared`, every such request with the same proxy gets the
// same session, so a connection (and its TLS session) that a reply left open serves the next
// request to the same server. Throws Failure when no session can be opened.
HttpSession OpenHttpSession(const WebUrl& origin, DWORD waitMs, WINHTTP_STATUS_CALLBACK callback,
                            bool shared);

// Finds the proxy for `origin` now, as OpenHttpSession would, and keeps the choice for the
// sessions opened for that origin later (for any address when no script or detection
// decides). A lookup that could not answer is not kept. Safe on any thread, also while
// sessions open.
void PrepareProxy(const WebUrl& origin, DWORD waitMs);

// Drops every kept choice, also one a preparation is still finding: the next sessions look
// again (after a failed request, or when the proxy settings may have changed).
void ForgetPreparedProxies();

}  // namespace platform::win32
