#include "platform/win32/native_control.h"

#include "platform/win32/measure.h"
#include "platform/win32/system_error.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

constexpr wchar_t kControlProperty[] = L"Lumora.Control";

}  // namespace

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
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied < 0 ? 0 : copied));
  return FromWide(text);
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
