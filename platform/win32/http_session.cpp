#include "platform/win32/http_session.h"

#include <optional>
#include <string>
#include <utility>

#include "platform/common/web_url.h"
#include "platform/win32/http_errors.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

constexpr wchar_t kAgent[] = L"Lumora/1.2";

struct ProxyChoice {
  DWORD access = WINHTTP_ACCESS_TYPE_NO_PROXY;
  std::u16string proxy;
  std::u16string bypass;
  bool anyUrl = true;   // the same for every address: no script or detection was asked
  bool settled = true;  // not a fallback after a script or detection that could not answer

  void Take(LPCWSTR list, LPCWSTR bypassList) {
    access = WINHTTP_ACCESS_TYPE_NAMED_PROXY;
    proxy = FromWide(list);
    bypass = FromWide(bypassList);
  }
};

// The user's configuration script or automatic detection into `choice`; false when neither
// answers.
bool FromScript(const WINHTTP_CURRENT_USER_IE_PROXY_CONFIG& user, const std::u16string& url,
                DWORD waitMs, ProxyChoice& choice) {
  WINHTTP_AUTOPROXY_OPTIONS options{};
  if (user.lpszAutoConfigUrl) {
    options.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
    options.lpszAutoConfigUrl = user.lpszAutoConfigUrl;
  }
  if (user.fAutoDetect) {
    options.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
    options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
  }
  // Fetching the script the user named may need the logon of the user's own network.
  options.fAutoLogonIfChallenged = TRUE;
  WinHttpHandle probe(WinHttpOpen(kAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                  WINHTTP_NO_PROXY_BYPASS, 0));
  if (!probe) {
    choice.settled = false;
    return false;
  }
  const int wait = static_cast<int>(waitMs);
  WinHttpSetTimeouts(probe.Get(), wait, wait, wait, wait);
  WINHTTP_PROXY_INFO found{};
  if (!WinHttpGetProxyForUrl(probe.Get(), Wide(url), &options, &found)) {
    // Detection that finds no script is an answer, the same every time; anything else (a
    // time-out, a script that could not be fetched or run) may go another way next time.
    choice.settled =
        GetLastError() == ERROR_WINHTTP_AUTODETECTION_FAILED && !user.lpszAutoConfigUrl;
    return false;
  }
  const GlobalText list(found.lpszProxy), bypass(found.lpszProxyBypass);
  if (found.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && list) {
    choice.Take(list.Get(), bypass.Get());
  }
  return true;
}

// WinHTTP's own default, asked here rather than left to WinHttpOpen so that Lumora knows which
// proxy it is talking to.
ProxyChoice FromDefault() {
  ProxyChoice choice;
  WINHTTP_PROXY_INFO info{};
  if (!WinHttpGetDefaultProxyConfiguration(&info)) return choice;
  const GlobalText list(info.lpszProxy), bypass(info.lpszProxyBypass);
  if (info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && list && *list.Get()) {
    choice.Take(list.Get(), bypass.Get());
  }
  return choice;
}

ProxyChoice ChooseProxy(const std::u16string& url, DWORD waitMs) {
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG user{};
  if (!WinHttpGetIEProxyConfigForCurrentUser(&user)) return FromDefault();
  const GlobalText script(user.lpszAutoConfigUrl), list(user.lpszProxy),
      bypass(user.lpszProxyBypass);
  ProxyChoice choice;
  if (user.fAutoDetect || script) {
    choice.anyUrl = false;
    if (FromScript(user, url, waitMs, choice)) return choice;
  }
  if (list && *list.Get()) {
    choice.Take(list.Get(), bypass.Get());
    return choice;
  }
  ProxyChoice fallback = FromDefault();
  fallback.anyUrl = choice.anyUrl;
  fallback.settled = choice.settled;
  return fallback;
}

// Proxy choices found ahead of the requests that need them. Never freed: a preparation may
// still be adding one while the program ends.
struct PreparedChoice {
  std::u16string url;  // empty: any address
  ProxyChoice choice;
  PreparedChoice* next;
};
SRWLOCK preparedLock = SRWLOCK_INIT;
PreparedChoice* prepared = nullptr;
unsigned preparedGeneration = 0;

bool FindPrepared(const std::u16string& url, ProxyChoice& choice) {
  AcquireSRWLockShared(&preparedLock);
  const PreparedChoice* entry = prepared;
  while (entry != nullptr && !entry->url.empty() && entry->url != url) entry = entry->next;
  if (entry != nullptr) choice = entry->choice;
  ReleaseSRWLockShared(&preparedLock);
  return entry != nullptr;
}

// TLS 1.2 and 1.3; a system that does not know the 1.3 flag refuses the pair, and gets 1.2.
void OfferModernTls(HINTERNET session) {
  DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
  if (WinHttpSetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof(protocols))) {
    return;
  }
  protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
  WinHttpSetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof(protocols));
}

// A session that sends every request through `proxy` ("host:port"), or direct when it is empty.
// WinHTTP gets the single entry with no bypass list: Wine reads a proxy list as one host name,
// and where Windows and Lumora would read a list or a bypass rule differently, the proxy the
// logon may go to would no longer be the one the request used.
WinHttpHandle OpenSession(const std::u16string& proxy, WINHTTP_STATUS_CALLBACK callback) {
  WinHttpHandle session(WinHttpOpen(
      kAgent, proxy.empty() ? WINHTTP_ACCESS_TYPE_NO_PROXY : WINHTTP_ACCESS_TYPE_NAMED_PROXY,
      proxy.empty() ? WINHTTP_NO_PROXY_NAME : Wide(proxy), WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) throw HttpFailure(GetLastError());
  OfferModernTls(session.Get());
  WinHttpSetStatusCallback(
      session.Get(), callback,
      WINHTTP_CALLBACK_FLAG_SECURE_FAILURE | WINHTTP_CALLBACK_FLAG_CONNECT_TO_SERVER, 0);
  return session;
}

// Sessions shared by the requests that go through the same proxy (or direct). Never freed:
// requests on other threads may still be using one while the program ends.
struct SharedEntry {
  std::u16string proxy;
  HINTERNET handle;
  SharedEntry* next;
};
SRWLOCK sharedLock = SRWLOCK_INIT;
SharedEntry* sharedSessions = nullptr;

HINTERNET SharedSession(const std::u16string& proxy, WINHTTP_STATUS_CALLBACK callback) {
  AcquireSRWLockExclusive(&sharedLock);
  SharedEntry* entry = sharedSessions;
  while (entry != nullptr && entry->proxy != proxy) entry = entry->next;
  HINTERNET handle = entry != nullptr ? entry->handle : nullptr;
  try {
    if (handle == nullptr) {
      WinHttpHandle opened = OpenSession(proxy, callback);
      sharedSessions = new SharedEntry{proxy, opened.Get(), sharedSessions};
      handle = opened.Release();
    }
  } catch (...) {
    ReleaseSRWLockExclusive(&sharedLock);
    throw;
  }
  ReleaseSRWLockExclusive(&sharedLock);
  return handle;
}

}  // namespace

void PrepareProxy(const WebUrl& origin, DWORD waitMs) {
  const std::u16string url = SpellOrigin(origin);
  ProxyChoice choice;
  AcquireSRWLockShared(&preparedLock);
  const unsigned generation = preparedGeneration;
  ReleaseSRWLockShared(&preparedLock);
  if (FindPrepared(url, choice)) return;
  choice = ChooseProxy(url, waitMs);
  if (!choice.settled) return;
  auto* entry = new PreparedChoice{choice.anyUrl ? std::u16string() : url, choice, nullptr};
  AcquireSRWLockExclusive(&preparedLock);
  // A request that failed meanwhile asked for every choice to be found again.
  const bool current = generation == preparedGeneration;
  if (current) {
    entry->next = prepared;
    prepared = entry;
  }
  ReleaseSRWLockExclusive(&preparedLock);
  if (!current) delete entry;
}

void ForgetPreparedProxies() {
  AcquireSRWLockExclusive(&preparedLock);
  ++preparedGeneration;
  PreparedChoice* entry = prepared;
  prepared = nullptr;
  ReleaseSRWLockExclusive(&preparedLock);
  while (entry != nullptr) {
    PreparedChoice* next = entry->next;
    delete entry;
    entry = next;
  }
}

HttpSession OpenHttpSession(const WebUrl& origin, DWORD waitMs, WINHTTP_STATUS_CALLBACK callback,
                            bool shared) {
  const std::u16string url = SpellOrigin(origin);
  ProxyChoice choice;
  if (!FindPrepared(url, choice)) choice = ChooseProxy(url, waitMs);
  HttpSession session;
  if (choice.access == WINHTTP_ACCESS_TYPE_NAMED_PROXY) {
    std::optional<std::u16string> entry = ProxyEntryFor(origin, choice.proxy, choice.bypass);
    if (entry) session.proxy = std::move(*entry);
  }
  if (shared) {
    session.handle = SharedSession(session.proxy, callback);
    return session;
  }
  session.owned = OpenSession(session.proxy, callback);
  session.handle = session.owned.Get();
  return session;
}

}  // namespace platform::win32
