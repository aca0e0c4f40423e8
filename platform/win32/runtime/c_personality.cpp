// Link-time optimisation gives the personality of C (__gcc_personality_v0) to functions that
// gain cleanups only when code is inlined into them: the compiler had set none while compiling
// them one file at a time. The library's C personality costs about 1.9 KB with its records.
// Its tables have the same layout as C++'s, and a function whose personality is still unset
// after inlining has no catch clause or exception specification, only cleanups; the C++
// personality runs those in the same second phase. The two part only where a call missing
// from the table throws (C unwinds on, C++ terminates), which the compiler leaves out only for
// calls it knows cannot throw, where C++ asks for termination anyway.
// The 64-bit build unwinds through Windows' tables with personalities of its own.
#if defined(__i386__) && !defined(__SEH__) && !defined(__USING_SJLJ_EXCEPTIONS__)

#include <unwind.h>

#include "platform/win32/runtime/library_version.h"

extern "C" {

_Unwind_Reason_Code __gxx_personality_v0(int version, _Unwind_Action actions,
                                         _Unwind_Exception_Class exceptionClass,
                                         _Unwind_Exception* exception, _Unwind_Context* context);
_Unwind_Reason_Code __gcc_personality_v0(int version, _Unwind_Action actions,
                                         _Unwind_Exception_Class exceptionClass,
                                         _Unwind_Exception* exception, _Unwind_Context* context);

__attribute__((used)) _Unwind_Reason_Code __gcc_personality_v0(
    int version, _Unwind_Action actions, _Unwind_Exception_Class exceptionClass,
    _Unwind_Exception* exception, _Unwind_Context* context) {
  return __gxx_personality_v0(version, actions, exceptionClass, exception, context);
}

}  // extern "C"

#endif
