// The library's own errors (a position past a string's end, a length it cannot hold, ...) are
// thrown through these helpers. The library's versions construct its standard exception
// classes, whose code (their strings of the old, reference-counted kind, and the message
// formatting) comes to about 20 KB; here they throw the program's ProgramError, which a
// handler reports with the same run-time error the standard class would have given. Nothing in
// the program catches a standard exception class by name. If another member of the library
// still calls for the library's object, the linker reports each helper twice.
#include <new>

#include "platform/common/failure.h"
#include "platform/win32/runtime/library_version.h"

namespace {

[[noreturn]] void Throw(platform::ProgramError::Kind kind, const char* message) {
  throw platform::ProgramError(kind, message);
}

}  // namespace

namespace std {

using platform::ProgramError;

void __throw_bad_alloc() {
  throw bad_alloc();
}
void __throw_bad_array_new_length() {
  throw bad_array_new_length();
}
// Without type information the program never casts dynamically nor asks for a typeid; the
// library's classes for these would still bring their objects in.
void __throw_bad_cast() {
  Throw(ProgramError::Kind::kOther, "std::bad_cast");
}
void __throw_bad_typeid() {
  Throw(ProgramError::Kind::kOther, "std::bad_typeid");
}
// An empty std::function called: a fault of the program, reported like the others.
void __throw_bad_function_call() {
  Throw(ProgramError::Kind::kOther, "std::bad_function_call");
}
void __throw_bad_exception() {
  throw bad_exception();
}
void __throw_logic_error(const char* message) {
  Throw(ProgramError::Kind::kOther, message);
}
void __throw_domain_error(const char* message) {
  Throw(ProgramError::Kind::kOther, message);
}
void __throw_invalid_argument(const char* message) {
  Throw(ProgramError::Kind::kOther, message);
}
void __throw_length_error(const char* message) {
  Throw(ProgramError::Kind::kOther, message);
}
void __throw_runtime_error(const char* message) {
  Throw(ProgramError::Kind::kOther, message);
}
void __throw_range_error(const char* message) {
  Throw(ProgramError::Kind::kOverflow, message);
}
void __throw_overflow_error(const char* message) {
  Throw(ProgramError::Kind::kOverflow, message);
}
void __throw_underflow_error(const char* message) {
  Throw(ProgramError::Kind::kOverflow, message);
}
void __throw_out_of_range(const char* message) {
  Throw(ProgramError::Kind::kOutOfRange, message);
}
// The format's numbers are left out: the report names the error, not the position.
void __throw_out_of_range_fmt(const char* format, ...) {
  Throw(ProgramError::Kind::kOutOfRange, format);
}

}  // namespace std
