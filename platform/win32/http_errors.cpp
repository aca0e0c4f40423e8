#include "platform/win32/http_errors.h"

#include <windows.h>
#include <winhttp.h>

#include "platform/common/text.h"
#include "platform/win32/system_error.h"

namespace platform::win32 {
namespace {

std::u16string SystemDescription(DWORD code) {
  // WinHTTP's own codes are described only by winhttp.dll's message table.
  std::u16string text = MessageTableText(code, L"winhttp.dll");
  if (text.empty()) {
    text = Joined({u"The request to the server failed (error ", DecimalText(code), u")."});
  }
  return text;
}

}  // namespace

// Wine passes some socket errors (WSA...) through where Windows reports WinHTTP's own codes.
std::u16string DescribeHttpError(std::uint32_t code) {
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
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
      return u"A secure connection to the server could not be made.";
    case ERROR_WINHTTP_REDIRECT_FAILED:
      return u"The server sent the request to an address that Lumora does not follow.";
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return u"There is not enough memory to make the request.";
    case kWinHttpMissing:
      return u"Windows' web library (winhttp.dll) could not be loaded from the system folder.";
    default:
      return SystemDescription(code);
  }
}

// Windows names what was wrong with the certificate through the status callback.
std::u16string SecureFailureReason(std::uint32_t flags) {
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

Failure HttpFailure(std::uint32_t code) {
  return Failure(code, DescribeHttpError(code));
}

Failure HttpTimedOut() {
  return HttpFailure(ERROR_WINHTTP_TIMEOUT);
}

Failure AfterSending(Failure failure, bool sendBegan) {
  switch (failure.Code()) {
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
    case WSAHOST_NOT_FOUND:
    case ERROR_WINHTTP_CANNOT_CONNECT:
    case WSAECONNREFUSED:
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
    case ERROR_WINHTTP_INVALID_URL:
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
    case ERROR_WINHTTP_AUTO_PROXY_SERVICE_ERROR:
    case ERROR_WINHTTP_BAD_AUTO_PROXY_SCRIPT:
    case ERROR_WINHTTP_UNABLE_TO_DOWNLOAD_SCRIPT:
    case ERROR_WINHTTP_AUTODETECTION_FAILED:
    case ERROR_WINHTTP_REDIRECT_FAILED:
    case kProxyLogonRefused:
    case kTunnelClosedAtChallenge:
    case kIpv6LiteralRefused:
    case kWinHttpMissing:
      return failure;
    default:
      return sendBegan ? failure.MarkMayHaveArrived() : failure;
  }
}

}  // namespace platform::win32
