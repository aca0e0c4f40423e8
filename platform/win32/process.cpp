#include "platform/process.h"

#include <windows.h>

#include "platform/win32/module_path.h"
#include "platform/win32/owned.h"
#include "platform/win32/program_identity.h"
#include "platform/win32/system_error.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

WORD ShowCommand(ShowState show) {
  switch (show) {
    case ShowState::kNormal:
      break;
  }
  return SW_SHOWNORMAL;
}

class Win32Process : public Process {
 public:
  std::u16string CommandLine() const override {
    const wchar_t* line = GetCommandLineW();
    return FromWide(line, static_cast<std::size_t>(lstrlenW(line)));
  }
  std::u16string ProgramPath() const override { return ModulePath(); }

  bool PreviousInstanceRunning() override {
    // The marker is created once and held until the process ends, so an instance started
    // later finds it; asking again gives the same answer.
    if (!checked_) {
      const std::u16string name = InstanceMarkerName(ModulePath());
      marker_.Reset(CreateMutexW(nullptr, FALSE, Wide(name)));
      previous_ = marker_ && GetLastError() == ERROR_ALREADY_EXISTS;
      checked_ = true;
    }
    return previous_;
  }

  [[noreturn]] void EndProgram() override { ExitProcess(0); }

  void StartProgram(const std::u16string& programPath, const std::u16string& commandLine,
                    ShowState show) override {
    // The program's own folder as its current folder keeps the caller's (perhaps a download
    // folder) out of the libraries the started program may look for.
    std::u16string folder = programPath.substr(0, programPath.find_last_of(u'\\') + 1);
    const wchar_t* currentFolder = folder.empty() ? nullptr : Wide(folder);
    // CreateProcessW may write into the command line, so it gets a copy.
    std::u16string line = commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = ShowCommand(show);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(Wide(programPath), Wide(line), nullptr, nullptr, FALSE, 0, nullptr,
                        currentFolder, &startup, &started)) {
      ThrowLastError();
    }
    const KernelHandle thread(started.hThread), process(started.hProcess);
  }

 private:
  bool checked_ = false;
  bool previous_ = false;
  KernelHandle marker_;
};

}  // namespace

}  // namespace platform::win32

namespace platform {

Process& SystemProcess() {
  static win32::Win32Process process;
  return process;
}

}  // namespace platform
