// Building a window from its design and running it: the controls by id, the message loop.
#pragma once

#include <functional>
#include <type_traits>

#include "platform/controls.h"
#include "platform/form_design.h"

namespace platform {

// A window's controls as an enumeration whose values are the controls' ids, such as the one
// each window generates from its control-id table: a name the window lacks does not compile.
template <typename Id>
concept ControlEnumeration = std::is_enum_v<Id>;

// The live controls of a window built from a FormDesign, looked up by their ids.
class Form {
 public:
  virtual ~Form() = default;
  virtual Window& Self() = 0;
  // Each lookup throws ProgramError (kOutOfRange) for an id the design lacks or of another kind.
  virtual TextBox& TextBoxWithId(int id) = 0;
  virtual Label& LabelWithId(int id) = 0;
  virtual Button& ButtonWithId(int id) = 0;
  virtual Timer& TimerWithId(int id) = 0;

  // The same lookups by a window's control enumeration.
  TextBox& TextBoxOf(ControlEnumeration auto id) { return TextBoxWithId(static_cast<int>(id)); }
  Label& LabelOf(ControlEnumeration auto id) { return LabelWithId(static_cast<int>(id)); }
  Button& ButtonOf(ControlEnumeration auto id) { return ButtonWithId(static_cast<int>(id)); }
  Timer& TimerOf(ControlEnumeration auto id) { return TimerWithId(static_cast<int>(id)); }
};

// Builds the window hidden, calls `load` (the window's load handler, which may end the
// program), shows the window with the focus on its first tab stop and runs the message loop
// until the window is closed. A Failure or other exception escaping any handler is reported
// in a message box giving its number and description, and the program ends.
int RunForm(const FormDesign& design, const std::function<void(Form&)>& load);

}  // namespace platform
