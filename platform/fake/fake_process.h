// A process fake: the single-instance answer, programs started, and an end a test can catch.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/common/failure.h"
#include "platform/fake/journal.h"
#include "platform/process.h"

namespace platform::fake {

// Thrown by FakeProcess::EndProgram so a test sees the program end where it would.
struct ProgramEnded {};

class FakeProcess : public Process {
 public:
  explicit FakeProcess(Journal* journal = nullptr) : journal_(journal) {}
  std::u16string CommandLine() const override { return startedWith; }
  std::u16string ProgramPath() const override { return ownPath; }
  bool PreviousInstanceRunning() override {
    if (journal_) journal_->push_back("PreviousInstanceRunning");
    return previousInstance;
  }
  [[noreturn]] void EndProgram() override {
    ++ends;
    if (journal_) journal_->push_back("EndProgram");
    throw ProgramEnded{};
  }
  // Records the program file in `programs`, then fails when asked to, else records the
  // command line and show state in `started`.
  void StartProgram(const std::u16string& programPath, const std::u16string& commandLine,
                    ShowState show) override {
    programs.push_back(programPath);
    if (journal_) journal_->push_back("Start");
    if (startFailure) throw *startFailure;
    started.push_back({commandLine, show});
  }
  // How this program was started, and where its file is.
  std::u16string startedWith = u"\"C:\\Program Files\\Kestrova\\Lumora.exe\" ";
  std::u16string ownPath = u"C:\\Program Files\\Kestrova\\Lumora.exe";
  bool previousInstance = false;
  int ends = 0;
  std::vector<std::pair<std::u16string, ShowState>> started;
  std::vector<std::u16string> programs;
  std::optional<Failure> startFailure;

 private:
  Journal* journal_;
};

}  // namespace platform::fake
