// Building a window from its design and running it: the controls by name, the message loop.
#pragma once

#include <functional>
#include <string>

#include "platform/controls.h"
#include "platform/form_design.h"

namespace platform {

// The live controls of a window built from a FormDesign, looked up by their names.
class Form {
 public:
  virtual ~Form() = default;
  virtual Window& Self() = 0;
  // Each lookup throws std::out_of_range for a name the design lacks or of another kind.
  virtual TextBox& TextBoxNamed(const std::string& name) = 0;
  virtual Label& LabelNamed(const std::string& name) = 0;
  virtual Button& ButtonNamed(const std::string& name) = 0;
  virtual Timer& TimerNamed(const std::string& name) = 0;
};

// Builds the window hidden, calls `load` (the window's load handler, which may end the
// program), shows the window with the focus on its first tab stop and runs the message loop
// until the window is closed. A Failure or other exception escaping any handler is reported
// in a message box giving its number and description, and the program ends.
int RunForm(const FormDesign& design, const std::function<void(Form&)>& load);

}  // namespace platform
