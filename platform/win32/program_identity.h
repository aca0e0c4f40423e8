// Texts derived from the running program: its title, its single-instance name, its error report.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/common/text.h"

namespace platform::win32 {

// The file name of `modulePath` without folder and extension: "C:\\A\\Lumora.exe" -> "Lumora".
inline std::u16string ProgramTitle(std::u16string_view modulePath) {
  const auto slash = modulePath.find_last_of(u"\\/:");
  std::u16string_view name =
      slash == std::u16string_view::npos ? modulePath : modulePath.substr(slash + 1);
  const auto dot = name.rfind(u'.');
  if (dot != std::u16string_view::npos && dot != 0) name = name.substr(0, dot);
  return std::u16string(name);
}

// The name of the object that marks a running instance of the program at `modulePath`.
// File names compare without regard to ASCII case, so the name is folded to lower case:
// "LUMORA.EXE" and "Lumora.exe" are the same program, "SetupLumora.exe" is another.
inline std::u16string InstanceMarkerName(std::u16string_view modulePath) {
  return u"Kestrova." + AsciiLower(ProgramTitle(modulePath)) + u".SingleInstance";
}

// The report of an error that no handler dealt with. Codes are shown as signed 32-bit
// numbers, as HRESULTs are usually written ("-2147024891" rather than "2147942405").
inline std::u16string RunTimeErrorText(std::uint32_t code, std::u16string_view description) {
  const auto value = static_cast<std::int32_t>(code);
  const auto magnitude =
      static_cast<std::uint64_t>(value < 0 ? -static_cast<std::int64_t>(value) : value);
  const std::u16string digits = (value < 0 ? u"-" : u"") + DecimalText(magnitude);
  return u"Run-time error '" + digits + u"':\n\n" + std::u16string(description);
}

}  // namespace platform::win32
