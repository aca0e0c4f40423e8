// The HTTP object on WinHTTP: one request per object, run on a worker thread under one deadline.
#include "platform/http.h"

#include <windows.h>
#include <winhttp.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/common/failure.h"
#include "platform/common/reply_text.h"
#include "platform/common/text.h"
#include "platform/win32/owned.h"
#include "platform/win32/system_error.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

// What the object holds of a reply; the rest of a longer one is dropped unread.
constexpr std::size_t kMaxResponseBytes = 1u << 20;
// Every request, redirects, authentication and proxy lookup included, ends within this.
constexpr DWORD kDeadlineMs = 120000;
// WinHTTP's requests to send the same request again (ERROR_WINHTTP_RESEND_REQUEST).
constexpr int kMaxResends = 3;
constexpr int kMaxRedirects = 5;
constexpr DWORD kConnectTimeoutMs = 60000;
constexpr DWORD kSendTimeoutMs = 30000;
constexpr DWORD kReceiveTimeoutMs = 30000;
constexpr UINT kUtf16LeCodePage = 1200;
constexpr UINT kUtf16BeCodePage = 1201;
constexpr std::size_t kLongestShownAddress = 200;
constexpr std::size_t kLongestCharsetName = 64;
constexpr wchar_t kAgent[] = L"Lumora/1.2";

std::u16string SystemDescription(DWORD code) {
  // WinHTTP's own codes are described only by winhttp.dll's message table.
  std::u16string text = MessageTableText(code, L"winhttp.dll");
  if (text.empty()) {
    text = u"The request to the server failed (error " + DecimalText(code) + u").";
  }
  return text;
}

// Wine passes some socket errors (WSA...) through where Windows reports WinHTTP's own codes.
std::u16string Describe(DWORD code) {
  switch (code) {
    case ERROR_WINHTTP_CANNOT_CONNECT:
    case WSAECONNREFUSED:
      return u"The connection to the server was refused.";
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
    case WSAHOST_NOT_FOUND:
      return u"The server's name could not be found.";
    case ERROR_WINHTTP_TIMEOUT:
    case WSAETIMEDOUT:
      return u"The server did not answer in time.";
    case ERROR_WINHTTP_CONNECTION_ERROR:
    case WSAECONNRESET:
    case WSAECONNABORTED:
      return u"The connection to the server was reset.";
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
      return u"The server closed the connection or sent a reply that could not be understood.";
    case ERROR_WINHTTP_INVALID_URL:
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
      return u"The address of the server is not valid.";
    // Wine reports a refused certificate as 12157, Windows as 12175.
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:  // Wine's code for an untrusted certificate
      return u"A secure connection to the server could not be made.";
    case ERROR_WINHTTP_REDIRECT_FAILED:
      return u"The server sent the request to an address that Lumora does not follow.";
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return u"There is not enough memory to make the request.";
    default:
      return SystemDescription(code);
  }
}

// Windows names what was wrong with the certificate through the status callback.
std::u16string SecureFailureReason(DWORD flags) {
  if (flags & WINHTTP_CALLBACK_STATUS_FLAG_CERT_REVOKED) return u"The certificate was revoked.";
  if (flags & WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA) {
    return u"The certificate comes from an authority this computer does not trust.";
  }
  if (flags & WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID) {
    return u"The certificate does not name this server.";
  }
  if (flags & WINHTTP_CALLBACK_STATUS_FLAG_CERT_DATE_INVALID) {
    return u"The certificate has expired or is not yet valid.";
  }
  if (flags & WINHTTP_CALLBACK_STATUS_FLAG_CERT_REV_FAILED) {
    return u"Whether the certificate was revoked could not be checked.";
  }
  if (flags & WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CERT) return u"The certificate is not valid.";
  return {};
}

Failure TimedOut() {
  return Failure(ERROR_WINHTTP_TIMEOUT, Describe(ERROR_WINHTTP_TIMEOUT));
}

[[noreturn]] void Fail(DWORD code) {
  throw Failure(code, Describe(code));
}

[[noreturn]] void FailWithLastError() {
  Fail(GetLastError());
}

using Handle = WinHttpHandle;

// Scheme, host and port decide where the account's credentials may go.
struct Address {
  bool secure = false;
  std::wstring host;
  INTERNET_PORT port = 0;
  std::wstring object;  // path and query
};

std::optional<Address> Crack(const std::wstring& url) {
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof(parts);
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) return {};
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) return {};
  Address address;
  address.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  address.host.assign(parts.lpszHostName, parts.dwHostNameLength);
  address.port = parts.nPort;
  address.object.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
  address.object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (address.object.empty()) address.object = L"/";
  if (address.host.empty()) return {};
  return address;
}

bool SameOrigin(const Address& a, const Address& b) {
  return a.secure == b.secure && a.port == b.port &&
         CompareStringOrdinal(a.host.c_str(), static_cast<int>(a.host.size()), b.host.c_str(),
                              static_cast<int>(b.host.size()), TRUE) == CSTR_EQUAL;
}

std::wstring Spell(const Address& address) {
  return (address.secure ? L"https://" : L"http://") + address.host + L":" +
         Wide(DecimalText(address.port)) + address.object;
}

// A Location value against the address that answered with it.
std::optional<Address> Resolve(const Address& base, const std::wstring& location) {
  const std::size_t scheme = location.find(L"://");
  if (scheme != std::wstring::npos && location.find_first_of(L"/?#") > scheme) {
    return Crack(location);
  }
  if (location.starts_with(L"//")) return Crack((base.secure ? L"https:" : L"http:") + location);
  Address next = base;
  if (location.starts_with(L"/")) {
    next.object = location;
  } else {
    std::wstring path = base.object.substr(0, base.object.find(L'?'));
    next.object = path.substr(0, path.rfind(L'/') + 1) + location;
  }
  return next;
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

DWORD PreferredScheme(DWORD supported) {
  for (DWORD scheme : {WINHTTP_AUTH_SCHEME_NEGOTIATE, WINHTTP_AUTH_SCHEME_NTLM,
                       WINHTTP_AUTH_SCHEME_DIGEST, WINHTTP_AUTH_SCHEME_BASIC}) {
    if (supported & scheme) return scheme;
  }
  return 0;
}

std::wstring QueryText(HINTERNET request, DWORD info) {
  DWORD length = 0;
  WinHttpQueryHeaders(request, info, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER,
                      &length, WINHTTP_NO_HEADER_INDEX);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || length == 0) return {};
  std::wstring value(length / sizeof(wchar_t) + 1, L'\0');
  if (!WinHttpQueryHeaders(request, info, WINHTTP_HEADER_NAME_BY_INDEX, value.data(), &length,
                           WINHTTP_NO_HEADER_INDEX)) {
    return {};
  }
  value.resize(length / sizeof(wchar_t));
  return value;
}

// One request's work, shared between the caller and the worker thread that performs it: the
// caller may give up at the deadline while the worker is still inside a blocking WinHTTP call.
struct Job {
  Address origin;
  std::wstring verb;
  std::wstring headers;
  std::vector<std::uint8_t> body;
  std::optional<std::u16string> user;
  std::optional<std::u16string> password;
  ULONGLONG deadline = 0;
  std::atomic<bool> abandoned{false};
  DWORD secureFailureFlags = 0;  // set by the status callback on the worker thread

  std::vector<std::uint8_t> reply;
  std::wstring contentType;
  std::optional<Failure> failure;
};

// Milliseconds left before the deadline, at most `cap`; throws once none are left.
DWORD Left(const Job& job, DWORD cap = kDeadlineMs) {
  ULONGLONG now = GetTickCount64();
  if (job.abandoned || now >= job.deadline) throw TimedOut();
  ULONGLONG left = job.deadline - now;
  return left < cap ? static_cast<DWORD>(left) : cap;
}

void CALLBACK OnStatus(HINTERNET, DWORD_PTR context, DWORD status, void* info, DWORD length) {
  if (status == WINHTTP_CALLBACK_STATUS_SECURE_FAILURE && context != 0 && info != nullptr &&
      length >= sizeof(DWORD)) {
    reinterpret_cast<Job*>(context)->secureFailureFlags = *static_cast<DWORD*>(info);
  }
}

[[noreturn]] void FailRequest(const Job& job, DWORD code) {
  if (job.abandoned) throw TimedOut();
  if (code == ERROR_WINHTTP_SECURE_FAILURE || code == ERROR_WINHTTP_SECURE_CHANNEL_ERROR) {
    std::u16string reason = SecureFailureReason(job.secureFailureFlags);
    throw Failure(code, Describe(code) + (reason.empty() ? u"" : u" " + reason));
  }
  Fail(code);
}

// The proxy the user chose in Internet Options (fixed, script or detection) for `url`; WinHTTP's
// own default when those name none. Under Wine the default honours http_proxy.
Handle OpenSession(const Job& job, const std::wstring& url) {
  const DWORD wait = Left(job, kReceiveTimeoutMs);
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG user{};
  std::wstring proxy, bypass;
  DWORD access = WINHTTP_ACCESS_TYPE_DEFAULT_PROXY;
  if (WinHttpGetIEProxyConfigForCurrentUser(&user)) {
    if (user.fAutoDetect || user.lpszAutoConfigUrl) {
      WINHTTP_AUTOPROXY_OPTIONS options{};
      if (user.lpszAutoConfigUrl) {
        options.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
        options.lpszAutoConfigUrl = user.lpszAutoConfigUrl;
      }
      if (user.fAutoDetect) {
        options.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
        options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
      }
      options.fAutoLogonIfChallenged = TRUE;
      WINHTTP_PROXY_INFO found{};
      Handle probe(WinHttpOpen(kAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                               WINHTTP_NO_PROXY_BYPASS, 0));
      if (probe) {
        WinHttpSetTimeouts(probe.Get(), static_cast<int>(wait), static_cast<int>(wait),
                           static_cast<int>(wait), static_cast<int>(wait));
      }
      if (probe && WinHttpGetProxyForUrl(probe.Get(), url.c_str(), &options, &found)) {
        if (found.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && found.lpszProxy) {
          access = WINHTTP_ACCESS_TYPE_NAMED_PROXY;
          proxy = found.lpszProxy;
          if (found.lpszProxyBypass) bypass = found.lpszProxyBypass;
        } else {
          access = WINHTTP_ACCESS_TYPE_NO_PROXY;
        }
      }
      GlobalFree(found.lpszProxy);
      GlobalFree(found.lpszProxyBypass);
    }
    if (access == WINHTTP_ACCESS_TYPE_DEFAULT_PROXY && user.lpszProxy && *user.lpszProxy) {
      access = WINHTTP_ACCESS_TYPE_NAMED_PROXY;
      proxy = user.lpszProxy;
      if (user.lpszProxyBypass) bypass = user.lpszProxyBypass;
    }
    GlobalFree(user.lpszAutoConfigUrl);
    GlobalFree(user.lpszProxy);
    GlobalFree(user.lpszProxyBypass);
  }
  Left(job);
  Handle session(WinHttpOpen(
      kAgent, access, access == WINHTTP_ACCESS_TYPE_NAMED_PROXY ? proxy.c_str() : nullptr,
      access == WINHTTP_ACCESS_TYPE_NAMED_PROXY && !bypass.empty() ? bypass.c_str() : nullptr, 0));
  if (!session) FailWithLastError();
  WinHttpSetStatusCallback(session.Get(), OnStatus, WINHTTP_CALLBACK_FLAG_SECURE_FAILURE, 0);
  return session;
}

// Hands the credentials to WinHTTP for the scheme the challenge offers; WinHTTP encodes them.
bool AnswerChallenge(HINTERNET request, const char16_t* user, const char16_t* password) {
  DWORD supported = 0, first = 0, target = 0;
  if (!WinHttpQueryAuthSchemes(request, &supported, &first, &target)) return false;
  DWORD scheme = PreferredScheme(supported);
  if (user == nullptr) {
    scheme &= WINHTTP_AUTH_SCHEME_NEGOTIATE | WINHTTP_AUTH_SCHEME_NTLM;
  }
  if (scheme == 0) return false;
  return WinHttpSetCredentials(request, target, scheme, reinterpret_cast<const wchar_t*>(user),
                               reinterpret_cast<const wchar_t*>(password), nullptr) != FALSE;
}

// Sends until the reply's status line and headers are in, answering at most one challenge from
// the server and one from a proxy; returns the status code.
DWORD Exchange(Job& job, HINTERNET request, const Address& at, bool withBody) {
  bool serverAnswered = false;
  bool proxyAnswered = false;
  int resends = 0;
  for (;;) {
    DWORD left = Left(job);
    // Per-call limits never reach past the deadline; Wine takes them at each send.
    WinHttpSetTimeouts(request, 0, static_cast<int>(std::min(kConnectTimeoutMs, left)),
                       static_cast<int>(std::min(kSendTimeoutMs, left)),
                       static_cast<int>(std::min(kReceiveTimeoutMs, left)));
    DWORD responseTimeout = std::min(kReceiveTimeoutMs, left);
    WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseTimeout,
                     sizeof(responseTimeout));
    void* data = !withBody || job.body.empty() ? WINHTTP_NO_REQUEST_DATA : job.body.data();
    DWORD size = withBody ? static_cast<DWORD>(job.body.size()) : 0;
    if (!WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, data, size, size,
                            reinterpret_cast<DWORD_PTR>(&job)) ||
        !WinHttpReceiveResponse(request, nullptr)) {
      DWORD error = GetLastError();
      if (error == ERROR_WINHTTP_RESEND_REQUEST) {
        if (++resends > kMaxResends) throw TimedOut();
        continue;
      }
      FailRequest(job, error);
    }
    DWORD status = 0;
    DWORD length = sizeof(status);
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &length,
                             WINHTTP_NO_HEADER_INDEX)) {
      FailRequest(job, GetLastError());
    }
    if (status == HTTP_STATUS_DENIED && !serverAnswered && job.user && SameOrigin(at, job.origin)) {
      serverAnswered = true;
      if (AnswerChallenge(request, job.user->c_str(), job.password ? job.password->c_str() : u""))
        continue;
    } else if (status == HTTP_STATUS_PROXY_AUTH_REQ && !proxyAnswered) {
      // The account's credentials belong to the service, never to a proxy on the way:
      // a proxy is offered only the logged-on user's own (Negotiate or NTLM).
      proxyAnswered = true;
      if (AnswerChallenge(request, nullptr, nullptr)) continue;
    }
    return status;
  }
}

void ReadBody(Job& job, HINTERNET request) {
  job.contentType = QueryText(request, WINHTTP_QUERY_CONTENT_TYPE);
  job.reply.clear();
  while (job.reply.size() < kMaxResponseBytes) {
    Left(job);
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

// Redirects are followed here, not by WinHTTP, and only within the origin the request was
// opened for: WinHTTP would follow a 307 anywhere and answer the new host's challenge with the
// account's credentials, and Wine cannot say where a request ended up.
void Perform(Job& job) {
  Handle session = OpenSession(job, Spell(job.origin));
  Address at = job.origin;
  std::wstring verb = job.verb;
  bool withBody = true;
  for (int redirects = 0;; ++redirects) {
    Left(job);
    Handle connection(WinHttpConnect(session.Get(), at.host.c_str(), at.port, 0));
    if (!connection) FailRequest(job, GetLastError());
    Handle request(WinHttpOpenRequest(connection.Get(), verb.c_str(), at.object.c_str(), nullptr,
                                      WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                      at.secure ? WINHTTP_FLAG_SECURE : 0));
    if (!request) FailRequest(job, GetLastError());
    // Wine keeps a proxy's connections by the proxy's address alone, so a kept tunnel would
    // carry the next secure request to the host it was opened for: none is kept.
    DWORD features = WINHTTP_DISABLE_REDIRECTS | (at.secure ? WINHTTP_DISABLE_KEEP_ALIVE : 0);
    if (!WinHttpSetOption(request.Get(), WINHTTP_OPTION_DISABLE_FEATURE, &features,
                          sizeof(features))) {
      FailRequest(job, GetLastError());
    }
    if (!job.headers.empty() &&
        !WinHttpAddRequestHeaders(request.Get(), job.headers.c_str(),
                                  static_cast<DWORD>(job.headers.size()),
                                  WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE)) {
      FailRequest(job, GetLastError());
    }
    DWORD status = Exchange(job, request.Get(), at, withBody);
    std::wstring location =
        IsRedirect(status) ? QueryText(request.Get(), WINHTTP_QUERY_LOCATION) : L"";
    if (location.empty()) {
      ReadBody(job, request.Get());
      return;
    }
    std::optional<Address> next = Resolve(at, location);
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

DWORD WINAPI RunJob(void* parameter) {
  std::unique_ptr<std::shared_ptr<Job>> owner(static_cast<std::shared_ptr<Job>*>(parameter));
  Job& job = **owner;
  try {
    Perform(job);
  } catch (const Failure& failure) {
    job.failure = failure;
  } catch (const std::bad_alloc&) {
    job.failure = Failure(ERROR_NOT_ENOUGH_MEMORY, Describe(ERROR_NOT_ENOUGH_MEMORY));
  } catch (...) {
    job.failure = Failure(ERROR_WINHTTP_INTERNAL_ERROR, Describe(ERROR_WINHTTP_INTERNAL_ERROR));
  }
  return 0;
}

// The code page Windows records for a charset name (the table MLang itself reads), following
// aliases; UTF-8 when it knows none. Registry rather than MLang's COM object: setting up a COM
// apartment can stall for seconds under Wine.
UINT CodePageOf(const std::u16string& charset) {
  if (charset.size() > kLongestCharsetName || PrintableAsciiOnly(charset) != charset) {
    return CP_UTF8;
  }
  std::wstring name(charset.begin(), charset.end());
  for (int hop = 0; hop < 4 && !name.empty() && name.find(L'\\') == std::wstring::npos; ++hop) {
    std::wstring key = L"MIME\\Database\\Charset\\" + name;
    DWORD codePage = 0;
    DWORD size = sizeof(codePage);
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), L"InternetEncoding", RRF_RT_REG_DWORD, nullptr,
                     &codePage, &size) == ERROR_SUCCESS) {
      bool usable =
          codePage == kUtf16LeCodePage || codePage == kUtf16BeCodePage || IsValidCodePage(codePage);
      return usable ? codePage : CP_UTF8;
    }
    wchar_t alias[64] = {};
    size = sizeof(alias);
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), L"AliasForCharset", RRF_RT_REG_SZ, nullptr,
                     alias, &size) != ERROR_SUCCESS) {
      break;
    }
    name = alias;
  }
  return CP_UTF8;
}

std::u16string DecodeCodePage(std::string_view bytes, UINT codePage) {
  if (bytes.empty()) return {};
  int sourceLength = static_cast<int>(bytes.size());
  // Without MB_ERR_INVALID_CHARS, malformed input becomes replacement characters.
  int length = MultiByteToWideChar(codePage, 0, bytes.data(), sourceLength, nullptr, 0);
  if (length == 0) return DecodeUtf8(bytes);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), sourceLength, wide.data(), length);
  return FromWide(wide);
}

class WinHttpRequest final : public HttpRequest {
 public:
  void Open(const std::u16string& method, const std::u16string& url,
            const std::optional<std::u16string>& user,
            const std::optional<std::u16string>& password) override {
    opened_.reset();
    headers_.clear();
    body_.clear();
    contentType_.clear();
    sent_ = false;
    std::optional<Address> address = Crack(std::wstring(Wide(url)));
    if (!address) Fail(ERROR_WINHTTP_INVALID_URL);
    opened_ = *address;
    verb_ = Wide(method);
    user_ = user;
    password_ = password;
  }

  void SetRequestHeader(const std::u16string& name, const std::u16string& value) override {
    headers_ += FromAscii(PrintableAsciiOnly(name)) + L": " + FromAscii(PrintableAsciiOnly(value)) +
                L"\r\n";
  }

  void Send(const std::vector<std::uint8_t>& body) override {
    if (!opened_) Fail(ERROR_INVALID_HANDLE);
    auto job = std::make_shared<Job>();
    job->origin = *opened_;
    job->verb = verb_;
    job->headers = headers_;
    job->body = body;
    job->user = user_;
    job->password = password_;
    job->deadline = GetTickCount64() + kDeadlineMs;
    auto* parameter = new std::shared_ptr<Job>(job);
    const KernelHandle worker(CreateThread(nullptr, 0, RunJob, parameter, 0, nullptr));
    if (!worker) {
      delete parameter;
      FailWithLastError();
    }
    // The worker keeps its own share of the job, so giving up on it here is safe; it ends by
    // itself once its current WinHTTP call returns.
    const DWORD waited = WaitForSingleObject(worker.Get(), kDeadlineMs + 1000);
    if (waited != WAIT_OBJECT_0) {
      job->abandoned = true;
      throw TimedOut();
    }
    if (job->failure) throw *job->failure;
    body_ = std::move(job->reply);
    contentType_ = std::move(job->contentType);
    sent_ = true;
  }

  std::u16string ResponseText() override {
    if (!sent_) return {};
    std::string_view bytes(reinterpret_cast<const char*>(body_.data()), body_.size());
    std::u16string charset = CharsetParameter(FromWide(contentType_));
    TextEncoding encoding = EncodingOfCharset(charset);
    UINT codePage = CP_UTF8;
    if (encoding == TextEncoding::kOther) {
      codePage = CodePageOf(charset);
      if (codePage == CP_UTF8) encoding = TextEncoding::kUtf8;
      if (codePage == kUtf16LeCodePage) encoding = TextEncoding::kUtf16Le;
      if (codePage == kUtf16BeCodePage) encoding = TextEncoding::kUtf16Be;
    }
    return DecodeReply(bytes, encoding, [codePage](std::string_view other) {
      return DecodeCodePage(other, codePage);
    });
  }

 private:
  static std::wstring FromAscii(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
  }

  std::optional<Address> opened_;
  std::wstring verb_;
  std::wstring headers_;
  std::optional<std::u16string> user_;
  std::optional<std::u16string> password_;
  std::vector<std::uint8_t> body_;
  std::wstring contentType_;
  bool sent_ = false;
};

class WinHttpClient final : public HttpClient {
 public:
  std::unique_ptr<HttpRequest> CreateRequest() override {
    return std::make_unique<WinHttpRequest>();
  }
};

}  // namespace

}  // namespace platform::win32

namespace platform {

HttpClient& SystemHttpClient() {
  static win32::WinHttpClient client;
  return client;
}

}  // namespace platform
