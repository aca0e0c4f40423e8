// The old, reference-counted std::string members that the standard exception classes call;
// see strings.cpp for why they are instantiated here.
#define _GLIBCXX_USE_CXX11_ABI 0
#include <string>

#include "platform/win32/runtime/library_version.h"

namespace std {
template char* basic_string<char>::_S_construct(size_type, char, const allocator<char>&);
template basic_string<char>::_Rep* basic_string<char>::_Rep::_S_create(size_type, size_type,
                                                                       const allocator<char>&);
template void basic_string<char>::_Rep::_M_destroy(const allocator<char>&);
template void basic_string<char>::_Rep::_M_dispose(const allocator<char>&);
template char* basic_string<char>::_Rep::_M_clone(const allocator<char>&, size_type);
template void basic_string<char>::swap(basic_string&);
template basic_string<char>& basic_string<char>::assign(const basic_string&);
}  // namespace std
