// The unwinder of the 32-bit build, in place of the library's (about 13 KB with its records):
// a throw searches the frames outward for a handler, asking each function's personality, then
// walks them again running their cleanups and lands in the handler. Only one section of records
// and no forced unwinding are needed here, and a record this unwinder cannot read ends the
// throw in std::terminate. The 64-bit build unwinds through Windows' own tables.
#if defined(__i386__) && !defined(__SEH__) && !defined(__USING_SJLJ_EXCEPTIONS__)

#include <unwind.h>

#include <cstdlib>

#include "platform/win32/runtime/frame_rules.h"
#include "platform/win32/runtime/library_version.h"

using platform::runtime::Describe;
using platform::runtime::Found;
using platform::runtime::Frame;
using platform::runtime::FrameState;
using platform::runtime::Step;

struct _Unwind_Context {
  Frame frame;
  FrameState state;
};

namespace {

namespace rt = platform::runtime;

_Unwind_Reason_Code CallPersonality(_Unwind_Context& context, int actions,
                                    _Unwind_Exception* exception) {
  const auto personality = reinterpret_cast<_Unwind_Personality_Fn>(context.state.personality);
  return personality(1, static_cast<_Unwind_Action>(actions), exception->exception_class, exception,
                     &context);
}

// The first walk: finds the frame whose personality will handle the exception and marks it in
// the exception by its frame address, changing nothing on the way.
_Unwind_Reason_Code Search(_Unwind_Exception* exception, const Frame& start) {
  _Unwind_Context context{start, {}};
  for (;;) {
    const Found found = Describe(context.frame, &context.state);
    if (found == Found::kNoRecord) return _URC_END_OF_STACK;
    if (found == Found::kUnreadable) return _URC_FATAL_PHASE1_ERROR;
    if (context.state.personality != 0) {
      const _Unwind_Reason_Code code = CallPersonality(context, _UA_SEARCH_PHASE, exception);
      if (code == _URC_HANDLER_FOUND) {
        exception->private_1 = 0;
        exception->private_2 = context.state.cfa;
        return _URC_NO_REASON;
      }
      if (code != _URC_CONTINUE_UNWIND) return _URC_FATAL_PHASE1_ERROR;
    }
    if (!Step(context.state, &context.frame)) return _URC_END_OF_STACK;
  }
}

// Loads the frame's registers and jumps to its address; never returns.
__attribute__((naked, noinline)) void Land(const Frame*) {
  asm("movl 4(%esp), %ecx\n\t"
      "movl 12(%ecx), %ebx\n\t"
      "movl 20(%ecx), %ebp\n\t"
      "movl 24(%ecx), %esi\n\t"
      "movl 28(%ecx), %edi\n\t"
      "movl 8(%ecx), %edx\n\t"
      "movl 0(%ecx), %eax\n\t"
      "movl 16(%ecx), %esp\n\t"
      "jmp *32(%ecx)");
}

// The second walk, from the same start: each frame's personality runs its cleanups, and the
// handler's frame receives the exception. A landing pad expects the arguments pushed for the
// call that threw to be gone already.
[[noreturn]] void Unwind(_Unwind_Exception* exception, const Frame& start) {
  _Unwind_Context context{start, {}};
  for (;;) {
    if (Describe(context.frame, &context.state) != Found::kRecord) std::abort();
    const bool handler = context.state.cfa == exception->private_2;
    if (context.state.personality != 0) {
      const int actions = _UA_CLEANUP_PHASE | (handler ? _UA_HANDLER_FRAME : 0);
      const _Unwind_Reason_Code code = CallPersonality(context, actions, exception);
      if (code == _URC_INSTALL_CONTEXT) {
        context.frame.regs[rt::kEsp] += context.state.row.argsSize;
        Land(&context.frame);
        __builtin_unreachable();
      }
      if (code != _URC_CONTINUE_UNWIND) std::abort();
    }
    if (handler || !Step(context.state, &context.frame)) std::abort();
  }
}

_Unwind_Reason_Code Raise(_Unwind_Exception* exception, const Frame* start) {
  const _Unwind_Reason_Code code = Search(exception, *start);
  if (code != _URC_NO_REASON) return code;
  Unwind(exception, *start);
}

_Unwind_Reason_Code Resume(_Unwind_Exception* exception, const Frame* start) {
  Unwind(exception, *start);
}

// Entered by a jump from the functions below, with ecx holding Raise or Resume: records the
// registers of the function that called them as they will be once that call returns (those
// a call may change left zero), and calls ecx with the exception and that record.
__attribute__((naked, noinline)) void CallWithCallersFrame() {
  asm("leal 4(%esp), %eax\n\t"
      "pushl (%esp)\n\t"  // the return address
      "pushl %edi\n\t"
      "pushl %esi\n\t"
      "pushl %ebp\n\t"
      "pushl %eax\n\t"  // the stack pointer
      "pushl %ebx\n\t"
      "pushl $0\n\t"
      "pushl $0\n\t"
      "pushl $0\n\t"
      "movl %esp, %eax\n\t"
      "pushl %eax\n\t"
      "pushl 44(%esp)\n\t"  // the exception
      "call *%ecx\n\t"
      "addl $44, %esp\n\t"
      "ret");
}

}  // namespace

extern "C" {

__attribute__((naked)) _Unwind_Reason_Code _Unwind_RaiseException(_Unwind_Exception*) {
  asm("movl %0, %%ecx\n\tjmp %P1" : : "i"(Raise), "i"(CallWithCallersFrame));
}

// With no forced unwinding, a rethrown exception is thrown anew.
__attribute__((naked)) _Unwind_Reason_Code _Unwind_Resume_or_Rethrow(_Unwind_Exception*) {
  asm("movl %0, %%ecx\n\tjmp %P1" : : "i"(Raise), "i"(CallWithCallersFrame));
}

// Called at the end of a cleanup to walk on outward.
__attribute__((naked)) void _Unwind_Resume(_Unwind_Exception*) {
  asm("movl %0, %%ecx\n\tjmp %P1" : : "i"(Resume), "i"(CallWithCallersFrame));
}

void _Unwind_DeleteException(_Unwind_Exception* exception) {
  if (exception->exception_cleanup != nullptr) {
    exception->exception_cleanup(_URC_FOREIGN_EXCEPTION_CAUGHT, exception);
  }
}

// The personality sets the exception's registers (eax, edx) and the landing pad's address.
void _Unwind_SetGR(_Unwind_Context* context, int index, _Unwind_Word value) {
  if (static_cast<unsigned>(index) >= rt::kRegisters) std::abort();
  context->frame.regs[index] = value;
}

_Unwind_Word _Unwind_GetGR(_Unwind_Context* context, int index) {
  if (static_cast<unsigned>(index) >= rt::kRegisters) std::abort();
  return context->frame.regs[index];
}

void _Unwind_SetIP(_Unwind_Context* context, _Unwind_Ptr address) {
  context->frame.regs[rt::kReturnAddress] = address;
}

_Unwind_Ptr _Unwind_GetIP(_Unwind_Context* context) {
  return context->frame.regs[rt::kReturnAddress];
}

// Always a return address, never the address of the instruction that faulted.
_Unwind_Ptr _Unwind_GetIPInfo(_Unwind_Context* context, int* beforeInstruction) {
  *beforeInstruction = 0;
  return context->frame.regs[rt::kReturnAddress];
}

_Unwind_Word _Unwind_GetCFA(_Unwind_Context* context) {
  return context->state.cfa;
}

void* _Unwind_GetLanguageSpecificData(_Unwind_Context* context) {
  return const_cast<unsigned char*>(context->state.lsda);
}

_Unwind_Ptr _Unwind_GetRegionStart(_Unwind_Context* context) {
  return context->state.functionStart;
}

// The records' values are never relative to the text or data sections here.
_Unwind_Ptr _Unwind_GetDataRelBase(_Unwind_Context*) {
  return 0;
}

_Unwind_Ptr _Unwind_GetTextRelBase(_Unwind_Context*) {
  return 0;
}

}  // extern "C"

#endif
