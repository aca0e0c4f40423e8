// The C++ runtime library the replacements in this folder were written against.
#pragma once

#include <string>

// The replacements stand in for one library's throw helpers; another library may have more of
// them, or call them from objects that also hold other code. Check each helper against the new
// library's sources and its linker map (scripts/bench_startup.sh), then move this guard.
#if !defined(__GLIBCXX__) || _GLIBCXX_RELEASE != 12
#error \
    "platform/win32/runtime/ was written for libstdc++ 12 (GCC 12); this is another library. Check its replacements against this one, then change the guard in library_version.h."
#endif
