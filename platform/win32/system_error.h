// Turning the system's error codes into platform::Failure.
#pragma once

#include <cstdint>
#include <string>

#include "platform/failure.h"

namespace platform::win32 {

// The system's sentence for `code`, without its trailing line break; "Error <code>" when the
// system has none.
std::u16string SystemMessage(std::uint32_t code);

// A Failure for the calling thread's last error (GetLastError).
Failure LastErrorFailure();

// Throws LastErrorFailure().
[[noreturn]] void ThrowLastError();

}  // namespace platform::win32
