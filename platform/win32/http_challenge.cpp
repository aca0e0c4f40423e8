#include "platform/win32/http_challenge.h"

#include <string_view>

#include "platform/common/text.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

DWORD PreferredScheme(DWORD supported) {
  for (DWORD scheme : {WINHTTP_AUTH_SCHEME_NEGOTIATE, WINHTTP_AUTH_SCHEME_NTLM,
                       WINHTTP_AUTH_SCHEME_DIGEST, WINHTTP_AUTH_SCHEME_BASIC}) {
    if (supported & scheme) return scheme;
  }
  return 0;
}

bool SameText(const std::u16string& text, std::u16string_view lower) {
  return AsciiLower(text) == lower;
}

}  // namespace

std::u16string QueryText(HINTERNET request, DWORD info) {
  DWORD length = 0;
  WinHttpQueryHeaders(request, info, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER,
                      &length, WINHTTP_NO_HEADER_INDEX);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || length == 0) return {};
  std::u16string value(length / sizeof(wchar_t) + 1, u'\0');
  if (!WinHttpQueryHeaders(request, info, WINHTTP_HEADER_NAME_BY_INDEX, Wide(value), &length,
                           WINHTTP_NO_HEADER_INDEX)) {
    return {};
  }
  value.resize(length / sizeof(wchar_t));
  return value;
}

bool ConnectionKept(HINTERNET request) {
  const std::u16string connection = QueryText(request, WINHTTP_QUERY_CONNECTION);
  if (SameText(connection, u"close")) return false;
  return SameText(connection, u"keep-alive") ||
         QueryText(request, WINHTTP_QUERY_VERSION) != u"HTTP/1.0";
}

// The certificate's summary rather than its context: the context would bring in crypt32.dll
// for one call.
bool TalkedToServerSecurely(HINTERNET request) {
  WINHTTP_CERTIFICATE_INFO certificate{};
  DWORD size = sizeof(certificate);
  if (!WinHttpQueryOption(request, WINHTTP_OPTION_SECURITY_CERTIFICATE_STRUCT, &certificate,
                          &size)) {
    return false;
  }
  for (LPWSTR text :
       {certificate.lpszSubjectInfo, certificate.lpszIssuerInfo, certificate.lpszProtocolName,
        certificate.lpszSignatureAlgName, certificate.lpszEncryptionAlgName}) {
    LocalFree(text);
  }
  return true;
}

void SetLogonPolicy(HINTERNET request, DWORD policy) {
  WinHttpSetOption(request, WINHTTP_OPTION_AUTOLOGON_POLICY, &policy, sizeof(policy));
}

bool AnswerChallenge(HINTERNET request, DWORD target, const char16_t* user,
                     const char16_t* password) {
  DWORD supported = 0, first = 0, offeredTarget = 0;
  if (!WinHttpQueryAuthSchemes(request, &supported, &first, &offeredTarget)) return false;
  if (offeredTarget != target) return false;
  DWORD scheme = PreferredScheme(supported);
  if (user == nullptr) scheme &= WINHTTP_AUTH_SCHEME_NEGOTIATE | WINHTTP_AUTH_SCHEME_NTLM;
  if (scheme == 0) return false;
  return WinHttpSetCredentials(request, target, scheme, reinterpret_cast<const wchar_t*>(user),
                               reinterpret_cast<const wchar_t*>(password), nullptr) != FALSE;
}

}  // namespace platform::win32
