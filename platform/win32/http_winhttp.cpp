// The HTTP object on WinHTTP: one request per object, run on a worker thread under one deadline.
#include "platform/http.h"

#include <windows.h>
#include <winhttp.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/common/failure.h"
#include "platform/common/reply_text.h"
#include "platform/common/text.h"
#include "platform/common/web_url.h"
#include "platform/win32/http_errors.h"
#include "platform/win32/http_exchange.h"
#include "platform/win32/http_library.h"
#include "platform/win32/http_session.h"
#include "platform/win32/owned.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

// The longest a request's own proxy lookup may take; a prepared one gets the same.
constexpr DWORD kProxyLookupMs = 30000;
constexpr UINT kUtf16LeCodePage = 1200;
constexpr UINT kUtf16BeCodePage = 1201;
constexpr std::size_t kLongestCharsetName = 64;

DWORD WINAPI RunJob(void* parameter) {
  std::unique_ptr<std::shared_ptr<HttpJob>> owner(
      static_cast<std::shared_ptr<HttpJob>*>(parameter));
  HttpJob& job = **owner;
  try {
    PerformHttpJob(job);
  } catch (const Failure& failure) {
    job.failure = AfterSending(failure, job.sendBegan);
  } catch (const std::bad_alloc&) {
    job.failure = AfterSending(HttpFailure(ERROR_NOT_ENOUGH_MEMORY), job.sendBegan);
  } catch (...) {
    job.failure = AfterSending(HttpFailure(ERROR_WINHTTP_INTERNAL_ERROR), job.sendBegan);
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
  std::u16string name = charset;
  for (int hop = 0; hop < 4 && !name.empty() && name.find(u'\\') == std::u16string::npos; ++hop) {
    const std::u16string key = Joined({u"MIME\\Database\\Charset\\", name});
    DWORD codePage = 0;
    DWORD size = sizeof(codePage);
    if (RegGetValueW(HKEY_CLASSES_ROOT, Wide(key), L"InternetEncoding", RRF_RT_REG_DWORD, nullptr,
                     &codePage, &size) == ERROR_SUCCESS) {
      bool usable =
          codePage == kUtf16LeCodePage || codePage == kUtf16BeCodePage || IsValidCodePage(codePage);
      return usable ? codePage : CP_UTF8;
    }
    wchar_t alias[64] = {};
    size = sizeof(alias);
    if (RegGetValueW(HKEY_CLASSES_ROOT, Wide(key), L"AliasForCharset", RRF_RT_REG_SZ, nullptr,
                     alias, &size) != ERROR_SUCCESS) {
      break;
    }
    name = FromWide(alias);
  }
  return CP_UTF8;
}

std::u16string DecodeCodePage(std::string_view bytes, UINT codePage) {
  if (bytes.empty()) return {};
  int sourceLength = static_cast<int>(bytes.size());
  // Without MB_ERR_INVALID_CHARS, malformed input becomes replacement characters.
  int length = MultiByteToWideChar(codePage, 0, bytes.data(), sourceLength, nullptr, 0);
  if (length == 0) return DecodeUtf8(bytes);
  std::u16string wide(static_cast<std::size_t>(length), u'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), sourceLength, Wide(wide), length);
  return wide;
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
    status_ = 0;
    rawHeaders_.clear();
    sent_ = false;
    std::optional<WebUrl> address = ParseWebUrl(url);
    if (!address) throw HttpFailure(ERROR_WINHTTP_INVALID_URL);
    // Wine's WinHTTP takes "[::1]" apart wrongly (host "[", port 0): refused plainly instead.
    if (address->Ipv6Literal()) {
      throw Failure(kIpv6LiteralRefused,
                    Joined({u"Lumora cannot send to a numeric IPv6 address such as ", address->host,
                            u". Give the server's name in the address instead."}));
    }
    opened_ = *address;
    verb_ = method;
    user_ = user;
    password_ = password;
  }

  void SetRequestHeader(const std::u16string& name, const std::u16string& value) override {
    const std::u16string line =
        Joined({PrintableAsciiOnly(name), u": ", PrintableAsciiOnly(value), u"\r\n"});
    headers_ += line;
  }

  void Send(const std::vector<std::uint8_t>& body) override {
    if (!opened_) throw HttpFailure(ERROR_INVALID_HANDLE);
    LoadWinHttp();
    // Not make_shared: its control block asks the library for a type comparison that brings in
    // the library's whole shared_ptr object (3 KB of locks and hashing) without type information.
    std::shared_ptr<HttpJob> job(new HttpJob());
    job->origin = *opened_;
    job->verb = verb_;
    job->headers = headers_;
    job->body = body;
    job->user = user_;
    job->password = password_;
    job->deadline = GetTickCount64() + kDeadlineMs;
    auto* parameter = new std::shared_ptr<HttpJob>(job);
    const KernelHandle worker(CreateThread(nullptr, 0, RunJob, parameter, 0, nullptr));
    if (!worker) {
      delete parameter;
      throw HttpFailure(GetLastError());
    }
    // The worker keeps its own share of the job, so giving up on it here is safe; it ends by
    // itself once its current WinHTTP call returns.
    const DWORD waited = WaitForSingleObject(worker.Get(), kDeadlineMs + 1000);
    // After a failure the proxy may be why: the next request looks for it again.
    if (waited != WAIT_OBJECT_0) {
      job->abandoned = true;
      ForgetPreparedProxies();
      throw AfterSending(HttpTimedOut(), job->sendBegan);
    }
    if (job->failure) {
      ForgetPreparedProxies();
      throw *job->failure;
    }
    body_ = std::move(job->reply);
    contentType_ = std::move(job->contentType);
    status_ = static_cast<int>(job->status);
    rawHeaders_ = std::move(job->rawHeaders);
    sent_ = true;
  }

  std::u16string ResponseText() override {
    if (!sent_) return {};
    std::string_view bytes(reinterpret_cast<const char*>(body_.data()), body_.size());
    std::u16string charset = CharsetParameter(contentType_);
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

  int Status() override { return status_; }

  std::u16string ResponseHeader(const std::u16string& name) override {
    return HeaderValue(rawHeaders_, name);
  }

 private:
  std::optional<WebUrl> opened_;
  std::u16string verb_;
  std::u16string headers_;
  std::optional<std::u16string> user_;
  std::optional<std::u16string> password_;
  std::vector<std::uint8_t> body_;
  std::u16string contentType_;
  int status_ = 0;
  std::u16string rawHeaders_;
  bool sent_ = false;
};

class WinHttpClient final : public HttpClient {
 public:
  std::unique_ptr<HttpRequest> CreateRequest() override {
    return std::make_unique<WinHttpRequest>();
  }

  void Prepare(const std::vector<std::u16string>& urls) override {
    try {
      LoadWinHttp();
      for (const std::u16string& url : urls) {
        const std::optional<WebUrl> address = ParseWebUrl(url);
        if (address && !address->Ipv6Literal()) PrepareProxy(*address, kProxyLookupMs);
      }
    } catch (...) {
      // Nothing prepared is nothing lost: the request does it all itself.
    }
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
