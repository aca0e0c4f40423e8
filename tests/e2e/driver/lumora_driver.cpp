// Test driver of the Wine end-to-end harness (tests/e2e/harness.py): one command per run, or with
// "serve" any number of them read from standard input, one a line with its arguments separated
// by tabs, each answer followed by a line holding a single "." (a process that is already
// running answers in well under a millisecond, where starting one under Wine takes 100 ms).
//
// Text arguments are "~" (none), "x:<hex of UTF-16LE>" or "@<file of UTF-16LE bytes>", so every
// UTF-16 unit (NUL, lone surrogates, emoji) survives the trip. Results are one line of JSON per
// line of output, pure ASCII: every non-ASCII UTF-16 unit is written as \uXXXX.
#include <windows.h>
// Needs the types of <windows.h> above it.
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr UINT kSendTimeoutMs = 5000;
constexpr int kMessageBoxTextId = 0xFFFF;
// How often the waiting commands look again: often enough that the wait adds little to a
// measured latency, seldom enough to leave the processor to the program under test.
constexpr DWORD kPollMs = 5;

void WriteOut(const std::string& line) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  std::string data = line + "\n";
  const char* p = data.data();
  size_t left = data.size();
  while (left > 0) {
    DWORD written = 0;
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(left, 1 << 20));
    if (!WriteFile(out, p, chunk, &written, nullptr) || written == 0) return;
    p += written;
    left -= written;
  }
}

std::string Json(const std::wstring& text) {
  std::string out = "\"";
  out.reserve(text.size() + 2);
  char buf[8];
  for (wchar_t c : text) {
    if (c == L'"') {
      out += "\\\"";
    } else if (c == L'\\') {
      out += "\\\\";
    } else if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c) & 0xFFFF);
      out += buf;
    }
  }
  return out + "\"";
}

std::string Num(long long n) {
  return std::to_string(n);
}
std::string Handle(HWND h) {
  return Num(static_cast<long long>(reinterpret_cast<UINT_PTR>(h)));
}

int Fail(const std::string& what) {
  WriteOut("{\"error\":" + Json(std::wstring(what.begin(), what.end())) +
           ",\"code\":" + Num(GetLastError()) + "}");
  return 2;
}

std::wstring FromUtf16Bytes(const std::string& bytes) {
  std::wstring text(bytes.size() / 2, L'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                   (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return text;
}

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string data;
  char buf[1 << 16];
  DWORD got = 0;
  while (ReadFile(file, buf, sizeof buf, &got, nullptr) && got > 0) data.append(buf, got);
  CloseHandle(file);
  return data;
}

// Decodes one text argument; nullopt for "~".
std::optional<std::wstring> TextArg(const wchar_t* arg) {
  std::wstring a = arg;
  if (a == L"~") return std::nullopt;
  if (a.rfind(L"x:", 0) == 0) {
    std::string bytes;
    for (size_t i = 2; i + 1 < a.size(); i += 2) {
      bytes += static_cast<char>(std::wcstoul(a.substr(i, 2).c_str(), nullptr, 16));
    }
    return FromUtf16Bytes(bytes);
  }
  if (a.rfind(L"@", 0) == 0) {
    auto bytes = ReadWholeFile(a.substr(1));
    if (!bytes) return std::nullopt;
    return FromUtf16Bytes(*bytes);
  }
  return a;
}

HWND HwndArg(const wchar_t* arg) {
  return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::wcstoull(arg, nullptr, 10)));
}

std::wstring ClassOf(HWND h) {
  wchar_t name[256] = {};
  GetClassNameW(h, name, 256);
  return name;
}

std::optional<std::wstring> TextOf(HWND h) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length)) {
    return std::nullopt;
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(h, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied)) {
    return std::nullopt;
  }
  text.resize(std::min<size_t>(copied, length));
  return text;
}

BOOL CALLBACK Collect(HWND h, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(h);
  return TRUE;
}

// All descendants of parent, or all top-level windows for a null parent.
std::vector<HWND> AllWindows(HWND parent) {
  std::vector<HWND> list;
  if (parent) {
    EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&list));
  } else {
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&list));
  }
  return list;
}

// Controls may sit inside a frame, so the search covers all descendants, not only direct
// children as GetDlgItem does.
HWND Control(HWND parent, int id) {
  if (id < 0) return parent;
  if (!parent) return nullptr;
  for (HWND h : AllWindows(parent)) {
    if ((GetDlgCtrlID(h) & 0xFFFF) == (id & 0xFFFF)) return h;
  }
  return nullptr;
}

std::vector<HWND> TopWindows(const std::optional<std::wstring>& cls,
                             const std::optional<std::wstring>& title, bool visibleOnly) {
  std::vector<HWND> found;
  for (HWND h : AllWindows(nullptr)) {
    if (visibleOnly && !IsWindowVisible(h)) continue;
    if (cls && ClassOf(h) != *cls) continue;
    if (title) {
      wchar_t text[512] = {};
      GetWindowTextW(h, text, 512);
      if (*title != text) continue;
    }
    found.push_back(h);
  }
  return found;
}

std::string MessageBoxJson(HWND h) {
  wchar_t title[512] = {};
  GetWindowTextW(h, title, 512);
  HWND label = Control(h, kMessageBoxTextId);
  std::wstring text = label ? TextOf(label).value_or(L"") : L"";
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  return "{\"hwnd\":" + Handle(h) + ",\"title\":" + Json(title) + ",\"text\":" + Json(text) +
         ",\"pid\":" + Num(pid) + "}";
}

std::string ListJson(const std::vector<HWND>& list) {
  std::string out = "[";
  for (size_t i = 0; i < list.size(); ++i) out += (i ? "," : "") + Handle(list[i]);
  return out + "]";
}

std::string RectJson(const RECT& r) {
  return "[" + Num(r.left) + "," + Num(r.top) + "," + Num(r.right) + "," + Num(r.bottom) + "]";
}

// --- commands -------------------------------------------------------------------------------

// Environment block sorted as Windows expects, with the requested names set or removed.
std::wstring BuildEnvironment(const std::vector<std::wstring>& changes) {
  std::vector<std::wstring> entries;
  if (wchar_t* env = GetEnvironmentStringsW()) {
    for (wchar_t* p = env; *p; p += std::wcslen(p) + 1) entries.emplace_back(p);
    FreeEnvironmentStringsW(env);
  }
  auto nameOf = [](const std::wstring& entry) {
    size_t eq = entry.find(L'=', 1);  // "=C:=C:\" style entries start with '='
    return entry.substr(0, eq);
  };
  auto drop = [&](const std::wstring& name) {
    std::erase_if(entries, [&](const std::wstring& e) {
      return CompareStringOrdinal(nameOf(e).c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL;
    });
  };
  for (const auto& change : changes) {
    if (change.empty()) continue;
    if (change[0] == L'-') {
      drop(change.substr(1));
    } else {
      drop(nameOf(change));
      entries.push_back(change);
    }
  }
  std::sort(entries.begin(), entries.end(), [&](const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(nameOf(a).c_str(), -1, nameOf(b).c_str(), -1, TRUE) ==
           CSTR_LESS_THAN;
  });
  std::wstring block;
  for (const auto& e : entries) block += e + L'\0';
  block += L'\0';
  return block;
}

// A start design is NUL-separated: application, command line, working folder, then
// "NAME=VALUE" to set or "-NAME" to remove.
bool Launch(const std::wstring& design, PROCESS_INFORMATION& pi) {
  std::vector<std::wstring> parts;
  size_t from = 0;
  for (size_t at; (at = design.find(L'\0', from)) != std::wstring::npos; from = at + 1) {
    parts.push_back(design.substr(from, at - from));
  }
  parts.push_back(design.substr(from));
  if (parts.size() < 3) return false;
  std::wstring app = parts[0];
  std::wstring commandLine = parts[1];
  std::wstring folder = parts[2];
  std::wstring block = BuildEnvironment({parts.begin() + 3, parts.end()});

  STARTUPINFOW si{};
  si.cb = sizeof si;
  if (!CreateProcessW(app.empty() ? nullptr : app.c_str(), commandLine.data(), nullptr, nullptr,
                      FALSE, CREATE_UNICODE_ENVIRONMENT, block.data(),
                      folder.empty() ? nullptr : folder.c_str(), &si, &pi)) {
    return false;
  }
  CloseHandle(pi.hThread);
  return true;
}

// start <design>: reports the pid, then stays until the program ends and reports its exit code,
// so the harness never loses it.
int Start(const std::wstring& design) {
  PROCESS_INFORMATION pi{};
  if (!Launch(design, pi)) return Fail("CreateProcessW failed");
  WriteOut("{\"pid\":" + Num(pi.dwProcessId) + "}");
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  WriteOut("{\"exit\":" + Num(code) + "}");
  return 0;
}

HWND WindowOfProcess(const std::wstring& cls, DWORD pid) {
  for (HWND h : TopWindows(cls, std::nullopt, true)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(h, &owner);
    if (owner == pid) return h;
  }
  return nullptr;
}

// time_start <design> <class> <control id> <timeout ms>: seconds from process creation until a
// visible window of that class exists (and, for a control id of 0 or more, until that control
// holds text); the program is then ended. Polls every millisecond.
int TimeStart(const std::wstring& design, const std::wstring& cls, int controlId, DWORD timeoutMs) {
  LARGE_INTEGER frequency, begin, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&begin);
  PROCESS_INFORMATION pi{};
  if (!Launch(design, pi)) return Fail("CreateProcessW failed");
  double seconds = -1;
  for (;;) {
    QueryPerformanceCounter(&now);
    double elapsed = double(now.QuadPart - begin.QuadPart) / double(frequency.QuadPart);
    HWND window = WindowOfProcess(cls, pi.dwProcessId);
    HWND control = window ? Control(window, controlId) : nullptr;
    DWORD_PTR length = 0;
    if (window && (controlId < 0 || (control &&
                                     SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0,
                                                         SMTO_ABORTIFHUNG, 100, &length) &&
                                     length > 0))) {
      seconds = elapsed;
      break;
    }
    if (elapsed * 1000 > timeoutMs || WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) break;
    Sleep(1);
  }
  TerminateProcess(pi.hProcess, 0);
  WaitForSingleObject(pi.hProcess, 5000);
  CloseHandle(pi.hProcess);
  if (seconds < 0) return Fail("the window did not come up");
  char buf[64];
  std::snprintf(buf, sizeof buf, "{\"seconds\":%.6f}", seconds);
  WriteOut(buf);
  return 0;
}

int Kill(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
  if (!process) return Fail("OpenProcess failed");
  BOOL ok = TerminateProcess(process, 1);
  WaitForSingleObject(process, 5000);
  CloseHandle(process);
  WriteOut(std::string("{\"ok\":") + (ok ? "true" : "false") + "}");
  return 0;
}

bool OpenClipboardRetrying(HWND owner) {
  for (int i = 0; i < 100; ++i) {
    if (OpenClipboard(owner)) return true;
    Sleep(20);
  }
  return false;
}

// With a null owner EmptyClipboard leaves no owner and SetClipboardData fails, so the
// clipboard is opened for a message-only window of our own.
HWND ClipboardOwner() {
  return CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

int SetClipboard(const std::optional<std::wstring>& text) {
  HWND owner = ClipboardOwner();
  if (!OpenClipboardRetrying(owner)) return Fail("OpenClipboard failed");
  EmptyClipboard();
  bool ok = true;
  if (text) {
    size_t bytes = (text->size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory) {
      auto* dst = static_cast<wchar_t*>(GlobalLock(memory));
      std::copy(text->begin(), text->end(), dst);
      dst[text->size()] = L'\0';
      GlobalUnlock(memory);
      ok = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
      if (!ok) GlobalFree(memory);
    } else {
      ok = false;
    }
  }
  CloseClipboard();
  DestroyWindow(owner);
  if (!ok) return Fail("SetClipboardData failed");
  WriteOut("{\"ok\":true}");
  return 0;
}

int GetClipboard() {
  if (!OpenClipboardRetrying(nullptr)) return Fail("OpenClipboard failed");
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  if (!data) {
    CloseClipboard();
    WriteOut("{\"text\":null}");
    return 0;
  }
  auto* p = static_cast<const wchar_t*>(GlobalLock(data));
  size_t units = GlobalSize(data) / sizeof(wchar_t);
  std::wstring text = p ? std::wstring(p, std::find(p, p + units, L'\0')) : L"";
  GlobalUnlock(data);
  CloseClipboard();
  WriteOut("{\"text\":" + Json(text) + "}");
  return 0;
}

int WaitWindow(const std::optional<std::wstring>& cls, const std::optional<std::wstring>& title,
               DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    auto found = TopWindows(cls, title, true);
    if (!found.empty()) {
      WriteOut("{\"hwnd\":" + Handle(found.front()) + "}");
      return 0;
    }
    if (GetTickCount() - start >= timeoutMs) break;
    Sleep(kPollMs);
  }
  WriteOut("{\"hwnd\":null}");
  return 0;
}

int Windows(const std::optional<std::wstring>& cls, const std::optional<std::wstring>& title) {
  WriteOut("{\"all\":" + ListJson(TopWindows(cls, title, false)) +
           ",\"visible\":" + ListJson(TopWindows(cls, title, true)) + "}");
  return 0;
}

int Info(HWND h) {
  if (!IsWindow(h)) {
    WriteOut("{\"exists\":false}");
    return 0;
  }
  RECT window{}, client{};
  GetWindowRect(h, &window);
  GetClientRect(h, &client);
  POINT origin{0, 0};
  ClientToScreen(h, &origin);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  auto style = static_cast<unsigned long long>(GetWindowLongPtrW(h, GWL_STYLE)) & 0xFFFFFFFF;
  auto exStyle = static_cast<unsigned long long>(GetWindowLongPtrW(h, GWL_EXSTYLE)) & 0xFFFFFFFF;
  WriteOut("{\"exists\":true,\"hwnd\":" + Handle(h) + ",\"class\":" + Json(ClassOf(h)) +
           ",\"title\":" + Json(TextOf(h).value_or(L"")) +
           ",\"visible\":" + (IsWindowVisible(h) ? "true" : "false") + ",\"enabled\":" +
           (IsWindowEnabled(h) ? "true" : "false") + ",\"rect\":" + RectJson(window) +
           ",\"client\":" + RectJson(client) + ",\"client_origin\":[" + Num(origin.x) + "," +
           Num(origin.y) + "],\"style\":" + Num(style) + ",\"ex_style\":" + Num(exStyle) +
           ",\"id\":" + Num(GetDlgCtrlID(h) & 0xFFFF) + ",\"pid\":" + Num(pid) + "}");
  return 0;
}

int Controls(HWND parent) {
  std::vector<HWND> children = AllWindows(parent);
  std::string out = "{\"controls\":[";
  for (size_t i = 0; i < children.size(); ++i) {
    HWND h = children[i];
    RECT r{};
    GetWindowRect(h, &r);
    out += std::string(i ? "," : "") + "{\"hwnd\":" + Handle(h) +
           ",\"id\":" + Num(GetDlgCtrlID(h) & 0xFFFF) + ",\"class\":" + Json(ClassOf(h)) +
           ",\"text\":" + Json(TextOf(h).value_or(L"")) + ",\"parent\":" + Handle(GetParent(h)) +
           ",\"rect\":" + RectJson(r) + "}";
  }
  WriteOut(out + "]}");
  return 0;
}

int GetText(HWND h) {
  auto text = TextOf(h);
  if (!text) return Fail("WM_GETTEXT timed out");
  WriteOut("{\"text\":" + Json(*text) + "}");
  return 0;
}

int SetText(HWND h, const std::wstring& text) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                           SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)) {
    return Fail("WM_SETTEXT timed out");
  }
  WriteOut(std::string("{\"ok\":") + (result ? "true" : "false") + "}");
  return 0;
}

// One WM_CHAR per UTF-16 unit, sent (not posted) so that each key is handled before the next
// and input limits of the control apply as they do to typing.
int TypeText(HWND h, const std::wstring& text) {
  for (wchar_t c : text) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(h, WM_CHAR, c, 1, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)) {
      return Fail("WM_CHAR timed out");
    }
  }
  WriteOut("{\"ok\":true}");
  return 0;
}

// Posted: a click that opens a modal box would block a sent message until the box closes.
int Click(HWND h) {
  if (!PostMessageW(h, BM_CLICK, 0, 0)) return Fail("PostMessageW failed");
  WriteOut("{\"ok\":true}");
  return 0;
}

// Posted, like a click on the title bar's close box.
int Close(HWND h) {
  if (!PostMessageW(h, WM_CLOSE, 0, 0)) return Fail("PostMessageW failed");
  WriteOut("{\"ok\":true}");
  return 0;
}

// Opens the window's system menu as Alt+Space does, then types `key`, the access key of the item
// to choose. Both are posted: the menu runs its own loop on the window's thread.
int SystemMenu(HWND window, wchar_t key, DWORD timeoutMs) {
  if (!PostMessageW(window, WM_SYSCOMMAND, SC_KEYMENU, L' ')) return Fail("PostMessageW failed");
  const DWORD start = GetTickCount();
  while (TopWindows(std::wstring(L"#32768"), std::nullopt, true).empty()) {
    if (GetTickCount() - start >= timeoutMs) return Fail("the system menu did not open");
    Sleep(kPollMs);
  }
  if (!PostMessageW(window, WM_CHAR, key, 0)) return Fail("PostMessageW failed");
  WriteOut("{\"ok\":true}");
  return 0;
}

int Focus(HWND h) {
  DWORD thread = GetWindowThreadProcessId(h, nullptr);
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!thread || !GetGUIThreadInfo(thread, &info)) return Fail("GetGUIThreadInfo failed");
  HWND focus = info.hwndFocus;
  WriteOut("{\"hwnd\":" + Handle(focus) +
           ",\"id\":" + Num(focus ? (GetDlgCtrlID(focus) & 0xFFFF) : 0) +
           ",\"active\":" + Handle(info.hwndActive) + "}");
  return 0;
}

int MessageBoxes(const std::optional<std::wstring>& title, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    auto found = TopWindows(std::wstring(L"#32770"), title, true);
    if (!found.empty() || GetTickCount() - start >= timeoutMs) {
      std::string out = "{\"boxes\":[";
      for (size_t i = 0; i < found.size(); ++i) out += (i ? "," : "") + MessageBoxJson(found[i]);
      WriteOut(out + "]}");
      return 0;
    }
    Sleep(kPollMs);
  }
}

int Dismiss(HWND box, int buttonId) {
  HWND button = Control(box, buttonId);
  BOOL ok = button ? PostMessageW(button, BM_CLICK, 0, 0)
                   : PostMessageW(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0);
  if (!ok) return Fail("PostMessageW failed");
  // The box closes after its owner has handled the click; until then the next look for a box
  // would find this one again.
  DWORD start = GetTickCount();
  while (IsWindow(box) && IsWindowVisible(box) && GetTickCount() - start < kSendTimeoutMs) {
    Sleep(kPollMs);
  }
  WriteOut("{\"ok\":true}");
  return 0;
}

// Writes this process's own environment to a file: lets the harness check what a started
// program receives.
int DumpEnvironment(const std::wstring& path) {
  std::wstring all;
  if (wchar_t* env = GetEnvironmentStringsW()) {
    for (wchar_t* p = env; *p; p += std::wcslen(p) + 1) all += std::wstring(p) + L'\n';
    FreeEnvironmentStringsW(env);
  }
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  all += L"=cwd=" + std::wstring(folder) + L'\n';
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Fail("CreateFileW failed");
  DWORD written = 0;
  WriteFile(file, all.data(), static_cast<DWORD>(all.size() * sizeof(wchar_t)), &written, nullptr);
  CloseHandle(file);
  return 0;
}

// Opens `target` the way a browser hands a link to the system; answers the started
// program's process id (0 when the shell gave none).
int ShellOpen(const std::wstring& target) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"open";
  info.lpFile = target.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&info)) return Fail("ShellExecuteExW failed");
  DWORD pid = 0;
  if (info.hProcess) {
    pid = GetProcessId(info.hProcess);
    CloseHandle(info.hProcess);
  }
  WriteOut("{\"pid\":" + Num(pid) + "}");
  return 0;
}

int Usage() {
  WriteOut("{\"error\":\"unknown command or missing arguments\"}");
  return 64;
}

// argv[0] is unused, as in a process's own argument list.
int Dispatch(const std::vector<std::wstring>& args) {
  const int argc = static_cast<int>(args.size());
  std::vector<const wchar_t*> argv;
  for (const auto& a : args) argv.push_back(a.c_str());
  if (argc < 2) return Usage();
  std::wstring command = argv[1];
  auto need = [&](int n) { return argc >= 2 + n; };
  auto text = [&](int i) { return TextArg(argv[i]); };
  auto number = [&](int i) { return static_cast<DWORD>(std::wcstoul(argv[i], nullptr, 10)); };
  auto control = [&](int hwndArg, int idArg) {
    return Control(HwndArg(argv[hwndArg]), std::wcstol(argv[idArg], nullptr, 10));
  };

  if (command == L"start" && need(1)) {
    auto design = text(2);
    return design ? Start(*design) : Fail("no start design");
  }
  if (command == L"kill" && need(1)) return Kill(number(2));
  if (command == L"time_start" && need(4)) {
    auto design = text(2);
    auto cls = text(3);
    if (!design || !cls) return Fail("no start design or class");
    return TimeStart(*design, *cls, std::wcstol(argv[4], nullptr, 10), number(5));
  }
  if (command == L"set_clipboard" && need(1)) return SetClipboard(text(2));
  if (command == L"get_clipboard") return GetClipboard();
  if (command == L"shell_open" && need(1)) {
    auto target = text(2);
    return target ? ShellOpen(*target) : Fail("no target");
  }
  if (command == L"wait_window" && need(3)) return WaitWindow(text(2), text(3), number(4));
  if (command == L"windows" && need(2)) return Windows(text(2), text(3));
  if (command == L"message_boxes" && need(2)) return MessageBoxes(text(2), number(3));
  if (command == L"dismiss" && need(2)) {
    return Dismiss(HwndArg(argv[2]), std::wcstol(argv[3], nullptr, 10));
  }
  if (command == L"env" && need(1)) return DumpEnvironment(argv[2]);
  if (command == L"focus" && need(1)) return Focus(HwndArg(argv[2]));
  if (command == L"system_menu" && need(3)) {
    return SystemMenu(HwndArg(argv[2]), argv[3][0], number(4));
  }
  if (command == L"controls" && need(1)) return Controls(HwndArg(argv[2]));
  if (!need(2)) return Usage();

  // The remaining commands address one control: <hwnd> <control id, -1 for the window itself>.
  HWND target = control(2, 3);
  if (command == L"info") return Info(target);
  if (!target) return Fail("no such control");
  if (command == L"get_text") return GetText(target);
  if (command == L"set_text" && need(3)) return SetText(target, text(4).value_or(L""));
  if (command == L"type_text" && need(3)) return TypeText(target, text(4).value_or(L""));
  if (command == L"click") return Click(target);
  if (command == L"close") return Close(target);
  return Usage();
}

// serve: runs the commands of standard input until it ends. "start" stays for a program's whole
// life, so the harness gives each program a one-shot driver instead.
int Serve() {
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  std::string pending;
  char buf[1 << 16];
  for (;;) {
    size_t end;
    while ((end = pending.find('\n')) == std::string::npos) {
      DWORD got = 0;
      if (!ReadFile(in, buf, sizeof buf, &got, nullptr) || got == 0) return 0;
      pending.append(buf, got);
    }
    std::string line = pending.substr(0, end);
    pending.erase(0, end + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::wstring> args{L"lumora_driver"};
    size_t from = 0;
    for (;;) {
      size_t tab = line.find('\t', from);
      std::string field = line.substr(from, tab == std::string::npos ? tab : tab - from);
      std::wstring wide(field.size(), L'\0');
      int units = MultiByteToWideChar(CP_UTF8, 0, field.data(), static_cast<int>(field.size()),
                                      wide.data(), static_cast<int>(wide.size()));
      wide.resize(units > 0 ? units : 0);
      args.push_back(wide);
      if (tab == std::string::npos) break;
      from = tab + 1;
    }
    SetLastError(0);
    Dispatch(args);
    WriteOut(".");
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 2 && std::wstring(argv[1]) == L"serve") return Serve();
  return Dispatch(std::vector<std::wstring>(argv, argv + argc));
}
