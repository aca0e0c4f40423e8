// The application-wide pointer choice, shared by the pointer service and the windows that
// answer WM_SETCURSOR.
#pragma once

namespace platform::win32 {

// True while the program shows the hourglass over all its windows.
bool HourglassShown();

// Puts the chosen pointer up now; returns false when the default pointer applies.
bool ApplyChosenPointer();

}  // namespace platform::win32
