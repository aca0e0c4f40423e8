#include <windows.h>
// Needs the types of <windows.h> above it.
#include <commctrl.h>

#include <utility>

#include "platform/win32/handler_guard.h"
#include "platform/win32/native_control.h"
#include "platform/win32/owned.h"
#include "platform/win32/system_error.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

constexpr UINT_PTR kEnterSubclassId = 1;

// An owner-drawn button reports only DLGC_BUTTON, so IsDialogMessage would turn Enter into
// an IDOK command for the form instead of a click. This subclass asks for Enter itself and
// clicks, as a focused push button does.
LRESULT CALLBACK EnterClicks(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                             DWORD_PTR) {
  switch (message) {
    case WM_GETDLGCODE: {
      LRESULT code = DefSubclassProc(hwnd, message, wParam, lParam);
      const auto* msg = reinterpret_cast<const MSG*>(lParam);
      if (msg != nullptr && msg->wParam == VK_RETURN &&
          (msg->message == WM_KEYDOWN || msg->message == WM_CHAR)) {
        code |= DLGC_WANTMESSAGE;
      }
      return code;
    }
    case WM_KEYDOWN:
      if (wParam == VK_RETURN) {
        if ((lParam & (1 << 30)) == 0) {  // not an auto-repeat of a held key
          SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), BN_CLICKED),
                       reinterpret_cast<LPARAM>(hwnd));
        }
        return 0;
      }
      break;
    case WM_CHAR:
      if (wParam == L'\r') return 0;  // swallowed: no beep
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, EnterClicks, kEnterSubclassId);
      break;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

class Win32CommandButton : public NativeControl, public Button {
 public:
  Button* AsButton() override { return this; }
  Win32CommandButton(const ControlDesign& design, const BuildContext& context)
      : NativeControl(design), gdi_(context.gdi) {
    DWORD style = design.graphical ? BS_OWNERDRAW : BS_PUSHBUTTON;
    if (design.wordWrap) style |= BS_MULTILINE;
    HWND button = CreateChild(L"BUTTON", style, 0, context);
    if (design.graphical) SetWindowSubclass(button, EnterClicks, kEnterSubclassId, 0);
  }

  bool Enabled() const override { return IsWindowEnabled(Handle()) != FALSE; }
  void SetEnabled(bool enabled) override { EnableWindow(Handle(), enabled ? TRUE : FALSE); }
  void SetCaption(const std::u16string& caption) override {
    if (!SetWindowTextW(Handle(), Wide(caption))) ThrowLastError();
    // An owner-drawn button is not drawn again by the change of its text alone.
    InvalidateRect(Handle(), nullptr, TRUE);
  }
  void SetOnClick(Handler handler) override { onClick_ = std::move(handler); }

  bool OnCommand(UINT code) override {
    if (code != BN_CLICKED) return false;
    // A disabled button can still be sent BM_CLICK or a queued click; it must not act.
    if (Enabled()) RunHandler(onClick_);
    return true;
  }

  bool OnDrawItem(const DRAWITEMSTRUCT& item) override {
    HDC dc = item.hDC;
    RECT box = item.rcItem;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    const bool focused = (item.itemState & ODS_FOCUS) != 0;

    FillRect(
        dc, &box,
        Design().backColor ? gdi_->Brush(*Design().backColor) : GetSysColorBrush(COLOR_BTNFACE));
    // The focused button carries a dark outline, as the system's default button does.
    if (focused) {
      FrameRect(dc, &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      InflateRect(&box, -1, -1);
    }
    DrawEdge(dc, &box, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);

    RECT text = box;
    InflateRect(&text, -4, -3);
    if (pressed) OffsetRect(&text, 1, 1);
    const std::u16string caption = WindowText(Handle());
    const Selection font(dc, ControlFont());
    SetBkMode(dc, TRANSPARENT);
    if (disabled) {
      // The engraved look: a white copy one pixel down-right under grey text.
      OffsetRect(&text, 1, 1);
      SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
      DrawCaption(dc, caption, text);
      OffsetRect(&text, -1, -1);
      SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    } else {
      SetTextColor(
          dc, Design().foreColor ? ToColorRef(*Design().foreColor) : GetSysColor(COLOR_BTNTEXT));
    }
    DrawCaption(dc, caption, text);

    if (focused && !disabled) {
      RECT cue = box;
      InflateRect(&cue, -3, -3);
      DrawFocusRect(dc, &cue);
    }
    return true;
  }

 private:
  // Centred both ways; a wrapping caption is measured first so its block of lines is centred.
  void DrawCaption(HDC dc, const std::u16string& caption, RECT area) const {
    const int length = static_cast<int>(caption.size());
    UINT format = DT_CENTER | DT_NOPREFIX;
    if (Design().wordWrap) {
      RECT measured = area;
      DrawTextW(dc, Wide(caption), length, &measured, format | DT_WORDBREAK | DT_CALCRECT);
      const int spare = (area.bottom - area.top) - (measured.bottom - measured.top);
      if (spare > 0) area.top += spare / 2;
      format |= DT_WORDBREAK;
    } else {
      format |= DT_VCENTER | DT_SINGLELINE;
    }
    DrawTextW(dc, Wide(caption), length, &area, format);
  }

  GdiCache* gdi_;
  Handler onClick_;
};

}  // namespace

std::unique_ptr<NativeControl> MakeCommandButton(const ControlDesign& design,
                                                 const BuildContext& context) {
  return std::make_unique<Win32CommandButton>(design, context);
}

}  // namespace platform::win32
