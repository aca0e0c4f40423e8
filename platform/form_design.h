// A window's design as data: its controls, their positions in twips, captions, fonts, colours.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/controls.h"

namespace platform {

enum class ControlKind { kTextBox, kLabel, kPictureBox, kFrame, kCommandButton, kTimer, kImage };

struct FontDesign {
  std::u16string face;  // e.g. u"Arial"; the backend substitutes a metric-compatible face
  double points = 0;
  bool bold = false;
};

struct ControlDesign {
  std::string name;  // the control's name, e.g. "YourTweet"
  int id = 0;        // the control's numeric identifier, unique in the window
  ControlKind kind = ControlKind::kLabel;
  std::string container;  // empty: the window's client area; otherwise a frame's or panel's name
  int left = 0, top = 0, width = 0, height = 0;  // twips, relative to the container
  std::u16string caption;
  std::optional<FontDesign> font;  // nullopt: the window's default font
  std::optional<Rgb> foreColor;    // nullopt: the system's default
  std::optional<Rgb> backColor;    // nullopt: the system's default
  bool transparent = false;        // label drawn straight on its container's background
  bool autoSize = false;           // label takes the size its caption needs
  bool multiLine = false;          // text box
  bool verticalScrollBar = false;  // multi-line text box: a scroll bar inside its right edge
  bool password = false;           // text box shows "*" for every character
  bool imeDisabled = false;        // text box takes no input-method composition
  int maxLength = 0;               // text box: 0 means no limit of ours
  bool graphical = false;          // command button drawn with its face colour
  bool wordWrap = false;           // command button caption wraps over several lines
  bool tabStop = false;            // takes the keyboard focus in tab order
  int bitmapResource = 0;          // picture box / image: resource id of its picture
  int intervalMs = 0;              // timer
};

struct FormDesign {
  std::string name;  // the window's name, also its window class, e.g. "LumoraMain"
  std::u16string caption;
  Rgb backColor;
  int clientWidth = 0, clientHeight = 0;  // twips
  bool centered = false;                  // shown centred on the screen
  int iconResource = 0;
  std::vector<ControlDesign> controls;  // in tab order
};

}  // namespace platform
