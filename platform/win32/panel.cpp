#include "platform/win32/panel.h"

namespace platform::win32 {
namespace {

constexpr wchar_t kPanelClass[] = L"Lumora.Panel";

}  // namespace

void Panel::CreatePanel(DWORD style, DWORD exStyle, const BuildContext& context) {
  static const ATOM registered = [&context] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Proc;
    windowClass.hInstance = context.instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kPanelClass;
    return RegisterClassExW(&windowClass);
  }();
  (void)registered;
  if (context.containsTabStops) exStyle |= WS_EX_CONTROLPARENT;
  CreateChild(kPanelClass, style | WS_CLIPCHILDREN, exStyle, context);
}

HBITMAP Panel::LoadBitmapResource(int id, HINSTANCE instance) {
  if (id == 0) return nullptr;
  bitmap_.Reset(static_cast<HBITMAP>(
      LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  // A DIB section cannot hold a run-length-encoded picture, so for one of those the loader
  // fails; a device-dependent bitmap decodes it, exactly on a true-colour screen.
  if (!bitmap_) {
    bitmap_.Reset(static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
  }
  return bitmap_.Get();
}

void Panel::DrawBitmap(HDC dc, HBITMAP bitmap) {
  if (bitmap == nullptr) return;
  BITMAP size{};
  GetObjectW(bitmap, sizeof size, &size);
  const MemoryDc source(CreateCompatibleDC(dc));
  const Selection selected(source.Get(), bitmap);
  BitBlt(dc, 0, 0, size.bmWidth, size.bmHeight, source.Get(), 0, 0, SRCCOPY);
}

LRESULT CALLBACK Panel::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (RouteToControl(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd, &paint);
      RECT client;
      GetClientRect(hwnd, &client);
      if (auto* panel = static_cast<Panel*>(NativeControl::FromHandle(hwnd))) {
        panel->Paint(dc, client);
      }
      EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_SETFONT:
    case WM_GETFONT:
      // DefWindowProc keeps no font for a window of our own class.
      if (auto* panel = static_cast<Panel*>(NativeControl::FromHandle(hwnd))) {
        if (message == WM_GETFONT) return reinterpret_cast<LRESULT>(panel->font_);
        panel->font_ = reinterpret_cast<HFONT>(wParam);
        return 0;
      }
      break;
    case WM_NEXTDLGCTL:
      // A multi-line box asks its parent to move the focus on Tab; the form does that.
      return SendMessageW(GetAncestor(hwnd, GA_ROOT), message, wParam, lParam);
    case WM_LBUTTONDOWN:
      // Clicking a focusable picture box gives it the focus, as clicking a control does.
      if (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_TABSTOP) SetFocus(hwnd);
      return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace platform::win32
