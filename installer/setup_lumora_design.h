// The design of the installer window SetupLumoraForm: its controls, texts, fonts and colours.
#pragma once

#include "platform/form_design.h"

namespace installer {

// Resource identifiers shared with setup_lumora.rc.
inline constexpr int kIconResource = 1;
inline constexpr int kCertificateBitmapResource = 102;

// The window as the builder makes it; control ids: button 201, Picture1 202, Image1 203,
// Label1 element i 210 + i.
platform::FormDesign SetupLumoraDesign();

}  // namespace installer
