// The WinHTTP session of one request: the proxy the user chose, and what Lumora knows of it.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <string>

#include "platform/win32/owned.h"

namespace platform::win32 {

struct HttpSession {
  WinHttpHandle handle;
  std::wstring proxy;   // the proxy WinHTTP was given; empty when requests go direct
  std::wstring bypass;  // the hosts that go direct although a proxy is set

  // Whether a request to `host` goes through the proxy Lumora chose: only such a proxy may
  // be offered the Windows logon.
  bool ThroughProxy(const std::wstring& host) const;
};

// Opens a session for `url` with the proxy the user chose in Internet Options (fixed, script or
// detection), else WinHTTP's own default (under Wine, the http_proxy variable). The proxy
// lookup waits at most `waitMs`. Offers TLS 1.2 and 1.3 where the system has them. Throws
// Failure when no session can be opened.
HttpSession OpenHttpSession(const std::wstring& url, DWORD waitMs,
                            WINHTTP_STATUS_CALLBACK callback);

// Finds the proxy for `url` now, as OpenHttpSession would, and keeps the choice for the
// sessions opened for `url` later (for any address when no script or detection decides). A
// lookup that could not answer is not kept. Safe on any thread, also while sessions open.
void PrepareProxy(const std::wstring& url, DWORD waitMs);

// Drops every kept choice, also one a preparation is still finding: the next sessions look
// again (after a failed request, or when the proxy settings may have changed).
void ForgetPreparedProxies();

}  // namespace platform::win32
