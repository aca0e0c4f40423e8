#include <windows.h>

#include "platform/win32/measure.h"
#include "platform/win32/owned.h"
#include "platform/win32/panel.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

// A frame is a container with an etched border and an optional caption; the controls inside
// it are its child windows, placed relative to it.
class Win32Frame : public Panel {
 public:
  Win32Frame(const ControlDesign& design, const BuildContext& context)
      : Panel(design),
        gdi_(context.gdi),
        back_(design.backColor.value_or(context.containerBack)),
        // Where a caption's middle would be: the border's top line sits half a line down.
        borderTop_(TwipsToPixels(90, context.dpiY)),
        dpiX_(context.dpiX) {
    CreatePanel(0, 0, context);
  }

  const Rgb* ContainerBack() const override { return &back_; }

 protected:
  void Paint(HDC dc, const RECT& client) override {
    FillRect(dc, &client, gdi_->Brush(back_));
    const std::u16string caption = WindowText(Handle());
    const Selection font(dc, Font() != nullptr ? Font() : GetStockObject(DEFAULT_GUI_FONT));
    SIZE text{};
    GetTextExtentPoint32W(dc, Wide(caption), static_cast<int>(caption.size()), &text);
    RECT border = client;
    border.top += caption.empty() ? borderTop_ : text.cy / 2;
    DrawEdge(dc, &border, EDGE_ETCHED, BF_RECT);
    if (!caption.empty()) {
      // The caption interrupts the top line, with a little room either side.
      const int left = TwipsToPixels(120, dpiX_);
      RECT gap{left - 2, 0, left + text.cx + 2, text.cy};
      FillRect(dc, &gap, gdi_->Brush(back_));
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(
          dc, Design().foreColor ? ToColorRef(*Design().foreColor) : GetSysColor(COLOR_WINDOWTEXT));
      TextOutW(dc, left, 0, Wide(caption), static_cast<int>(caption.size()));
    }
  }

 private:
  GdiCache* gdi_;
  Rgb back_;
  int borderTop_;
  int dpiX_;
};

}  // namespace

std::unique_ptr<NativeControl> MakeFrame(const ControlDesign& design, const BuildContext& context) {
  return std::make_unique<Win32Frame>(design, context);
}

}  // namespace platform::win32
