// Turning the system's error codes into platform::Failure.
#pragma once

#include <cstdint>
#include <string>

#include "platform/common/failure.h"

namespace platform::win32 {

// The sentence for `code` from the system's message table and, when `moduleName` is given and
// loaded, from that module's; empty when neither has one. No trailing line break.
std::u16string MessageTableText(std::uint32_t code, const wchar_t* moduleName);

// The system's sentence for `code`, without its trailing line break; "Error <code>" when the
// system has none.
std::u16string SystemMessage(std::uint32_t code);

// A Failure for the system error `code`, described by SystemMessage.
Failure SystemFailure(std::uint32_t code);

// A Failure for the calling thread's last error (GetLastError).
Failure LastErrorFailure();

// Throws LastErrorFailure().
[[noreturn]] void ThrowLastError();

}  // namespace platform::win32
