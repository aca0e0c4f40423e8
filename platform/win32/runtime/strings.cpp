// The standard exception classes keep their message in a string of the library's old,
// reference-counted kind, and their helpers use a few members of today's std::string. The
// library defines both in objects that hold every member of the class (and, through the old
// string, the random-number device), about 70 KB that the linker cannot drop: the unwind tables
// of an object keep all of its code. Instantiating here just the members those exception
// classes call keeps the linker from pulling those objects in. Any member missing here only
// brings the library's object back, so a newer library costs size, never correctness.
#include <string>

#include "platform/win32/runtime/library_version.h"

namespace std::__cxx11 {
template void basic_string<char>::_M_assign(const basic_string&);
template char* basic_string<char>::_M_create(size_type&, size_type);
}  // namespace std::__cxx11
