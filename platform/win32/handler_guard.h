// Running portable handlers from window procedures: no exception may unwind through the system.
#pragma once

#include <cstdint>
#include <string>

#include "platform/controls.h"

namespace platform::win32 {

// Runs `handler` (if any). An exception escaping it is reported in a message box titled with
// the program's name, and the program ends.
void RunHandler(const Handler& handler);

// How many handlers are running now, one inside another (a modal loop may dispatch inside one).
int HandlersRunning();

// Sets what runs each time a running handler returns (one hook; null for none).
void SetHandlersReturned(void (*hook)());

// Shows "Run-time error '<code>':" with `description`, then ends the program.
[[noreturn]] void ReportRunTimeError(std::uint32_t code, const std::u16string& description);

}  // namespace platform::win32
