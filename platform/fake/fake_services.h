// Recording fakes of the system's services, with scripted results; nothing touches the real system.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ansi.h"
#include "platform/clipboard.h"
#include "platform/environment.h"
#include "platform/failure.h"
#include "platform/message_box.h"
#include "platform/mouse_pointer.h"
#include "platform/process.h"
#include "platform/text_files.h"
#include "platform/url_schemes.h"

namespace platform::fake {

// Thrown by FakeProcess::EndProgram so a test sees the program end where it would.
struct ProgramEnded {};

// One entry of the shared journal that shows the order of events across fakes.
using Journal = std::vector<std::string>;

class FakeClipboard : public Clipboard {
 public:
  std::u16string ReadText() override {
    ++reads;
    return text;
  }
  std::u16string text;
  int reads = 0;
};

struct ShownBox {
  std::u16string text, title;
  MessageIcon icon = MessageIcon::kWarning;
  bool beepedFirst = false;
};

class FakeMessageBoxes : public MessageBoxes {
 public:
  explicit FakeMessageBoxes(Journal* journal = nullptr) : journal_(journal) {}
  void Show(const std::u16string& text, const std::u16string& title, MessageIcon icon) override {
    shown.push_back({text, title, icon, pendingBeep_});
    pendingBeep_ = false;
    if (journal_) journal_->push_back("MessageBox");
    if (onShow) onShow(shown.back());
  }
  void Beep() override {
    pendingBeep_ = true;
    ++beeps;
    if (journal_) journal_->push_back("Beep");
  }
  std::vector<ShownBox> shown;
  int beeps = 0;
  // Runs while the box is "open", e.g. to look at the window's state at that moment.
  std::function<void(const ShownBox&)> onShow;

 private:
  Journal* journal_;
  bool pendingBeep_ = false;
};

class FakeMousePointer : public MousePointer {
 public:
  void Set(Pointer p) override { history.push_back(p); }
  Pointer Current() const { return history.empty() ? Pointer::kDefault : history.back(); }
  std::vector<Pointer> history;
};

// Files as byte strings keyed by path (a Unicode file as its UTF-16LE bytes); a path can be
// made to fail, and so can every write from the nth on. A failed write leaves the file as it
// was, as the real whole-file writes promise.
class FakeTextFiles : public TextFiles {
 public:
  explicit FakeTextFiles(Journal* journal = nullptr) : journal_(journal) {}
  void AppendCreate(const std::u16string& path) override;
  std::optional<std::string> ReadFirstLine(const std::u16string& path) override;
  void WriteLines(const std::u16string& path, const std::vector<std::string>& lines) override;
  void WriteUnicodeLines(const std::u16string& path,
                         const std::vector<std::u16string>& lines) override;

  std::map<std::u16string, std::string> files;
  std::map<std::u16string, std::uint32_t> failing;  // path -> error code to throw
  // 0: writes never run out of room; n: the nth write and every later one fail (a disk that
  // fills up), with code 61.
  int failFromWrite = 0;
  int writes = 0;

 private:
  void FailIfAsked(const std::u16string& path) const;
  void CountWrite();
  Journal* journal_;
};

// ISO 8859-1 as the "ANSI" code page: code units up to 0xFF are one byte, others are "?".
// `doubleByte` characters come out as two bytes, as under a double-byte code page.
class FakeAnsiCodec : public AnsiCodec {
 public:
  std::string ToAnsi(std::u16string_view text) const override;
  std::u16string FromAnsi(std::string_view bytes) const override;
  std::u16string doubleByte;
};

class FakeEnvironment : public Environment {
 public:
  std::u16string Variable(const std::u16string& name) const override {
    auto it = variables.find(name);
    return it == variables.end() ? std::u16string() : it->second;
  }
  // A path that starts with one backslash lands on `currentDrive`, one without a root in
  // `currentFolder`; others are already full.
  std::u16string FullPath(const std::u16string& path) const override;
  std::u16string ProgramFilesFolder() const override {
    if (programFilesFailure) throw *programFilesFailure;
    return programFilesFolder;
  }
  std::u16string WindowsFolder() const override { return windowsFolder; }
  bool CreateFolder(const std::u16string& path) override {
    createdFolders.push_back(path);
    return createSucceeds;
  }
  std::map<std::u16string, std::u16string> variables;
  std::u16string currentDrive = u"C:";
  std::u16string currentFolder = u"C:\\Downloads\\";
  std::u16string windowsFolder = u"C:\\Windows";
  std::u16string programFilesFolder = u"C:\\Program Files (x86)";
  std::optional<Failure> programFilesFailure;
  std::vector<std::u16string> createdFolders;
  bool createSucceeds = true;
};

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
  void Start(const std::u16string& commandLine, ShowState show) override {
    if (journal_) journal_->push_back("Start");
    if (startFailure) throw *startFailure;
    started.push_back({commandLine, show});
  }
  // Records the program file in `programs` and the rest as Start does.
  void StartProgram(const std::u16string& programPath, const std::u16string& commandLine,
                    ShowState show) override {
    programs.push_back(programPath);
    Start(commandLine, show);
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

// Schemes kept in a map; every registration is recorded in the journal and in `registered`.
class FakeUrlSchemes : public UrlSchemes {
 public:
  explicit FakeUrlSchemes(Journal* journal = nullptr) : journal_(journal) {}
  std::optional<std::u16string> OpenCommand(const std::u16string& scheme) const override {
    const auto found = commands.find(scheme);
    if (found == commands.end()) return std::nullopt;
    return found->second;
  }
  void Register(const std::u16string& scheme, const std::u16string& description,
                const std::u16string& command) override {
    if (journal_) journal_->push_back("RegisterScheme");
    if (registerFailure) throw *registerFailure;
    registered.push_back({scheme, description, command});
    commands[scheme] = command;
  }
  struct Registration {
    std::u16string scheme, description, command;
  };
  std::map<std::u16string, std::u16string> commands;
  std::vector<Registration> registered;
  std::optional<Failure> registerFailure;

 private:
  Journal* journal_;
};

}  // namespace platform::fake
