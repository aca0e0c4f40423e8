// Loading WinHTTP before its first use, so that a missing or broken one is a Failure.
#pragma once

namespace platform::win32 {

// Loads winhttp.dll from the system folder and checks that it has every function Lumora calls.
// WinHTTP is a delay-loaded import: without this, a missing library or function would end the
// process with an exception at the first call. Throws Failure when it cannot be used.
void LoadWinHttp();

}  // namespace platform::win32
