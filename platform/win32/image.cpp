#include <windows.h>

#include "platform/win32/panel.h"

namespace platform::win32 {
namespace {

// A borderless picture standing on its container's background; it takes no focus.
class Win32Image : public Panel {
 public:
  Win32Image(const ControlDesign& design, const BuildContext& context)
      : Panel(design), gdi_(context.gdi), back_(context.containerBack) {
    CreatePanel(0, 0, context);
    picture_ = LoadBitmapResource(design.bitmapResource, context.instance);
  }

 protected:
  void Paint(HDC dc, const RECT& client) override {
    FillRect(dc, &client, gdi_->Brush(back_));
    DrawBitmap(dc, picture_);
  }

 private:
  GdiCache* gdi_;
  Rgb back_;
  HBITMAP picture_ = nullptr;
};

}  // namespace

std::unique_ptr<NativeControl> MakeImage(const ControlDesign& design, const BuildContext& context) {
  return std::make_unique<Win32Image>(design, context);
}

}  // namespace platform::win32
