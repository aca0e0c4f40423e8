#include <windows.h>

#include "platform/win32/panel.h"

namespace platform::win32 {
namespace {

// A sunken box on its own background that shows its picture from the top-left corner and may
// hold other controls.
class Win32PictureBox : public Panel {
 public:
  Win32PictureBox(const ControlDesign& design, const BuildContext& context)
      : Panel(design), gdi_(context.gdi) {
    if (design.backColor) back_ = *design.backColor;
    CreatePanel(0, WS_EX_CLIENTEDGE, context);
    picture_ = LoadBitmapResource(design.bitmapResource, context.instance);
  }

  const Rgb* ContainerBack() const override { return &back_; }

 protected:
  void Paint(HDC dc, const RECT& client) override {
    FillRect(dc, &client,
             Design().backColor ? gdi_->Brush(back_) : GetSysColorBrush(COLOR_BTNFACE));
    DrawBitmap(dc, picture_);
  }

 private:
  GdiCache* gdi_;
  HBITMAP picture_ = nullptr;
  Rgb back_{
      static_cast<std::uint8_t>(GetRValue(GetSysColor(COLOR_BTNFACE))),
      static_cast<std::uint8_t>(GetGValue(GetSysColor(COLOR_BTNFACE))),
      static_cast<std::uint8_t>(GetBValue(GetSysColor(COLOR_BTNFACE))),
  };
};

}  // namespace

std::unique_ptr<NativeControl> MakePictureBox(const ControlDesign& design,
                                              const BuildContext& context) {
  return std::make_unique<Win32PictureBox>(design, context);
}

}  // namespace platform::win32
