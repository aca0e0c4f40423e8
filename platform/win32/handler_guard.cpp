#include "platform/win32/handler_guard.h"

#include <windows.h>

#include <cstdlib>
#include <new>

#include "platform/common/failure.h"
#include "platform/win32/module_path.h"
#include "platform/win32/program_identity.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

// Error numbers for the standard exceptions the portable code may let through; a Failure
// carries the system's own number.
constexpr std::uint32_t kOverflow = 6;
constexpr std::uint32_t kOutOfMemory = 7;
constexpr std::uint32_t kSubscriptOutOfRange = 9;
constexpr std::uint32_t kInvalidCall = 5;

std::u16string Ascii(const char* text) {
  std::u16string result;
  for (; *text != '\0'; ++text) result.push_back(static_cast<unsigned char>(*text));
  return result;
}

void ReportProgramError(const ProgramError& error) {
  switch (error.GetKind()) {
    case ProgramError::Kind::kOverflow:
      return ReportRunTimeError(kOverflow, u"Overflow");
    case ProgramError::Kind::kOutOfRange:
      return ReportRunTimeError(kSubscriptOutOfRange, u"Subscript out of range");
    case ProgramError::Kind::kOther:
      break;
  }
  ReportRunTimeError(kInvalidCall, Ascii(error.what()));
}

int runningHandlers = 0;
void (*handlersReturned)() = nullptr;

}  // namespace

void ReportRunTimeError(std::uint32_t code, const std::u16string& description) {
  const std::u16string text = RunTimeErrorText(code, description);
  const std::u16string title = ProgramTitle(ModulePath());
  MessageBoxW(GetActiveWindow(), Wide(text), Wide(title),
              MB_OK | MB_ICONERROR | MB_TOPMOST | MB_TASKMODAL);
  ExitProcess(1);
}

int HandlersRunning() {
  return runningHandlers;
}

void SetHandlersReturned(void (*hook)()) {
  handlersReturned = hook;
}

void RunHandler(const Handler& handler) {
  if (!handler) return;
  ++runningHandlers;
  try {
    handler();
  } catch (const Failure& failure) {
    ReportRunTimeError(failure.Code(), failure.Description());
  } catch (const std::bad_alloc&) {
    ReportRunTimeError(kOutOfMemory, u"Out of memory");
  } catch (const ProgramError& error) {
    ReportProgramError(error);
  } catch (const std::exception& other) {
    ReportRunTimeError(kInvalidCall, Ascii(other.what()));
  } catch (...) {
    ReportRunTimeError(kInvalidCall, u"Invalid procedure call or argument");
  }
  --runningHandlers;
  if (handlersReturned != nullptr) handlersReturned();
}

}  // namespace platform::win32

// Every handler runs guarded, so std::terminate is reached only by a broken invariant. The
// library's default handler prints a demangled type name and drags the demangler and printf
// (about 100 KB) into the program; this one ends it quietly.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
  std::abort();
}
}  // namespace __gnu_cxx
