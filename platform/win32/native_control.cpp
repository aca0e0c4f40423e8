#include "platform/win32/native_control.h"

#include "platform/win32/measure.h"
#include "platform/win32/system_error.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

constexpr wchar_t kControlProperty[] = L"Lumora.Control";

}  // namespace

// Out of line: the copy of the design is made here once, not in every kind's factory.
NativeControl::NativeControl(const ControlDesign& design) : design_(design) {}

NativeControl::~NativeControl() = default;

NativeControl* NativeControl::FromHandle(HWND hwnd) {
  if (hwnd == nullptr) return nullptr;
  return static_cast<NativeControl*>(GetPropW(hwnd, kControlProperty));
}

HWND NativeControl::CreateChild(const wchar_t* windowClass, DWORD style, DWORD exStyle,
                                const BuildContext& context) {
  const int left = TwipsToPixels(design_.left, context.dpiX);
  const int top = TwipsToPixels(design_.top, context.dpiY);
  const int width = TwipsToPixels(design_.width, context.dpiX);
  const int height = TwipsToPixels(design_.height, context.dpiY);
  if (design_.tabStop) style |= WS_TABSTOP;
  hwnd_ = CreateWindowExW(exStyle, windowClass, Wide(design_.caption),
                          style | WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, left, top, width, height,
                          context.parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(design_.id)),
                          context.instance, nullptr);
  if (hwnd_ == nullptr) ThrowLastError();
  SetPropW(hwnd_, kControlProperty, this);
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(context.gdi->Font(design_.font)), FALSE);
  return hwnd_;
}

std::u16string WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  // GetWindowTextW copies at most capacity - 1 units: a full buffer may hold a cut text.
  return GrowingText(static_cast<std::size_t>(length) + 2,
                     [hwnd](wchar_t* buffer, std::size_t capacity) -> std::size_t {
                       const int copied = GetWindowTextW(hwnd, buffer, static_cast<int>(capacity));
                       if (copied <= 0) return 0;
                       const auto got = static_cast<std::size_t>(copied);
                       return got + 1 < capacity ? got : capacity;
                     });
}

bool RouteToControl(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_COMMAND: {
      // lParam is null for menu and accelerator commands, and for the IDOK/IDCANCEL that
      // IsDialogMessage sends for Enter and Escape in a single-line box: nothing to do.
      NativeControl* control = NativeControl::FromHandle(reinterpret_cast<HWND>(lParam));
      if (control == nullptr || !control->OnCommand(HIWORD(wParam))) return false;
      result = 0;
      return true;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      NativeControl* control = NativeControl::FromHandle(reinterpret_cast<HWND>(lParam));
      if (control == nullptr) return false;
      HBRUSH brush = control->OnCtlColor(reinterpret_cast<HDC>(wParam));
      if (brush == nullptr) return false;
      result = reinterpret_cast<LRESULT>(brush);
      return true;
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      NativeControl* control = NativeControl::FromHandle(item->hwndItem);
      if (control == nullptr || !control->OnDrawItem(*item)) return false;
      result = TRUE;
      return true;
    }
    default:
      return false;
  }
}

}  // namespace platform::win32
