#include "platform/common/failure.h"
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

void LumoraMain::RegisterLinkScheme() {
  const std::u16string command = LinkOpenCommand(s_.process.ProgramPath());
  if (s_.urlSchemes.OpenCommand(kLinkScheme) == command) return;
  try {
    s_.urlSchemes.Register(kLinkScheme, u"Lumora", command);
  } catch (const platform::Failure&) {
    // A policy or a read-only profile may forbid it; links then simply do not open Lumora.
  }
}

void LumoraMain::ShowLink() {
  try {
    c_.theLongUrl.SetText(link_->url);
    draft_.Show(link_->text, service_->Intake(link_->text, true), true);
  } catch (const std::exception&) {
    // As with the clipboard intake, a step that fails is skipped.
  }
}

}  // namespace poster
