// The design of the installer window SetupLumoraForm: its controls, texts, fonts and colours.
#pragma once

#include "platform/form_design.h"

namespace installer {

// Resource identifiers shared with setup_lumora.rc.
inline constexpr int kIconResource = 1;
inline constexpr int kCertificateBitmapResource = 102;

// The window's controls by name, with their numeric ids (setup_lumora_control_ids.inc);
// element i of the control array Label1 has the id kLabel1 + i.
enum class SetupControl : int {
#define CONTROL_ID(name, id) k##name = id,
#include "installer/setup_lumora_control_ids.inc"
#undef CONTROL_ID
};

// The window as the builder makes it.
platform::FormDesign SetupLumoraDesign();

}  // namespace installer
