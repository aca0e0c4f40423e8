// The full path of the running program's executable.
#pragma once

#include <string>

namespace platform::win32 {

std::u16string ModulePath();

}  // namespace platform::win32
