// The Win32 backend's service objects, one per concern; each lives as long as the program.
#pragma once

#include "platform/services.h"

namespace platform::win32 {

Clipboard& TheClipboard();
MessageBoxes& TheMessageBoxes();
MousePointer& TheMousePointer();
TextFiles& TheTextFiles();
BinaryFiles& TheBinaryFiles();
AnsiCodec& TheAnsiCodec();
Environment& TheEnvironment();
Process& TheProcess();
HttpClient& TheHttpClient();
Resources& TheResources();
Clock& TheClock();
EventPump& TheEventPump();
UrlSchemes& TheUrlSchemes();

}  // namespace platform::win32
