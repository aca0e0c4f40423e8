// The design of Lumora's window: its controls, their places in twips, captions, fonts, colours.
#pragma once

#include "platform/form_design.h"

namespace poster {

// Resource ids of the window's pictures in the program's resources.
inline constexpr int kLumoraIconResource = 1;
inline constexpr int kLumoraBirdBitmapResource = 2;

// The window's controls by name, with their numeric ids (lumora_control_ids.inc).
enum class LumoraControl : int {
#define CONTROL_ID(name, id) k##name = id,
#include "poster/lumora_control_ids.inc"
#undef CONTROL_ID
};

// The design name of `control`, e.g. "YourTweet".
const char* ControlName(LumoraControl control);

// The window "LumoraMain" with its controls in tab order.
platform::FormDesign LumoraDesign();

}  // namespace poster
