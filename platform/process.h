// The running program: how it was started, the single-instance check, ending, starting others.
#pragma once

#include <string>

namespace platform {

// How a started program's first window is shown; only what the programs ask for so far.
enum class ShowState { kNormal };

class Process {
 public:
  virtual ~Process() = default;
  // The whole command line this program was started with, exactly as the system holds it
  // (program name first, nothing split or unquoted).
  virtual std::u16string CommandLine() const = 0;
  // The full path of this program's own file.
  virtual std::u16string ProgramPath() const = 0;
  // True when an earlier instance of this same program is still running.
  virtual bool PreviousInstanceRunning() = 0;
  // Ends the program at once: no further handler runs and open files are closed.
  [[noreturn]] virtual void EndProgram() = 0;
  // Starts `commandLine` (program found as the system finds commands), its first window shown
  // as `show`, and returns without waiting. Throws Failure when it cannot start.
  virtual void Start(const std::u16string& commandLine, ShowState show) = 0;
  // Starts the program file `programPath` (a full path: nothing is searched) with
  // `commandLine` as the command line it sees, whose first word need not name that file, and
  // its first window shown as `show`; returns without waiting. The program starts in its own
  // folder as its current folder. Throws Failure when it cannot start.
  virtual void StartProgram(const std::u16string& programPath, const std::u16string& commandLine,
                            ShowState show) = 0;
};

}  // namespace platform
