// The personality of C++ functions in the 32-bit build, in place of the library's (about
// 3.7 KB): for each frame of a throw it reads the function's table (LSDA) of calls, and says
// whether a catch clause there takes the exception and what the frame's landing pad must run.
// The compiler of this library writes no dynamic throw() lists that are checked by a table
// (noexcept is a missing call entry, which ends in std::terminate); one found here ends the
// search as an error, which also ends in std::terminate.
// The 64-bit build unwinds through Windows' tables with the library's personalities.
#if defined(__i386__) && !defined(__SEH__) && !defined(__USING_SJLJ_EXCEPTIONS__)

#include <unwind.h>

#include <cstdint>
#include <typeinfo>

#include "platform/win32/runtime/dwarf_reading.h"
#include "platform/win32/runtime/library_version.h"

namespace {

using namespace platform::runtime;

// The library's header in front of a thrown object (and, with the same layout up to the
// unwinder's part, of a dependent exception, whose first word is the thrown object instead).
struct ThrownHeader {
  std::type_info* exceptionType;
  void (*exceptionDestructor)(void*);
  void (*unexpectedHandler)();
  void (*terminateHandler)();
  ThrownHeader* nextException;
  int handlerCount;
  int handlerSwitchValue;
  const unsigned char* actionRecord;
  const unsigned char* languageSpecificData;
  _Unwind_Ptr catchTemp;
  void* adjustedPtr;
  _Unwind_Exception unwindHeader;
};
static_assert(sizeof(ThrownHeader) == 0x50, "the library's header for x86");

ThrownHeader* HeaderOf(_Unwind_Exception* exception) {
  return reinterpret_cast<ThrownHeader*>(exception + 1) - 1;
}

constexpr _Unwind_Exception_Class kCxxClass = 0x474E5543432B2B00;  // "GNUCC++\0"
constexpr _Unwind_Exception_Class kDependentClass = kCxxClass | 1;

// What the table says about the call that threw.
struct Found {
  enum Kind { kNothing, kCleanup, kHandler, kTerminate, kUnknown } kind = kNothing;
  _Unwind_Ptr landingPad = 0;
  int switchValue = 0;
  const unsigned char* action = nullptr;
  void* adjusted = nullptr;
};

struct Lsda {
  _Unwind_Ptr landingPadBase = 0;
  unsigned char typeEncoding = kOmit;
  const unsigned char* types = nullptr;  // the type table's end; entries count back from it
  unsigned char callEncoding = 0;
  const unsigned char* calls = nullptr;
  const unsigned char* actions = nullptr;  // also the end of the call table
};

Lsda ReadHeader(const unsigned char* at, _Unwind_Ptr functionStart) {
  Lsda lsda;
  const unsigned char landingPadEncoding = *at++;
  lsda.landingPadBase =
      landingPadEncoding == kOmit ? functionStart : ReadEncoded(landingPadEncoding, at);
  lsda.typeEncoding = *at++;
  if (lsda.typeEncoding != kOmit) {
    const std::uintptr_t offset = ReadLeb(at, false);
    lsda.types = at + offset;
  }
  lsda.callEncoding = *at++;
  const std::uintptr_t length = ReadLeb(at, false);
  lsda.calls = at;
  lsda.actions = at + length;
  return lsda;
}

// Whether a catch clause of `caught` takes the object thrown as `thrown`, adjusting the
// pointer to the object (or to the pointed-to object for a thrown pointer) to the caught base.
bool Catches(const std::type_info* caught, const std::type_info* thrown, void** object) {
  void* adjusted = *object;
  if (thrown->__is_pointer_p()) adjusted = *static_cast<void**>(adjusted);
  if (!caught->__do_catch(thrown, &adjusted, 1)) return false;
  *object = adjusted;
  return true;
}

const std::type_info* CatchType(const Lsda& lsda, std::intptr_t filter) {
  const unsigned size = (lsda.typeEncoding & 0x07) == 2   ? 2
                        : (lsda.typeEncoding & 0x07) == 4 ? 8
                                                          : 4;
  const unsigned char* entry = lsda.types - filter * size;
  return reinterpret_cast<const std::type_info*>(ReadEncoded(lsda.typeEncoding, entry));
}

// Walks the call's chain of actions: catch clauses (positive), cleanups (zero) and checked
// throw() lists (negative, never written by this compiler).
void ReadActions(const Lsda& lsda, const unsigned char* at, const std::type_info* thrown,
                 Found& found) {
  bool cleanup = false;
  for (;;) {
    const auto filter = static_cast<std::intptr_t>(ReadLeb(at, true));
    const unsigned char* next = at;
    const auto displacement = static_cast<std::intptr_t>(ReadLeb(at, true));
    if (filter < 0) {
      found.kind = Found::kUnknown;
      return;
    }
    if (filter == 0) {
      cleanup = true;
    } else if (const std::type_info* caught = CatchType(lsda, filter);
               caught == nullptr ||
               (thrown != nullptr && Catches(caught, thrown, &found.adjusted))) {
      found.kind = Found::kHandler;
      found.switchValue = static_cast<int>(filter);
      return;
    }
    if (displacement == 0) break;
    at = next + displacement;
  }
  found.kind = cleanup ? Found::kCleanup : Found::kNothing;
}

// Finds the call that threw in the table and what its landing pad is for. A call missing from
// the table must not throw: the search ends in std::terminate.
Found Search(_Unwind_Context* context, const std::type_info* thrown, void* object) {
  Found found;
  found.adjusted = object;
  const auto* table = static_cast<const unsigned char*>(_Unwind_GetLanguageSpecificData(context));
  if (table == nullptr) return found;
  int beforeInstruction = 0;
  _Unwind_Ptr ip = _Unwind_GetIPInfo(context, &beforeInstruction);
  if (beforeInstruction == 0) --ip;
  const _Unwind_Ptr start = _Unwind_GetRegionStart(context);
  const Lsda lsda = ReadHeader(table, start);
  for (const unsigned char* at = lsda.calls; at < lsda.actions;) {
    const _Unwind_Ptr from = start + ReadEncoded(lsda.callEncoding, at);
    const _Unwind_Ptr length = ReadEncoded(lsda.callEncoding, at);
    const _Unwind_Ptr pad = ReadEncoded(lsda.callEncoding, at);
    const std::uintptr_t action = ReadLeb(at, false);
    if (ip < from) break;
    if (ip >= from + length) continue;
    if (pad == 0) return found;
    found.landingPad = lsda.landingPadBase + pad;
    found.kind = Found::kCleanup;
    if (action != 0) ReadActions(lsda, lsda.actions + action - 1, thrown, found);
    found.action = lsda.actions + action - 1;
    return found;
  }
  found.kind = Found::kTerminate;
  return found;
}

// What the search found, kept in the exception for the handler's frame and the catch clause.
void Keep(const Found& found, _Unwind_Context* context, ThrownHeader* header) {
  header->handlerSwitchValue = found.switchValue;
  header->actionRecord = found.action;
  header->languageSpecificData =
      static_cast<const unsigned char*>(_Unwind_GetLanguageSpecificData(context));
  header->adjustedPtr = found.adjusted;
  header->catchTemp = found.landingPad;
}

}  // namespace

namespace __cxxabiv1 {
extern "C" void __cxa_call_terminate(_Unwind_Exception*) noexcept;
}

extern "C" _Unwind_Reason_Code __gxx_personality_v0(int version, _Unwind_Action actions,
                                                    _Unwind_Exception_Class exceptionClass,
                                                    _Unwind_Exception* exception,
                                                    _Unwind_Context* context);

extern "C" _Unwind_Reason_Code __gxx_personality_v0(int version, _Unwind_Action actions,
                                                    _Unwind_Exception_Class exceptionClass,
                                                    _Unwind_Exception* exception,
                                                    _Unwind_Context* context) {
  if (version != 1) return _URC_FATAL_PHASE1_ERROR;
  const bool ours = (exceptionClass & ~_Unwind_Exception_Class{1}) == kCxxClass;
  ThrownHeader* header = HeaderOf(exception);
  Found found;
  if (ours && actions == (_UA_CLEANUP_PHASE | _UA_HANDLER_FRAME)) {
    // The search phase kept what it found in the exception.
    found.kind = header->catchTemp == 0 ? Found::kTerminate : Found::kHandler;
    found.landingPad = header->catchTemp;
    found.switchValue = header->handlerSwitchValue;
  } else {
    void* object = nullptr;
    const std::type_info* thrown = nullptr;
    if (ours) {
      object =
          exceptionClass == kDependentClass ? *reinterpret_cast<void**>(header) : exception + 1;
      thrown = (static_cast<ThrownHeader*>(object) - 1)->exceptionType;
    }
    found = Search(context, thrown, object);
    if (found.kind == Found::kUnknown) return _URC_FATAL_PHASE1_ERROR;
    if (found.kind == Found::kNothing) return _URC_CONTINUE_UNWIND;
    if ((actions & _UA_SEARCH_PHASE) != 0) {
      if (found.kind == Found::kCleanup) return _URC_CONTINUE_UNWIND;
      if (ours) Keep(found, context, header);
      return _URC_HANDLER_FOUND;
    }
  }
  if (found.kind == Found::kTerminate) __cxxabiv1::__cxa_call_terminate(exception);
  _Unwind_SetGR(context, __builtin_eh_return_data_regno(0),
                reinterpret_cast<_Unwind_Ptr>(exception));
  _Unwind_SetGR(context, __builtin_eh_return_data_regno(1), found.switchValue);
  _Unwind_SetIP(context, found.landingPad);
  return _URC_INSTALL_CONTEXT;
}

#endif
