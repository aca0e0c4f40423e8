// Checks of the Win32 backend that need a real window system; run under Wine by
// tests/e2e/test_backend.py. Prints one line per failed check and exits with their number.
// With the argument "fail", the load handler throws instead, to show the run-time error box.
// Before windows.h, which would bring in the older winsock.h.
#include <winsock2.h>
// Then the rest of the system's API.
#include <windows.h>
// After windows.h, which it needs.
#include <sddl.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/ansi.h"
#include "platform/background.h"
#include "platform/clipboard.h"
#include "platform/common/failure.h"
#include "platform/environment.h"
#include "platform/form.h"
#include "platform/loopback.h"
#include "platform/mouse_pointer.h"
#include "platform/process.h"
#include "platform/sha256.h"
#include "platform/text_files.h"
#include "platform/win32/whole_file.h"

namespace {

using namespace platform;

int failures = 0;
int checks = 0;

void Check(bool ok, const char* what) {
  ++checks;
  if (!ok) {
    ++failures;
    std::printf("FAILED: %s\n", what);
    std::fflush(stdout);
  }
}

template <typename Call>
bool Throws(Call call) {
  try {
    call();
  } catch (const platform::ProgramError& error) {
    return error.GetKind() == platform::ProgramError::Kind::kOutOfRange;
  }
  return false;
}

template <typename Call>
bool FailsWithCode(Call call) {
  try {
    call();
  } catch (const Failure& failure) {
    return failure.Code() != 0 && !failure.Description().empty();
  }
  return false;
}

std::u16string TempPath(const char16_t* name) {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  return std::u16string(reinterpret_cast<const char16_t*>(folder)) + name;
}

// A browser's side of the loopback redirect: a connection that sends nothing, then the request.
DWORD WINAPI Browse(void* parameter) {
  auto* port = static_cast<std::uint16_t*>(parameter);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(*port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  SOCKET idle = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  connect(idle, reinterpret_cast<sockaddr*>(&address), sizeof address);
  closesocket(idle);
  SOCKET client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address);
  const char request[] = "GET /callback?code=c&state=s HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
  send(client, request, sizeof request - 1, 0);
  static char answer[512];
  int got = 0;
  for (int n; (n = recv(client, answer + got, sizeof answer - 1 - got, 0)) > 0;) got += n;
  closesocket(client);
  return std::strstr(answer, "HTTP/1.1 200 OK") == answer && std::strstr(answer, "\r\n\r\n<p>ok");
}

void CheckLoopback() {
  auto listener = SystemLoopbackListeners().Open();
  std::uint16_t port = listener->Port();
  Check(port != 0, "the listener has a port");
  HANDLE browser = CreateThread(nullptr, 0, &Browse, &port, 0, nullptr);
  Check(listener->Wait(10, "<p>ok") == std::optional<std::u16string>(u"/callback?code=c&state=s"),
        "the listener skips an idle connection and takes the request's target");
  WaitForSingleObject(browser, 10000);
  DWORD answered = 0;
  GetExitCodeThread(browser, &answered);
  CloseHandle(browser);
  Check(answered == 1, "the browser got the page");
  auto closed = SystemLoopbackListeners().Open();
  closed->Close();
  Check(closed->Wait(10, "") == std::nullopt, "a closed listener waits for nothing");
}

// Each digest as hex, to compare with the published examples.
std::string Hex(const std::array<std::uint8_t, 32>& digest) {
  std::string hex;
  for (const std::uint8_t b : digest) {
    hex += "0123456789abcdef"[b >> 4];
    hex += "0123456789abcdef"[b & 15];
  }
  return hex;
}

void CheckSha256() {
  // RFC 7636's verifier, whose challenge is the digest in base64url.
  Check(Hex(Sha256("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk")) ==
            "13d31e961a1ad8ec2f16b10c4c982e0876a878ad6df144566ee1894acb70f9c3",
        "SHA-256 of RFC 7636's verifier");
  Check(Hex(Sha256("")) == "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855",
        "SHA-256 of nothing");
}

void CheckTextFiles() {
  TextFiles& files = SystemTextFiles();
  const std::u16string path = TempPath(u"lumora_checks.txt");
  files.WriteLines(path, {"first", "", "third"});
  Check(files.ReadFirstLine(path) == std::optional<std::string>("first"), "first line of three");
  files.AppendCreate(path);
  Check(files.ReadFirstLine(path) == std::optional<std::string>("first"),
        "append-create leaves a file as it was");

  files.WriteLines(path, {});
  Check(files.ReadFirstLine(path) == std::nullopt, "an empty file reads as nothing");
  files.WriteLines(path, {""});
  Check(files.ReadFirstLine(path) == std::optional<std::string>(""),
        "a lone CR LF is one empty line");

  // No CR at all across many chunks: the whole file is the line.
  const std::string big(10 * 1024 * 1024 + 7, 'x');
  HANDLE raw = CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_WRITE, 0,
                           nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(raw, big.data(), static_cast<DWORD>(big.size()), &written, nullptr);
  CloseHandle(raw);
  const auto line = files.ReadFirstLine(path);
  Check(line && line->size() == big.size(), "a 10 MB file without CR is one line");
  DeleteFileW(reinterpret_cast<const wchar_t*>(path.c_str()));

  const std::u16string missing = TempPath(u"no such folder\\UN.DAT");
  Check(FailsWithCode([&] { files.AppendCreate(missing); }), "a missing folder fails with a code");
  Check(FailsWithCode([&] { files.ReadFirstLine(missing); }), "reading a missing file fails");
}

const wchar_t* W(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

// The access list of `path` in the system's text form; empty when it cannot be read.
std::wstring AccessListText(const std::u16string& path) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  HANDLE file =
      CreateFileW(W(path), READ_CONTROL, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  char buffer[4096];
  DWORD needed = 0;
  std::wstring text;
  if (GetKernelObjectSecurity(file, DACL_SECURITY_INFORMATION, buffer, sizeof buffer, &needed)) {
    descriptor = buffer;
    LPWSTR converted = nullptr;
    if (ConvertSecurityDescriptorToStringSecurityDescriptorW(
            descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &converted, nullptr)) {
      text = converted;
      LocalFree(converted);
    }
  }
  CloseHandle(file);
  return text;
}

// Gives `path` an access list for the system and the current user alone.
bool RestrictToUser(const std::u16string& path) {
  HANDLE token = nullptr;
  OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
  char user[256];
  DWORD needed = 0;
  const bool gotUser = GetTokenInformation(token, TokenUser, user, sizeof user, &needed);
  CloseHandle(token);
  LPWSTR sid = nullptr;
  if (!gotUser || !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &sid)) {
    return false;
  }
  const std::wstring sddl = L"D:P(A;;FA;;;SY)(A;;FA;;;" + std::wstring(sid) + L")";
  LocalFree(sid);
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                            &descriptor, nullptr)) {
    return false;
  }
  HANDLE file =
      CreateFileW(W(path), WRITE_DAC, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  const bool set = SetKernelObjectSecurity(file, DACL_SECURITY_INFORMATION, descriptor);
  CloseHandle(file);
  LocalFree(descriptor);
  return set;
}

std::string FileBytes(const std::u16string& path) {
  HANDLE file =
      CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  char buffer[256];
  DWORD got = 0;
  ReadFile(file, buffer, sizeof buffer, &got, nullptr);
  CloseHandle(file);
  return std::string(buffer, got);
}

std::vector<std::u16string> FolderNames(const std::u16string& folder) {
  std::vector<std::u16string> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(W(folder + u"*"), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::u16string name(reinterpret_cast<const char16_t*>(found.cFileName));
    if (name != u"." && name != u"..") names.push_back(name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

void CheckWholeFileWrites() {
  TextFiles& files = SystemTextFiles();
  const std::u16string folder = TempPath(u"lumora_whole_file\\");
  CreateDirectoryW(W(folder), nullptr);
  const std::u16string target = folder + u"PW.DAT";
  const std::u16string fresh = folder + u"fresh.txt";
  files.WriteLines(target, {"old"});
  files.WriteLines(fresh, {"fresh"});

  // Wine keeps an access list as the file's Unix mode; owner alone differs from a new file's.
  Check(RestrictToUser(target), "an access list is set for the check");
  const std::wstring restricted = AccessListText(target);
  Check(!restricted.empty() && restricted != AccessListText(fresh),
        "the check's access list differs from a new file's");
  files.WriteLines(target, {"new"});
  Check(FileBytes(target) == "new\r\n", "the save replaced the content");
  Check(AccessListText(target) == restricted, "a save keeps the file's own access list");

  // A link planted under the name a temporary file once had (the target's name, the process
  // number and .tmp) to a file of the planter's choosing.
  const std::u16string victim = folder + u"victim.txt";
  files.WriteLines(victim, {"victim"});
  const std::u16string planted = target + u"." +
                                 std::u16string(reinterpret_cast<const char16_t*>(
                                     std::to_wstring(GetCurrentProcessId()).c_str())) +
                                 u".tmp";
  Check(CreateHardLinkW(W(planted), W(victim), nullptr), "a link is planted");
  files.WriteLines(target, {"again"});
  Check(FileBytes(victim) == "victim\r\n", "a planted link is never written through");
  Check(FileBytes(target) == "again\r\n", "the save still happened");
  Check(FolderNames(folder) ==
            std::vector<std::u16string>{u"PW.DAT", u"PW.DAT." + planted.substr(target.size() + 1),
                                        u"fresh.txt", u"victim.txt"},
        "no temporary file is left");

  for (const auto& name : FolderNames(folder)) DeleteFileW(W(folder + name));
  RemoveDirectoryW(W(folder));
}

// ReplaceFileW made to fail the ways it documents, on the first `failures` calls.
unsigned long replaceError = 0;
int replaceFailures = 0, pauses = 0;
bool dropReplacement = false;  // the new copy vanishes too, so only the old one can come back

unsigned long FailingReplace(const wchar_t* target, const wchar_t* replacement,
                             const wchar_t* backup) {
  if (replaceFailures-- <= 0) {
    return ReplaceFileW(target, replacement, backup, 0, nullptr, nullptr) ? 0 : GetLastError();
  }
  // 1177: the target was moved to the backup name and the replacement stayed where it was.
  if (replaceError == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) MoveFileW(target, backup);
  if (dropReplacement) DeleteFileW(replacement);
  return replaceError;
}

void CheckWholeFileFailures() {
  const std::u16string folder = TempPath(u"lumora_whole_failures\\");
  CreateDirectoryW(W(folder), nullptr);
  const std::u16string target = folder + u"UN.DAT";
  win32::FilePlacement& placement = win32::WholeFilePlacement();
  const win32::FilePlacement system = placement;
  placement = {FailingReplace, [](unsigned long) { ++pauses; }};
  struct Case {
    unsigned long error;
    int failures;
    bool drop, written;
    int pauses;
    const char* what;
  };
  for (const Case& c :
       {Case{ERROR_UNABLE_TO_REMOVE_REPLACED, 1, false, false, 0, "1175"},
        Case{ERROR_UNABLE_TO_MOVE_REPLACEMENT, 1, false, false, 0, "1176"},
        Case{ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, 1, false, true, 0, "1177"},
        Case{ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, 1, true, false, 0, "1177, no copy"},
        Case{ERROR_SHARING_VIOLATION, 2, false, true, 2, "a brief share"},
        Case{ERROR_LOCK_VIOLATION, 99, false, false, 4, "a lasting lock"}}) {
    SystemTextFiles().WriteLines(target, {"old"});
    replaceError = c.error;
    replaceFailures = c.failures;
    dropReplacement = c.drop;
    pauses = 0;
    bool threw = false;
    try {
      SystemTextFiles().WriteLines(target, {"new"});
    } catch (const Failure&) {
      threw = true;
    }
    const std::string wanted = c.written ? "new\r\n" : "old\r\n";
    Check(threw != c.written && FileBytes(target) == wanted, c.what);
    Check(FolderNames(folder) == std::vector<std::u16string>{u"UN.DAT"} && pauses == c.pauses,
          c.what);
  }
  placement = system;
  DeleteFileW(W(target));
  RemoveDirectoryW(W(folder));
}

void CheckAnsiAndEnvironment() {
  AnsiCodec& ansi = SystemAnsiCodec();
  Check(ansi.ToAnsi(u"caf\u00e9") == "caf\xe9", "e acute is one byte in code page 1252");
  Check(ansi.FromAnsi("caf\xe9") == u"caf\u00e9", "and reads back");
  Check(ansi.ToAnsi(u"\u4e2d") == "?", "a character the code page lacks becomes ?");

  Environment& environment = SystemEnvironment();
  SetEnvironmentVariableW(L"LUMORA_CHECK", L"value with spaces");
  Check(environment.Variable(u"LUMORA_CHECK") == u"value with spaces", "a variable's value");
  Check(environment.Variable(u"LUMORA_CHECK_UNSET") == u"", "an unset variable is empty");
  SetEnvironmentVariableW(L"ProgramFiles", nullptr);
  Check(environment.ProgramFilesFolder() == u"C:\\Program Files",
        "the system's Program Files folder, without the variable");
  const std::u16string folder = TempPath(u"lumora_check_folder\\");
  RemoveDirectoryW(reinterpret_cast<const wchar_t*>(folder.c_str()));
  Check(environment.CreateFolder(folder), "a folder with a trailing backslash is created");
  Check(!environment.CreateFolder(folder), "creating it again reports false");
  Check(!environment.CreateFolder(TempPath(u"no such parent\\child")), "a missing parent fails");
  RemoveDirectoryW(reinterpret_cast<const wchar_t*>(folder.c_str()));
}

void PutOnClipboard(UINT format, const void* data, std::size_t bytes) {
  OpenClipboard(nullptr);
  EmptyClipboard();
  if (data != nullptr) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    std::memcpy(GlobalLock(block), data, bytes);
    GlobalUnlock(block);
    SetClipboardData(format, block);
  }
  CloseClipboard();
}

void CheckClipboard() {
  Clipboard& clipboard = SystemClipboard();
  const char16_t emoji[] = u"  bird \U0001F426 \u00e9\u4e2d  ";
  PutOnClipboard(CF_UNICODETEXT, emoji, sizeof emoji);
  Check(clipboard.ReadText() == emoji, "emoji and other scripts arrive whole");
  const char16_t nul[] = u"before\0after";
  PutOnClipboard(CF_UNICODETEXT, nul, sizeof nul);
  Check(clipboard.ReadText() == u"before", "the text stops at the first NUL");
  const char ansi[] = "caf\xe9";
  PutOnClipboard(CF_TEXT, ansi, sizeof ansi);
  Check(clipboard.ReadText() == u"caf\u00e9", "ANSI-only text is converted");
  PutOnClipboard(CF_UNICODETEXT, nullptr, 0);
  Check(clipboard.ReadText().empty(), "an empty clipboard gives nothing");
}

void CheckProcess() {
  Process& process = SystemProcess();
  const bool first = process.PreviousInstanceRunning();
  Check(!first, "the first instance finds none before it");
  Check(process.PreviousInstanceRunning() == first, "asking again gives the same answer");
  Check(FailsWithCode([&] {
          process.StartProgram(u"C:\\no_such_program_for_lumora.exe", u"x", ShowState::kNormal);
        }),
        "starting a missing program fails");
}

// The window's controls by id.
enum class Id : int {
  kSingle = 1001,
  kBox = 1002,
  kMulti = 1003,
  kInner = 1004,
  kNote = 1005,
  kPlain = 1006,
  kSteps = 1007,
  kEarly = 1008,
  kFitted = 1009,
  kNope = 1999,  // in no design
};

// The window: a single-line box, a frame holding a multi-line box, a button and a label, a
// button on the window and two timers.
FormDesign ChecksForm() {
  FormDesign form;
  form.name = "BackendChecks";
  form.caption = u"Backend checks";
  form.backColor = {123, 152, 182};
  form.clientWidth = 6000;
  form.clientHeight = 4000;
  form.centered = true;
  auto add = [&form](std::string name, Id id, ControlKind kind, std::string container = {}) {
    ControlDesign control;
    control.name = std::move(name);
    control.id = static_cast<int>(id);
    control.kind = kind;
    control.container = std::move(container);
    control.left = 120;
    control.top = 120 + 500 * static_cast<int>(form.controls.size() % 4);
    control.width = 2400;
    control.height = 400;
    form.controls.push_back(control);
    return &form.controls.back();
  };
  auto* single = add("Single", Id::kSingle, ControlKind::kTextBox);
  single->maxLength = 5;
  single->tabStop = true;
  auto* frame = add("Box", Id::kBox, ControlKind::kFrame);
  frame->top = 700;
  frame->height = 2800;
  auto* multi = add("Multi", Id::kMulti, ControlKind::kTextBox, "Box");
  multi->multiLine = true;
  multi->tabStop = true;
  auto* inner = add("Inner", Id::kInner, ControlKind::kCommandButton, "Box");
  inner->graphical = true;
  inner->backColor = Rgb{192, 192, 192};
  inner->tabStop = true;
  auto* note = add("Note", Id::kNote, ControlKind::kLabel, "Box");
  note->caption = u"0";
  note->font = FontDesign{u"Arial", 12, false};
  auto* fitted = add("Fitted", Id::kFitted, ControlKind::kLabel);
  fitted->left = 3000;
  fitted->top = 2500;
  fitted->autoSize = true;
  fitted->caption = u"Sized to its caption";
  fitted->font = FontDesign{u"Arial", 27.75, true};
  auto* plain = add("Plain", Id::kPlain, ControlKind::kCommandButton);
  plain->left = 3000;
  plain->graphical = true;
  plain->wordWrap = true;
  plain->caption = u"A caption long enough to wrap";
  plain->tabStop = true;
  add("Steps", Id::kSteps, ControlKind::kTimer)->intervalMs = 30;
  add("Early", Id::kEarly, ControlKind::kTimer)->intervalMs = 10;
  return form;
}

struct Counts {
  int singleChanges = 0, multiChanges = 0, innerClicks = 0, plainClicks = 0;
  int earlyTicks = 0, step = 0;
  DWORD workThread = 0, doneThread = 0;
  int dones = 0, waitTicks = 0;
};

HWND FormHandle() {
  return FindWindowW(L"BackendChecks", nullptr);
}
HWND Item(int id) {
  HWND form = FormHandle();
  HWND item = GetDlgItem(form, id);
  return item != nullptr ? item : GetDlgItem(GetDlgItem(form, 1002), id);
}

int Dpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi;
}

int Px(int twips) {
  return MulDiv(twips, Dpi(), 1440);
}

RECT WindowRect(HWND hwnd) {
  RECT rect;
  GetWindowRect(hwnd, &rect);
  return rect;
}

// The size of `text` in the control's font, and the face the font mapper chose for it.
SIZE TextSize(HWND control, const wchar_t* text, std::wstring* face = nullptr) {
  HDC dc = GetDC(control);
  HGDIOBJ old =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &size);
  wchar_t chosen[LF_FACESIZE] = {};
  GetTextFaceW(dc, LF_FACESIZE, chosen);
  if (face != nullptr) *face = chosen;
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return size;
}

void CheckWindowAndLabels(Form& form) {
  HWND hwnd = FormHandle();
  RECT client;
  GetClientRect(hwnd, &client);
  Check(client.right == Px(6000) && client.bottom == Px(4000), "the client area is the design's");
  const RECT outer = WindowRect(hwnd);
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  Check(std::abs(outer.left + outer.right - screenWidth) <= 1 &&
            std::abs(outer.top + outer.bottom - screenHeight) <= 1,
        "the window stands centred");

  Window& window = form.Self();
  Check(std::abs(window.Width() - (outer.right - outer.left) * 1440.0 / Dpi()) < 0.01,
        "the outer width in twips");
  Check(std::abs(window.ScreenWidth() - screenWidth * 1440.0 / Dpi()) < 0.01,
        "the screen width in twips");
  window.SetLeft(-300);
  window.SetTop(600);
  const RECT moved = WindowRect(hwnd);
  Check(moved.left == -Px(300) && moved.top == Px(600), "left and top are set in twips");
  Check(moved.right - moved.left == outer.right - outer.left, "moving keeps the size");
  Check(window.MakeTopmost() && (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST),
        "the window becomes topmost");

  // Wine has no Arial; the metric-compatible substitute is taken, not the mapper's guess.
  std::wstring face;
  TextSize(Item(1005), L"x", &face);
  Check(face == L"Arial" || face == L"Liberation Sans", "Arial or its metric twin");

  const SIZE fitted = TextSize(Item(1009), L"Sized to its caption");
  const RECT fittedRect = WindowRect(Item(1009));
  Check(fittedRect.right - fittedRect.left == fitted.cx &&
            fittedRect.bottom - fittedRect.top == fitted.cy,
        "an auto-sized label takes its caption's size");

  Label& note = form.LabelOf(Id::kNote);
  const wchar_t* wide = L"A caption much wider than the label was drawn in its design";
  note.SetCaption(reinterpret_cast<const char16_t*>(wide));
  const RECT grown = WindowRect(Item(1005));
  Check(grown.right - grown.left == TextSize(Item(1005), wide).cx,
        "a one-line label grows to show its whole caption");
  note.SetCaption(u"0");
  const RECT back = WindowRect(Item(1005));
  Check(back.right - back.left == Px(2400), "and returns to its design width");
}

void PostKey(HWND target, WPARAM key) {
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(static_cast<UINT>(key), 0)) << 16;
  PostMessageW(target, WM_KEYDOWN, key, 1 | scan);
  PostMessageW(target, WM_KEYUP, key, 1 | scan | (1LL << 30) | (1LL << 31));
}

// Started by the load handler, which then pumps messages as a modal box's loop would: the
// completions reach that loop but must wait until the handler has returned. One work throws,
// one never ends (the program must end all the same).
void StartBackgroundWork(Counts& counts) {
  Background& background = SystemBackground();
  background.Run([&counts] { counts.workThread = GetCurrentThreadId(); },
                 [&counts] {
                   counts.doneThread = GetCurrentThreadId();
                   ++counts.dones;
                 });
  background.Run([] { throw std::runtime_error("lost"); }, [&counts] { ++counts.dones; });
  HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  background.Run([never] { WaitForSingleObject(never, INFINITE); }, [&counts] { ++counts.dones; });
  int seen = 0;
  while (seen < 2) {
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 5000, QS_ALLINPUT) == WAIT_TIMEOUT) break;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_APP + 1 && message.hwnd != FormHandle()) ++seen;
      DispatchMessageW(&message);
    }
  }
  Check(seen == 2, "both completions reach the handler's own loop");
  Check(counts.dones == 0, "no completion runs while a handler runs");
}

void Load(Form& form, Counts& counts) {
  Check(Throws([&] { form.TextBoxOf(Id::kNope); }), "an unknown id throws");
  Check(Throws([&] { form.TextBoxOf(Id::kNote); }), "an id of another kind throws");

  TextBox& single = form.TextBoxOf(Id::kSingle);
  TextBox& multi = form.TextBoxOf(Id::kMulti);
  single.SetOnChange([&] { ++counts.singleChanges; });
  multi.SetOnChange([&] { ++counts.multiChanges; });
  single.SetText(u"abc");
  multi.SetText(u"line\r\nline");
  multi.SetText(u"line\r\nline");
  Check(counts.singleChanges == 1, "SetText raises a single-line box's change once");
  Check(counts.multiChanges == 2, "SetText raises a multi-line box's change once per call");
  Check(multi.Text() == u"line\r\nline", "the multi-line text reads back");

  SendMessageW(Item(1001), EM_SETSEL, 3, 3);  // typing goes at the caret
  for (wchar_t c : std::wstring(L"xyz")) SendMessageW(Item(1001), WM_CHAR, c, 1);
  Check(single.Text() == u"abcxy", "typing stops at the maximum length");
  Check(counts.singleChanges == 3, "each typed character that went in raises the change");
  SendMessageW(Item(1001), EM_SETSEL, 0, 1);
  SendMessageW(Item(1001), WM_CHAR, L'a', 1);
  Check(counts.singleChanges == 4, "typing over a selection with the same letter still counts");

  CheckWindowAndLabels(form);

  Label& note = form.LabelOf(Id::kNote);
  note.SetCaption(u"150 Characters.");
  note.SetForeColor({192, 0, 0});
  wchar_t shown[64] = {};
  GetWindowTextW(Item(1005), shown, 64);
  Check(std::wstring(shown) == L"150 Characters.", "a label's caption is its window text");
  Check(note.ForeColor() == Rgb{192, 0, 0}, "a label keeps its text colour");

  Button& inner = form.ButtonOf(Id::kInner);
  inner.SetOnClick([&] { ++counts.innerClicks; });
  SendMessageW(Item(1004), BM_CLICK, 0, 0);
  Check(counts.innerClicks == 1, "BM_CLICK on a button inside the frame reaches its handler");
  inner.SetEnabled(false);
  SendMessageW(Item(1004), BM_CLICK, 0, 0);
  Check(counts.innerClicks == 1 && !inner.Enabled(), "a disabled button does not click");
  inner.SetEnabled(true);
  form.ButtonOf(Id::kPlain).SetOnClick([&] { ++counts.plainClicks; });

  // A tick that comes while the load handler still runs is dropped.
  Timer& early = form.TimerOf(Id::kEarly);
  early.SetOnTick([&] { ++counts.earlyTicks; });
  early.SetEnabled(true);
  for (bool seen = false; !seen;) {
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 2000, QS_ALLINPUT) == WAIT_TIMEOUT) break;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      seen = seen || (message.message == WM_TIMER && message.wParam == 1008);
      DispatchMessageW(&message);
    }
  }
  Check(counts.earlyTicks == 0, "no tick before the load handler has returned");
  StartBackgroundWork(counts);
  form.TimerOf(Id::kSteps).SetEnabled(true);
}

// Runs on the window's loop after loading, one step per tick: keys go through the loop.
void Step(Form& form, Counts& counts) {
  // The last step closes the window: the completions come first (a few ticks at most).
  if (counts.step == 4 && counts.dones < 2 && ++counts.waitTicks < 300) return;
  switch (++counts.step) {
    case 1:
      Check(counts.earlyTicks > 0, "ticks come once the load handler has returned");
      form.TimerOf(Id::kEarly).SetEnabled(false);
      Check(GetFocus() == Item(1001), "the focus starts in the first tab stop");
      SetFocus(Item(1006));
      PostKey(Item(1006), VK_RETURN);
      break;
    case 2:
      Check(counts.plainClicks == 1, "Enter clicks the focused button");
      PostKey(Item(1006), VK_SPACE);
      break;
    case 3:
      Check(counts.plainClicks == 2, "space clicks the focused button");
      SetFocus(Item(1003));
      SendMessageW(Item(1003), EM_SETSEL, 4, 4);
      counts.multiChanges = 0;
      PostKey(Item(1003), VK_RETURN);
      break;
    case 4:
      Check(form.TextBoxOf(Id::kMulti).Text() == u"line\r\n\r\nline",
            "Enter in the multi-line box is a line break");
      Check(counts.multiChanges == 1, "and raises the change once");
      PostKey(Item(1003), VK_TAB);
      break;
    case 5: {
      Check(GetFocus() == Item(1004), "Tab leaves the multi-line box for the next tab stop");
      SystemMousePointer().Set(Pointer::kHourglass);
      Check(GetCursor() == LoadCursorW(nullptr, IDC_WAIT), "the hourglass shows at once");
      SystemMousePointer().Set(Pointer::kDefault);
      Check(GetCursor() != LoadCursorW(nullptr, IDC_WAIT), "and goes again");
      form.TimerOf(Id::kSteps).SetEnabled(false);
      form.Self().Hide();
      Check(!IsWindowVisible(FormHandle()), "the window hides");
      PostMessageW(FormHandle(), WM_CLOSE, 0, 0);
      break;
    }
  }
}

// Function statics: one initialisation when two threads arrive together, another try after
// one that threw, and a static whose initialiser starts another.
int staticInits = 0;
int throwingTries = 0;
HANDLE secondArrived = nullptr;

int Inner() {
  static const int value = ++staticInits;
  return value;
}

int Contended() {
  static const int value = [] {
    WaitForSingleObject(secondArrived, 5000);
    for (int i = 0; i < 1000; ++i) SwitchToThread();
    return Inner() + ++staticInits;
  }();
  return value;
}

int ThrowsOnce() {
  static const int value = throwingTries++ == 0 ? throw Failure(1, u"first") : 7;
  return value;
}

DWORD WINAPI SecondArrival(void* result) {
  SetEvent(secondArrived);
  *static_cast<int*>(result) = Contended();
  // Unwinding on a thread of its own finds its records too.
  *static_cast<int*>(result) += FailsWithCode([] { throw Failure(2, u"worker"); }) ? 100 : 0;
  return 0;
}

void CheckStaticGuards() {
  secondArrived = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  int second = 0;
  HANDLE thread = CreateThread(nullptr, 0, SecondArrival, &second, 0, nullptr);
  const int first = Contended();
  WaitForSingleObject(thread, 10000);
  CloseHandle(thread);
  CloseHandle(secondArrived);
  Check(first == 3 && second == 103 && staticInits == 2,
        "two threads share one initialisation, nested statics included");
  const bool threw = FailsWithCode([] { ThrowsOnce(); });
  Check(threw && ThrowsOnce() == 7 && ThrowsOnce() == 7 && throwingTries == 2,
        "an initialiser that threw runs again, then never");
}

// Unwinding. Each frame below keeps a value across its call, in a register the callee saves,
// and a destructor to run; two realign their stack, so that their records find the frame
// address through an expression, as in the program's entry.
__attribute__((noinline)) int Opaque(int value) {
  volatile int copy = value;
  return copy;
}

__attribute__((noinline)) void Touch(char* bytes) {
  *static_cast<volatile char*>(bytes) = 1;
}

struct Counted {
  int& count;
  ~Counted() { ++count; }
};

__attribute__((noinline)) int Deep(int depth, int& destroyed) {
  Counted counted{destroyed};
  const int kept = Opaque(depth);
  if (depth == 0) throw Failure(7, u"deep");
  return Deep(depth - 1, destroyed) * kept;
}

__attribute__((noinline)) int Realigned(int depth, int& destroyed) {
  alignas(32) char aligned[32];
  Touch(aligned);
  Touch(static_cast<char*>(__builtin_alloca(Opaque(depth) + 1)));
  Counted counted{destroyed};
  const int kept = Opaque(depth);
  return std::function<int()>([&] { return Deep(depth, destroyed); })() + kept;
}

// 7123 when the failure is caught here with this frame's own values intact.
__attribute__((noinline)) int CatchAcross(int& destroyed) {
  alignas(32) char aligned[32];
  Touch(aligned);
  Touch(static_cast<char*>(__builtin_alloca(Opaque(8))));
  const int a = Opaque(1), b = Opaque(2), c = Opaque(3);
  int code = 0;
  try {
    Realigned(3, destroyed);
  } catch (const Failure& failure) {
    code = static_cast<int>(failure.Code());
  }
  return code * 1000 + a * 100 + b * 10 + c;
}

// The code of the failure that leaves a catch clause that rethrows or throws anew.
int CaughtAfter(bool anew) {
  try {
    try {
      throw Failure(1, u"first");
    } catch (const Failure&) {
      if (anew) throw Failure(2, u"second");
      throw;
    }
  } catch (const std::exception& base) {
    return static_cast<int>(static_cast<const Failure&>(base).Code());
  }
  return 0;
}

void CheckUnwinding() {
  int destroyed = 0;
  Check(CatchAcross(destroyed) == 7123 && destroyed == 5,
        "a throw through realigned frames and a std::function runs each destructor once and "
        "keeps the catching frame's values");
  Check(CaughtAfter(false) == 1 && CaughtAfter(true) == 2,
        "a rethrown and a replaced failure reach a catch of their base class");
  bool any = false;
  try {
    throw 5;
  } catch (...) {
    any = true;
  }
  Check(any, "catch (...) takes a thrown int");
  static Failure pointed(9, u"pointed");
  const std::exception* reached = nullptr;
  try {
    throw &pointed;
  } catch (const std::exception* caught) {
    reached = caught;
  }
  Check(reached == &pointed, "a thrown pointer is caught as a pointer to its base");
}

// A failure may not leave it: the program ends in std::terminate instead.
__attribute__((noinline)) void NoFailureEscapes() noexcept {
  int destroyed = 0;
  Deep(Opaque(0), destroyed);
}

DWORD WINAPI CheckUnwindingOnThread(void*) {
  CheckUnwinding();
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "fail") {
    return RunForm(ChecksForm(), [](Form&) { throw Failure(5, u"Access is denied."); });
  }
  if (argc > 1 && std::string(argv[1]) == "past-the-end") {
    // The library's own error, as the shipped program's runtime raises it.
    return RunForm(ChecksForm(), [](Form&) { std::u16string().at(1); });
  }
  if (argc > 1 && std::string(argv[1]) == "noexcept") {
    // Called through a pointer that may throw, so that this catch stays.
    void (*volatile call)() = NoFailureEscapes;
    try {
      call();
    } catch (...) {
      return 0;
    }
    return 1;
  }
  // First: a faulty unwinder may break the checks that follow.
  CheckUnwinding();
  // Again on a thread of its own, whose stack ends in Windows' code; the checks wait for it.
  HANDLE unwinding = CreateThread(nullptr, 0, CheckUnwindingOnThread, nullptr, 0, nullptr);
  WaitForSingleObject(unwinding, 30000);
  CloseHandle(unwinding);
  CheckTextFiles();
  CheckLoopback();
  CheckSha256();
  CheckWholeFileWrites();
  CheckWholeFileFailures();
  CheckAnsiAndEnvironment();
  CheckClipboard();
  CheckProcess();
  CheckStaticGuards();
  Counts counts;
  RunForm(ChecksForm(), [&](Form& form) {
    Load(form, counts);
    form.TimerOf(Id::kSteps).SetOnTick([&form, &counts] { Step(form, counts); });
  });
  Check(counts.step == 5, "every step ran");
  Check(counts.dones == 2, "completions run once the handler has returned, not the endless one");
  Check(counts.workThread != 0 && counts.workThread != GetCurrentThreadId(),
        "work runs on a thread of its own");
  Check(counts.doneThread == GetCurrentThreadId(), "its completion on the window's thread");
  std::printf("%d checks, %d failed\n", checks, failures);
  return failures;
}
