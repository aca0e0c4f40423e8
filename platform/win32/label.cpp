#include <windows.h>

#include "platform/win32/measure.h"
#include "platform/win32/native_control.h"
#include "platform/win32/owned.h"
#include "platform/win32/system_error.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

// A real STATIC control, so that screen readers and WM_GETTEXT see the caption.
class Win32Label : public NativeControl, public Label {
 public:
  Label* AsLabel() override { return this; }
  Win32Label(const ControlDesign& design, const BuildContext& context)
      : NativeControl(design),
        gdi_(context.gdi),
        fore_(design.foreColor.value_or(Rgb{0, 0, 0})),
        // A transparent label shows its container through; containers are one solid colour,
        // so painting that colour is the same and keeps the static control simple.
        back_(design.backColor && !design.transparent ? *design.backColor : context.containerBack) {
    // SS_NOPREFIX: an "&" in a caption is shown, not taken as a keyboard mnemonic.
    CreateChild(L"STATIC", SS_LEFT | SS_NOPREFIX, 0, context);
    designWidth_ = TwipsToPixels(design.width, context.dpiX);
    Fit();
  }

  std::u16string Caption() const override { return WindowText(Handle()); }

  void SetCaption(const std::u16string& caption) override {
    if (!SetWindowTextW(Handle(), Wide(caption))) ThrowLastError();
    Fit();
  }

  Rgb ForeColor() const override { return fore_; }

  void SetForeColor(Rgb color) override {
    fore_ = color;
    InvalidateRect(Handle(), nullptr, TRUE);
  }

  HBRUSH OnCtlColor(HDC dc) override {
    SetTextColor(dc, ToColorRef(fore_));
    SetBkColor(dc, ToColorRef(back_));
    return gdi_->Brush(back_);
  }

 private:
  // An auto-sized label takes the size its caption needs on one line. A label one line high
  // whose caption is a little wider than its box (substitute fonts differ by a few pixels)
  // grows to the right instead of wrapping its last words into a line nobody sees.
  void Fit() {
    const std::u16string caption = Caption();
    RECT line{};
    {
      const WindowDc dc(Handle());
      const Selection font(dc.Get(), ControlFont());
      DrawTextW(dc.Get(), Wide(caption), static_cast<int>(caption.size()), &line,
                DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    }
    RECT box;
    GetClientRect(Handle(), &box);
    const int needWidth = line.right - line.left;
    const int lineHeight = line.bottom - line.top;
    int width = box.right, height = box.bottom;
    if (Design().autoSize) {
      width = needWidth;
      height = lineHeight;
    } else if (height < 2 * lineHeight) {
      width = needWidth > designWidth_ ? needWidth : designWidth_;
    }
    if (width != box.right || height != box.bottom) {
      SetWindowPos(Handle(), nullptr, 0, 0, width, height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }

  GdiCache* gdi_;
  Rgb fore_;
  Rgb back_;
  int designWidth_ = 0;
};

}  // namespace

std::unique_ptr<NativeControl> MakeLabel(const ControlDesign& design, const BuildContext& context) {
  return std::make_unique<Win32Label>(design, context);
}

}  // namespace platform::win32
