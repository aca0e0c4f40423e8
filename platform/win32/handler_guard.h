// Running portable handlers from window procedures: no exception may unwind through the system.
#pragma once

#include <cstdint>
#include <string>

#include "platform/controls.h"

namespace platform::win32 {

// Runs `handler` (if any). An exception escaping it is reported in a message box titled with
// the program's name, and the program ends.
void RunHandler(const Handler& handler);

// Whether a handler is running now (a modal box's loop may be dispatching inside it).
bool HandlerRunning();

// Sets what runs each time the outermost running handler returns (one hook; null for none).
void SetHandlersReturned(void (*hook)());

// Shows "Run-time error '<code>':" with `description`, then ends the program.
[[noreturn]] void ReportRunTimeError(std::uint32_t code, const std::u16string& description);

}  // namespace platform::win32
