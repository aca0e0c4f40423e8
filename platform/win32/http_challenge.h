// What a reply's headers say about challenges and the connection, and how Lumora answers.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <string>

namespace platform::win32 {

// The text of one reply header (a WINHTTP_QUERY_* index); empty when it is absent.
std::u16string QueryText(HINTERNET request, DWORD info);

// Whether the connection that brought this reply stays open for the next send.
bool ConnectionKept(HINTERNET request);

// Whether a TLS handshake has been made for this request: a 407 after it came from inside the
// tunnel, from the server, not from the proxy.
bool TalkedToServerSecurely(HINTERNET request);

// Sets WinHTTP's automatic logon policy (WINHTTP_AUTOLOGON_SECURITY_LEVEL_*) for the next send.
void SetLogonPolicy(HINTERNET request, DWORD policy);

// Hands WinHTTP the account (or, with no user, the Windows logon, Negotiate or NTLM only) for
// the strongest scheme the challenge offers, when the challenge comes from `target`
// (WINHTTP_AUTH_TARGET_SERVER or _PROXY). False when there is nothing to answer with.
bool AnswerChallenge(HINTERNET request, DWORD target, const char16_t* user,
                     const char16_t* password);

}  // namespace platform::win32
