#include "platform/common/failure.h"
#include "platform/common/text.h"
#include "poster/link_intake.h"
#include "poster/lumora_main.h"

namespace poster {

void LumoraMain::TakeStartingLink() {
  const auto argument = LinkArgument(s_.process.CommandLine());
  if (!argument) return;
  link_ = ReadLink(*argument);
  if (!link_) {
    Warn(kLinkNotUnderstood);
    s_.process.EndProgram();
  }
}

bool LumoraMain::IsInstalledCopy() const {
  const std::u16string program = s_.environment.FullPath(s_.process.ProgramPath());
  const std::u16string folder = program.substr(0, program.rfind(u'\\') + 1);
  // Only ASCII letters are folded: a folder that differs from the installed one in any other
  // way counts as another folder, which at worst leaves the key to SetupLumora.
  return !folder.empty() &&
         platform::AsciiLower(folder) == platform::AsciiLower(s_.environment.FullPath(dataFolder_));
}

void LumoraMain::RegisterLinkScheme() {
  // A copy anywhere else (a download, a stick, an unpacked zip) may vanish and leave the key
  // naming a path that anyone could fill later; the installed folder is one only an
  // administrator writes to.
  if (!IsInstalledCopy()) return;
  const std::u16string command = LinkOpenCommand(s_.process.ProgramPath());
  if (s_.urlSchemes.OpenCommand(kLinkScheme) == command) return;
  try {
    s_.urlSchemes.Register(kLinkScheme, kestrova::kLinkSchemeDescription, command);
  } catch (const platform::Failure&) {
    // A policy or a read-only profile may forbid it; links then simply do not open Lumora.
  }
}

void LumoraMain::ShowLink() {
  try {
    c_.theLongUrl.SetText(link_->url);
    ShowIntake(link_->text, Intake(link_->text, true), true);
  } catch (const std::exception&) {
    // As with the clipboard intake, a step that fails is skipped.
  }
}

}  // namespace poster
