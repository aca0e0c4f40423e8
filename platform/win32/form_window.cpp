#include "platform/win32/form_window.h"

#include "platform/common/failure.h"
#include "platform/win32/handler_guard.h"
#include "platform/win32/measure.h"
#include "platform/win32/owned.h"
#include "platform/win32/pointer_state.h"
#include "platform/win32/system_error.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

// A fixed-size window with a title bar, a close box and a minimise box.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;
// The command of the program's system-menu item: below the system's own, which start at
// 0xF000, and with the low four bits clear, which the system uses itself.
constexpr UINT kSystemMenuCommand = 0x0100;

int ScreenDpi(int axis) {
  const WindowDc screen(nullptr);
  const int dpi = GetDeviceCaps(screen.Get(), axis);
  return dpi > 0 ? dpi : 96;
}

[[noreturn]] void ThrowOtherKind(const NativeControl& control) {
  throw ProgramError(ProgramError::Kind::kOutOfRange,
                     control.Design().name + " is another kind of control");
}

// `kind`, the control as the caller's kind; throws when it is another kind.
template <typename Kind>
Kind& OfKind(Kind* kind, const NativeControl& control) {
  if (kind == nullptr) ThrowOtherKind(control);
  return *kind;
}

}  // namespace

FormWindow::FormWindow(const FormDesign& design)
    : className_(WidenAscii(design.name)),
      instance_(GetModuleHandleW(nullptr)),
      dpiX_(ScreenDpi(LOGPIXELSX)),
      dpiY_(ScreenDpi(LOGPIXELSY)),
      gdi_(dpiY_) {
  Register(design);
  RECT frame{0, 0, TwipsToPixels(design.clientWidth, dpiX_),
             TwipsToPixels(design.clientHeight, dpiY_)};
  AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  int x = CW_USEDEFAULT, y = CW_USEDEFAULT;
  if (design.centered) {
    x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  }
  // WM_NCCREATE stores `this` and the handle before CreateWindowExW returns.
  if (CreateWindowExW(kExStyle, Wide(className_), Wide(design.caption), kStyle, x, y, width, height,
                      nullptr, nullptr, instance_, this) == nullptr) {
    ThrowLastError();
  }
  CreateControls(design);
}

FormWindow::~FormWindow() {
  if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
  controls_.clear();
  UnregisterClassW(Wide(className_), instance_);
}

void FormWindow::Register(const FormDesign& design) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = Proc;
  windowClass.hInstance = instance_;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = gdi_.Brush(design.backColor);
  windowClass.lpszClassName = Wide(className_);
  if (design.iconResource != 0) {
    windowClass.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(design.iconResource));
    windowClass.hIconSm = static_cast<HICON>(
        LoadImageW(instance_, MAKEINTRESOURCEW(design.iconResource), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  }
  if (RegisterClassExW(&windowClass) == 0) ThrowLastError();
}

void FormWindow::CreateControls(const FormDesign& design) {
  for (const ControlDesign& control : design.controls) {
    BuildContext context;
    context.instance = instance_;
    context.form = hwnd_;
    context.parent = hwnd_;
    context.dpiX = dpiX_;
    context.dpiY = dpiY_;
    context.containerBack = design.backColor;
    context.gdi = &gdi_;
    context.loaded = &loaded_;
    if (!control.container.empty()) {
      // Containers come before what they hold, so the tab order walks into them in turn.
      const NativeControl& container = Named(control.container);
      if (container.ContainerBack() == nullptr) {
        throw ProgramError(ProgramError::Kind::kOther, control.container + " cannot hold controls");
      }
      context.parent = container.Handle();
      context.containerBack = *container.ContainerBack();
    }
    for (const ControlDesign& other : design.controls) {
      if (other.container == control.name && other.tabStop) context.containsTabStops = true;
    }
    controls_.push_back(MakeControl(control, context));
  }
}

NativeControl& FormWindow::Named(const std::string& name) const {
  for (const auto& control : controls_) {
    if (control->Design().name == name) return *control;
  }
  throw ProgramError(ProgramError::Kind::kOutOfRange, "no control named " + name);
}

NativeControl& FormWindow::WithId(int id) const {
  for (const auto& control : controls_) {
    if (control->Design().id == id) return *control;
  }
  throw ProgramError(ProgramError::Kind::kOutOfRange,
                     "no control with the id " + std::to_string(id));
}

TextBox& FormWindow::TextBoxWithId(int id) {
  NativeControl& control = WithId(id);
  return OfKind(control.AsTextBox(), control);
}
Label& FormWindow::LabelWithId(int id) {
  NativeControl& control = WithId(id);
  return OfKind(control.AsLabel(), control);
}
Button& FormWindow::ButtonWithId(int id) {
  NativeControl& control = WithId(id);
  return OfKind(control.AsButton(), control);
}
Timer& FormWindow::TimerWithId(int id) {
  NativeControl& control = WithId(id);
  return OfKind(control.AsTimer(), control);
}

void FormWindow::ShowWithFocus() {
  if (hiddenByHandler_) return;
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
  for (const auto& control : controls_) {
    HWND child = control->Handle();
    if (control->Design().tabStop && child != nullptr && IsWindowEnabled(child) &&
        IsWindowVisible(child)) {
      SetFocus(child);
      break;
    }
  }
}

bool FormWindow::MakeTopmost() {
  return SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE) != FALSE;
}

void FormWindow::Hide() {
  hiddenByHandler_ = true;
  ShowWindow(hwnd_, SW_HIDE);
}

void FormWindow::SetLeft(double twips) {
  RECT outer;
  GetWindowRect(hwnd_, &outer);
  SetWindowPos(hwnd_, nullptr, TwipsToPixels(twips, dpiX_), outer.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::SetTop(double twips) {
  RECT outer;
  GetWindowRect(hwnd_, &outer);
  SetWindowPos(hwnd_, nullptr, outer.left, TwipsToPixels(twips, dpiY_), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

double FormWindow::Width() const {
  RECT outer;
  GetWindowRect(hwnd_, &outer);
  return PixelsToTwips(outer.right - outer.left, dpiX_);
}

double FormWindow::ScreenWidth() const {
  return PixelsToTwips(GetSystemMetrics(SM_CXSCREEN), dpiX_);
}

void FormWindow::SetSystemMenuItem(const std::u16string& caption, Handler handler) {
  HMENU menu = GetSystemMenu(hwnd_, FALSE);
  const BOOL done = systemMenuHandler_
                        ? ModifyMenuW(menu, kSystemMenuCommand, MF_BYCOMMAND | MF_STRING,
                                      kSystemMenuCommand, Wide(caption))
                        : AppendMenuW(menu, MF_SEPARATOR, 0, nullptr) &&
                              AppendMenuW(menu, MF_STRING, kSystemMenuCommand, Wide(caption));
  if (!done) ThrowLastError();
  systemMenuHandler_ = std::move(handler);
}

LRESULT CALLBACK FormWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    form->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (form == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  return form->OnMessage(message, wParam, lParam);
}

bool FormWindow::OnTimerMessage(WPARAM id) {
  for (const auto& control : controls_) {
    if (static_cast<WPARAM>(control->Design().id) == id &&
        control->Design().kind == ControlKind::kTimer) {
      control->OnTimer();
      return true;
    }
  }
  return false;
}

bool FormWindow::OnActivate(WPARAM wParam) {
  // An ordinary window forgets which control had the focus when a message box takes it;
  // remember it, as a dialog does, and give it back on return.
  if (LOWORD(wParam) == WA_INACTIVE) {
    HWND focus = GetFocus();
    if (focus != nullptr && IsChild(hwnd_, focus)) lastFocus_ = focus;
    return false;
  }
  if (lastFocus_ == nullptr || !IsWindow(lastFocus_) || !IsWindowVisible(hwnd_)) return false;
  SetFocus(lastFocus_);
  return true;
}

void FormWindow::OnNextDialogControl(WPARAM wParam, LPARAM lParam) {
  // Sent by a multi-line box on Tab; DefWindowProc knows nothing of it.
  HWND next = LOWORD(lParam) != 0
                  ? reinterpret_cast<HWND>(wParam)
                  : GetNextDlgTabItem(hwnd_, GetFocus(), wParam != 0 ? TRUE : FALSE);
  if (next == nullptr) return;
  SetFocus(next);
  if (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) {
    SendMessageW(next, EM_SETSEL, 0, -1);
  }
}

LRESULT FormWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (RouteToControl(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_TIMER:
      if (OnTimerMessage(wParam)) return 0;
      break;
    case WM_SETCURSOR:
      // Children pass WM_SETCURSOR to their parent first, so this covers every control.
      if (ApplyChosenPointer()) return TRUE;
      break;
    case WM_ACTIVATE:
      if (OnActivate(wParam)) return 0;
      break;
    case WM_NEXTDLGCTL:
      OnNextDialogControl(wParam, lParam);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == kSystemMenuCommand && systemMenuHandler_) {
        RunHandler(systemMenuHandler_);
        return 0;
      }
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace platform::win32
