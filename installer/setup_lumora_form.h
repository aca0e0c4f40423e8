// SetupLumora's one window: installs Lumora while it loads; its button has the registry merged.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "installer/deployed_files.h"
#include "platform/ansi.h"
#include "platform/binary_files.h"
#include "platform/clock.h"
#include "platform/controls.h"
#include "platform/environment.h"
#include "platform/form.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/resources.h"
#include "platform/text_files.h"
#include "platform/url_schemes.h"

namespace installer {

// The embedded Lumora executable: resource type and identifier inside SetupLumora.
inline constexpr char16_t kProgramResourceType[] = u"CUSTOM";
inline constexpr int kProgramResourceId = 101;
// How long the registry editor is given before the closing message.
inline constexpr std::uint64_t kRegistryEditorGraceMs = 5000;

// The controls the handlers touch.
struct SetupLumoraControls {
  platform::Window& form;
  platform::Button& updateRegistryButton;

  static SetupLumoraControls From(platform::Form& form);
};

// The system services the installer's handlers call, and no others.
struct SetupLumoraServices {
  platform::MessageBoxes& messageBoxes;
  platform::TextFiles& textFiles;
  platform::BinaryFiles& binaryFiles;
  platform::AnsiCodec& ansi;
  platform::Environment& environment;
  platform::Process& process;
  platform::Resources& resources;
  platform::Clock& clock;
  platform::EventPump& events;
  platform::UrlSchemes& urlSchemes;
};

// Form_Load, Initialize and UpdateRegistryButton_Click are the names the program's
// description gives the window's routines; they keep that spelling.
class SetupLumoraForm {
 public:
  // Wires the button's click handler; nothing runs until Form_Load.
  SetupLumoraForm(SetupLumoraControls controls, SetupLumoraServices services);

  // Places the window, settles the data folder and writes Lumora.Reg, Lumora.htm and
  // Lumora.exe into it, each whole or not at all. A failure writing the text files escapes
  // (the program then ends); every failure writing the program file is ignored.
  void Form_Load();
  // Sets DataFolder from ProgramFiles (the system's Program Files folder when the variable is
  // unset or empty) as a full path and creates the folder, ignoring any failure. A folder the
  // browser could not be sent to is refused with a message, and the program ends.
  void Initialize();
  // Makes lumora: links open the installed Lumora for the current user (a failure is ignored),
  // starts the Windows folder's registry editor on Lumora.reg, hides the window, waits five
  // seconds while answering events, shows the closing message and ends the program.
  void UpdateRegistryButton_Click();

  // Empty until Initialize has run; then ends in a backslash.
  const std::u16string& DataFolder() const { return dataFolder_; }

 private:
  // Shows `problem` in the "Whoops!" box and ends the program.
  void Refuse(const std::u16string& problem);
  void WriteTextFile(const std::u16string& path, const TextFileContent& content);
  void WriteProgramFile(const std::u16string& path);
  void WaitResponsively(std::uint64_t milliseconds);

  SetupLumoraControls c_;
  SetupLumoraServices s_;
  std::u16string dataFolder_;
  bool clicked_ = false;
};

}  // namespace installer
