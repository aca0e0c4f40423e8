#include "installer/setup_lumora_form.h"

#include <exception>

#include "installer/bookmarklet.h"
#include "installer/deployed_files.h"
#include "installer/setup_lumora_design.h"
#include "kestrova/kestrova_folder.h"
#include "platform/common/failure.h"

namespace installer {

SetupLumoraControls SetupLumoraControls::From(platform::Form& form) {
  return {form.Self(), form.ButtonOf(SetupControl::kUpdateRegistryButton)};
}

SetupLumoraForm::SetupLumoraForm(SetupLumoraControls controls, SetupLumoraServices services)
    : c_(controls), s_(services) {
  c_.updateRegistryButton.SetOnClick([this] { UpdateRegistryButton_Click(); });
}

void SetupLumoraForm::Form_Load() {
  c_.form.SetTop(40);
  c_.form.SetLeft((c_.form.ScreenWidth() - c_.form.Width()) / 2);
  Initialize();

  WriteTextFile(dataFolder_ + kestrova::kRegistrationFile, RegistryLines(dataFolder_, s_.ansi));
  WriteTextFile(dataFolder_ + kestrova::kScriptFile, ScriptLines(dataFolder_));

  // From here on every failure is ignored: an older Lumora.exe that is running stays in place
  // and the window still opens.
  WriteProgramFile(dataFolder_ + kestrova::kProgramFile);
  try {
    WriteTextFile(dataFolder_ + kestrova::kBookmarkletPageFile, {BookmarkletPageLines()});
  } catch (const platform::Failure&) {
  }
}

void SetupLumoraForm::Initialize() {
  std::u16string programFiles = s_.environment.Variable(kestrova::kProgramFilesVariable);
  if (programFiles.empty()) {
    // Never the current drive's root: a folder made there inherits rights that let every
    // signed-in user replace the program or the script.
    try {
      programFiles = s_.environment.ProgramFilesFolder();
    } catch (const platform::Failure& failure) {
      Refuse(
          u"Lumora cannot be installed because Windows does not say where its Program Files "
          u"folder is: " +
          failure.Description());
    }
  }
  // Resolved as the files will be opened, so the registration names the very folder written
  // to.
  dataFolder_ = s_.environment.FullPath(kestrova::DataFolderFor(programFiles));
  if (auto problem = FolderProblem(dataFolder_)) Refuse(*problem);
  // An existing folder is the usual case on a second run; any other failure shows up when
  // the text files are written.
  s_.environment.CreateFolder(dataFolder_);
}

void SetupLumoraForm::Refuse(const std::u16string& problem) {
  s_.messageBoxes.Show(problem, kFolderProblemTitle, platform::MessageIcon::kWarning);
  s_.process.EndProgram();
}

void SetupLumoraForm::WriteTextFile(const std::u16string& path, const TextFileContent& content) {
  if (content.unicode) {
    s_.textFiles.WriteUnicodeLines(path, content.lines);
    return;
  }
  std::vector<std::string> bytes;
  bytes.reserve(content.lines.size());
  for (const auto& line : content.lines) bytes.push_back(s_.ansi.ToAnsi(line));
  s_.textFiles.WriteLines(path, bytes);
}

void SetupLumoraForm::WriteProgramFile(const std::u16string& path) {
  try {
    auto program = s_.resources.Read(kProgramResourceType, kProgramResourceId);
    // Without the embedded copy there is nothing to write; an empty file would only break an
    // installed Lumora.
    if (!program) return;
    s_.binaryFiles.WriteWhole(path, *program);
  } catch (const platform::Failure&) {
  } catch (const std::exception&) {
  }
}

void SetupLumoraForm::UpdateRegistryButton_Click() {
  // A click already queued when the window was hidden would otherwise start a second editor
  // and a second closing message from inside the wait.
  if (clicked_) return;
  clicked_ = true;

  // So that the bookmarklet works before Lumora's first start, and the key names the installed
  // copy whatever another copy wrote before.
  try {
    s_.urlSchemes.Register(kestrova::kLinkScheme, kestrova::kLinkSchemeDescription,
                           kestrova::LinkOpenCommand(dataFolder_ + kestrova::kProgramFile));
  } catch (const platform::Failure&) {
    // A policy may forbid it; the menu entry and the context menu work without it.
  }

  // By its full path: a program search would start in the installer's own folder, often a
  // download folder where anything may lie under that name.
  s_.process.StartProgram(RegeditPath(s_.environment.WindowsFolder()),
                          RegeditCommandLine(dataFolder_), platform::ShowState::kNormal);
  c_.form.Hide();
  WaitResponsively(kRegistryEditorGraceMs);
  s_.messageBoxes.Show(kClosingText, kClosingTitle, platform::MessageIcon::kInformation);
  s_.process.EndProgram();
}

void SetupLumoraForm::WaitResponsively(std::uint64_t milliseconds) {
  // The clock is monotonic, so a wait across midnight is no different from any other; the
  // thread sleeps between events instead of polling.
  const std::uint64_t deadline = s_.clock.MonotonicMilliseconds() + milliseconds;
  for (;;) {
    s_.events.ProcessPendingEvents();
    const std::uint64_t now = s_.clock.MonotonicMilliseconds();
    if (now >= deadline) return;
    s_.events.WaitForEvents(static_cast<std::uint32_t>(deadline - now));
  }
}

}  // namespace installer
