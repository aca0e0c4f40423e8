// The HTTP object on WinHTTP: one synchronous request per object, exact credentials.
#include "platform/http.h"

#include <windows.h>
#include <winhttp.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "platform/win32/backends.h"
#include "platform/win32/system_error.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

// Replies above this size are refused rather than held: far more than either service sends.
constexpr std::size_t kMaxResponseBytes = 64u * 1024u * 1024u;
constexpr int kResolveTimeoutMs = 0;  // no limit of its own: the system's resolver decides
constexpr int kConnectTimeoutMs = 60000;
constexpr int kSendTimeoutMs = 30000;
constexpr int kReceiveTimeoutMs = 30000;
constexpr UINT kUtf16LeCodePage = 1200;
constexpr UINT kUtf16BeCodePage = 1201;

std::u16string SystemDescription(DWORD code) {
  // WinHTTP's own codes are described only by winhttp.dll's message table.
  std::u16string text = MessageTableText(code, L"winhttp.dll");
  if (text.empty()) {
    std::string number = std::to_string(code);
    text = u"The request to the server failed (error " +
           std::u16string(number.begin(), number.end()) + u").";
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
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:  // Wine's code for an untrusted certificate
      return u"A secure connection to the server could not be made.";
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return u"There is not enough memory to make the request.";
    default:
      return SystemDescription(code);
  }
}

[[noreturn]] void Fail(DWORD code) {
  throw Failure(code, Describe(code));
}

[[noreturn]] void FailWithLastError() {
  Fail(GetLastError());
}

struct HandleCloser {
  void operator()(void* handle) const { WinHttpCloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// Control characters would let a value end the header line early; none reaches the wire.
std::wstring WithoutControls(const std::u16string& text) {
  std::wstring clean;
  clean.reserve(text.size());
  for (char16_t c : text) {
    if (c >= 0x20 && c != 0x7F) clean.push_back(static_cast<wchar_t>(c));
  }
  return clean;
}

// The charset parameter of a Content-Type value, without quotes; empty when none is named.
std::wstring CharsetOf(const std::wstring& contentType) {
  std::wstring lower = contentType;
  for (wchar_t& c : lower) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  std::size_t at = lower.find(L"charset=");
  if (at == std::wstring::npos) return {};
  std::size_t begin = at + 8;
  std::size_t end = begin;
  while (end < contentType.size() && contentType[end] != L';' && contentType[end] != L' ' &&
         contentType[end] != L'\t') {
    ++end;
  }
  std::wstring name = contentType.substr(begin, end - begin);
  if (name.size() >= 2 && name.front() == L'"' && name.back() == L'"') {
    name = name.substr(1, name.size() - 2);
  }
  return name;
}

// The code page Windows records for a charset name (the table MLang itself reads), following
// aliases; UTF-8 when it knows none. Registry rather than MLang's COM object: setting up a COM
// apartment can stall for seconds under Wine.
UINT CodePageOf(const std::wstring& charset) {
  if (charset.empty() ||
      CompareStringOrdinal(charset.c_str(), -1, L"utf-8", -1, TRUE) == CSTR_EQUAL) {
    return CP_UTF8;
  }
  std::wstring name = charset;
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

std::u16string Decode(const std::vector<std::uint8_t>& bytes, UINT codePage) {
  std::size_t skip = 0;
  if (codePage == kUtf16LeCodePage || codePage == kUtf16BeCodePage) {
    // MultiByteToWideChar does not take the UTF-16 code pages.
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
      char16_t low = bytes[i + (codePage == kUtf16BeCodePage ? 1 : 0)];
      char16_t high = bytes[i + (codePage == kUtf16BeCodePage ? 0 : 1)];
      text.push_back(static_cast<char16_t>(low | (high << 8)));
    }
    if (!text.empty() && text.front() == 0xFEFF) text.erase(0, 1);
    return text;
  }
  if (codePage == CP_UTF8 && bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB &&
      bytes[2] == 0xBF) {
    skip = 3;
  }
  if (bytes.size() == skip) return {};
  const char* source = reinterpret_cast<const char*>(bytes.data()) + skip;
  int sourceLength = static_cast<int>(bytes.size() - skip);
  // Without MB_ERR_INVALID_CHARS, malformed input becomes replacement characters.
  int length = MultiByteToWideChar(codePage, 0, source, sourceLength, nullptr, 0);
  if (length == 0 && codePage != CP_UTF8) {
    codePage = CP_UTF8;
    length = MultiByteToWideChar(codePage, 0, source, sourceLength, nullptr, 0);
  }
  if (length == 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, source, sourceLength, wide.data(), length);
  return FromWide(wide.data(), wide.size());
}

DWORD PreferredScheme(DWORD supported) {
  for (DWORD scheme : {WINHTTP_AUTH_SCHEME_NEGOTIATE, WINHTTP_AUTH_SCHEME_NTLM,
                       WINHTTP_AUTH_SCHEME_DIGEST, WINHTTP_AUTH_SCHEME_BASIC}) {
    if (supported & scheme) return scheme;
  }
  return 0;
}

class WinHttpRequest final : public HttpRequest {
 public:
  void Open(const std::u16string& method, const std::u16string& url, bool /*async*/,
            const std::optional<std::u16string>& user,
            const std::optional<std::u16string>& password) override {
    // Always synchronous: Send returns with the whole response, whatever the flag says.
    request_.reset();
    connection_.reset();
    session_.reset();
    headers_.clear();
    body_.clear();
    contentType_.clear();
    sent_ = false;

    std::wstring address = Wide(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(address.c_str(), static_cast<DWORD>(address.size()), 0, &parts)) {
      FailWithLastError();
    }
    std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring object(parts.lpszUrlPath, parts.dwUrlPathLength);
    object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (object.empty()) object = L"/";

    session_.reset(WinHttpOpen(L"Lumora/1.2", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                               WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session_) FailWithLastError();
    // Windows' own defaults, stated outright: Wine otherwise waits far longer for a reply.
    if (!WinHttpSetTimeouts(session_.get(), kResolveTimeoutMs, kConnectTimeoutMs, kSendTimeoutMs,
                            kReceiveTimeoutMs)) {
      FailWithLastError();
    }
    connection_.reset(WinHttpConnect(session_.get(), host.c_str(), parts.nPort, 0));
    if (!connection_) FailWithLastError();
    DWORD flags = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
    std::wstring verb = Wide(method);
    request_.reset(WinHttpOpenRequest(connection_.get(), verb.c_str(), object.c_str(), nullptr,
                                      WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
    if (!request_) FailWithLastError();
    if (flags & WINHTTP_FLAG_SECURE) {
      // Wine keeps a proxy's connections by the proxy's address alone, so a kept tunnel would
      // carry the next secure request to the host it was opened for: none is kept.
      DWORD feature = WINHTTP_DISABLE_KEEP_ALIVE;
      WinHttpSetOption(request_.get(), WINHTTP_OPTION_DISABLE_FEATURE, &feature,
                       sizeof(feature));
    }
    DWORD responseTimeout = kReceiveTimeoutMs;
    WinHttpSetOption(request_.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseTimeout,
                     sizeof(responseTimeout));
    user_ = user;
    password_ = password;
  }

  void SetRequestHeader(const std::u16string& name, const std::u16string& value) override {
    headers_ += WithoutControls(name) + L": " + WithoutControls(value) + L"\r\n";
  }

  void Send(const std::vector<std::uint8_t>& body) override {
    if (!request_) Fail(ERROR_INVALID_HANDLE);
    if (!headers_.empty() &&
        !WinHttpAddRequestHeaders(request_.get(), headers_.c_str(),
                                  static_cast<DWORD>(headers_.size()),
                                  WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE)) {
      FailWithLastError();
    }
    bool serverAnswered = false;
    bool proxyAnswered = false;
    for (;;) {
      DWORD status = Exchange(body);
      if (status == HTTP_STATUS_DENIED && !serverAnswered && user_) {
        serverAnswered = true;
        if (AnswerChallenge(user_->c_str(), password_ ? password_->c_str() : u"")) continue;
      } else if (status == HTTP_STATUS_PROXY_AUTH_REQ && !proxyAnswered) {
        // The account's credentials belong to the service, never to a proxy on the way:
        // a proxy is offered only the logged-on user's own (Negotiate or NTLM).
        proxyAnswered = true;
        if (AnswerChallenge(nullptr, nullptr)) continue;
      }
      break;
    }
    ReadBody();
    sent_ = true;
  }

  std::u16string ResponseText() override {
    if (!sent_) return {};
    return Decode(body_, CodePageOf(CharsetOf(contentType_)));
  }

 private:
  // One send and the response's status line and headers; returns the status code.
  DWORD Exchange(const std::vector<std::uint8_t>& body) {
    for (;;) {
      void* data = body.empty() ? WINHTTP_NO_REQUEST_DATA : const_cast<std::uint8_t*>(body.data());
      DWORD size = static_cast<DWORD>(body.size());
      if (WinHttpSendRequest(request_.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, data, size, size,
                             0) &&
          WinHttpReceiveResponse(request_.get(), nullptr)) {
        break;
      }
      DWORD error = GetLastError();
      // WinHTTP asks for this after it has followed some redirects and auth exchanges itself.
      if (error != ERROR_WINHTTP_RESEND_REQUEST) Fail(error);
    }
    DWORD status = 0;
    DWORD length = sizeof(status);
    if (!WinHttpQueryHeaders(request_.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &length,
                             WINHTTP_NO_HEADER_INDEX)) {
      FailWithLastError();
    }
    return status;
  }

  // Hands the credentials to WinHTTP for the scheme the challenge offers; WinHTTP encodes them.
  bool AnswerChallenge(const char16_t* user, const char16_t* password) {
    DWORD supported = 0, first = 0, target = 0;
    if (!WinHttpQueryAuthSchemes(request_.get(), &supported, &first, &target)) return false;
    DWORD scheme = PreferredScheme(supported);
    if (user == nullptr) {
      scheme &= WINHTTP_AUTH_SCHEME_NEGOTIATE | WINHTTP_AUTH_SCHEME_NTLM;
    }
    if (scheme == 0) return false;
    return WinHttpSetCredentials(request_.get(), target, scheme,
                                 reinterpret_cast<const wchar_t*>(user),
                                 reinterpret_cast<const wchar_t*>(password), nullptr) != FALSE;
  }

  void ReadBody() {
    body_.clear();
    contentType_.clear();
    DWORD length = 0;
    WinHttpQueryHeaders(request_.get(), WINHTTP_QUERY_CONTENT_TYPE, WINHTTP_HEADER_NAME_BY_INDEX,
                        WINHTTP_NO_OUTPUT_BUFFER, &length, WINHTTP_NO_HEADER_INDEX);
    if (GetLastError() == ERROR_INSUFFICIENT_BUFFER && length > 0) {
      std::wstring value(length / sizeof(wchar_t) + 1, L'\0');
      if (WinHttpQueryHeaders(request_.get(), WINHTTP_QUERY_CONTENT_TYPE,
                              WINHTTP_HEADER_NAME_BY_INDEX, value.data(), &length,
                              WINHTTP_NO_HEADER_INDEX)) {
        value.resize(length / sizeof(wchar_t));
        contentType_ = value;
      }
    }
    for (;;) {
      DWORD available = 0;
      if (!WinHttpQueryDataAvailable(request_.get(), &available)) FailWithLastError();
      if (available == 0) break;
      if (body_.size() + available > kMaxResponseBytes) {
        throw Failure(ERROR_NOT_ENOUGH_MEMORY, u"The server's reply is too long.");
      }
      std::size_t at = body_.size();
      body_.resize(at + available);
      DWORD read = 0;
      if (!WinHttpReadData(request_.get(), body_.data() + at, available, &read)) {
        FailWithLastError();
      }
      body_.resize(at + read);
      if (read == 0) break;
    }
  }

  Handle session_;
  Handle connection_;
  Handle request_;
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

HttpClient& TheHttpClient() {
  static WinHttpClient client;
  return client;
}

}  // namespace platform::win32
