#include <windows.h>

#include "platform/win32/measure.h"
#include "platform/win32/panel.h"

namespace platform::win32 {
namespace {

// A frame is a container with an etched border and no caption; the controls inside it are
// its child windows, placed relative to it.
class Win32Frame : public Panel {
 public:
  Win32Frame(const ControlSpec& spec, const BuildContext& context)
      : Panel(spec),
        gdi_(context.gdi),
        back_(spec.backColor.value_or(context.containerBack)),
        // Where a caption's middle would be: the border's top line sits half a line down.
        borderTop_(TwipsToPixels(90, context.dpiY)) {
    CreatePanel(0, 0, context);
  }

  const Rgb* ContainerBack() const override { return &back_; }

 protected:
  void Paint(HDC dc, const RECT& client) override {
    FillRect(dc, &client, gdi_->Brush(back_));
    RECT border = client;
    border.top += borderTop_;
    DrawEdge(dc, &border, EDGE_ETCHED, BF_RECT);
  }

 private:
  GdiCache* gdi_;
  Rgb back_;
  int borderTop_;
};

}  // namespace

std::unique_ptr<NativeControl> MakeFrame(const ControlSpec& spec, const BuildContext& context) {
  return std::make_unique<Win32Frame>(spec, context);
}

}  // namespace platform::win32
