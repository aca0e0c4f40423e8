// Start-up services the MinGW start-up code asks for, in the few bytes this program needs.
// - Pseudo-relocations patch addresses of data imported from DLLs without an import thunk. This
//   program imports only functions, so the linker writes none; the library's relocator (3 KB
//   with its section walker) would find an empty list. Should one ever appear, the program
//   stops at start-up instead of running with an address left unpatched.
// - The math-error hook is installed only by a debugging switch of the start-up code, and its
//   default would print to a console this program never has.
// - The filter for crashes that no code handles turns them into C signals; the program sets no
//   signal handler, so every crash goes on to the filter that was there before, as it would.
// - Thread-local storage: GCC here keeps thread_local variables in emulated TLS, and the program
//   registers no thread-exit destructors with the start-up code, so it needs neither the TLS
//   directory nor its callbacks.
extern "C" {

extern char __RUNTIME_PSEUDO_RELOC_LIST__[];
extern char __RUNTIME_PSEUDO_RELOC_LIST_END__[];
struct _exception;
void _pei386_runtime_relocator();
int _matherr(_exception*);
void __mingw_setusermatherr(int (*)(_exception*));
extern void (*const __dyn_tls_init_callback)(void*, unsigned long, void*);
#if defined(__i386__)
struct _EXCEPTION_POINTERS;
using CrashFilter = long(__stdcall*)(_EXCEPTION_POINTERS*);
extern CrashFilter __mingw_oldexcpt_handler;
long __stdcall _gnu_exception_handler(_EXCEPTION_POINTERS* crash);
#endif

void _pei386_runtime_relocator() {
  if (&__RUNTIME_PSEUDO_RELOC_LIST__[0] != &__RUNTIME_PSEUDO_RELOC_LIST_END__[0]) __builtin_trap();
}

int _matherr(_exception*) {
  return 0;
}
void __mingw_setusermatherr(int (*)(_exception*)) {}

#if defined(__i386__)
CrashFilter __mingw_oldexcpt_handler = nullptr;
long __stdcall _gnu_exception_handler(_EXCEPTION_POINTERS* crash) {
  return __mingw_oldexcpt_handler != nullptr ? __mingw_oldexcpt_handler(crash) : 0;
}
#endif

int __mingw_initltssuo_force = 0;
int __mingw_initltsdyn_force = 0;
int __mingw_initltsdrot_force = 0;
void (*const __dyn_tls_init_callback)(void*, unsigned long, void*) = nullptr;

}  // extern "C"
