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

// The captions the window is designed with that a service's own words may replace, and the
// most code units the status box takes from typing.
inline constexpr char16_t kUserNameCaption[] = u"Your Twitter User Name";
inline constexpr char16_t kPasswordCaption[] = u"Your Twitter Password";
inline constexpr char16_t kShortLinkNoteCaption[] = u"(Automatically adds the URL to your Tweet)";
inline constexpr char16_t kSendButtonCaption[] = u"SEND YOUR TWEET";
inline constexpr int kYourTweetMaxLength = 200;

// The design name of `control`, e.g. "YourTweet".
const char* ControlName(LumoraControl control);

// The window "LumoraMain" with its controls in tab order.
platform::FormDesign LumoraDesign();

}  // namespace poster
