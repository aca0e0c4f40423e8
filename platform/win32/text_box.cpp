#include <windows.h>
// Needs the types of <windows.h> above it.
#include <imm.h>

#include <utility>

#include "platform/win32/handler_guard.h"
#include "platform/win32/native_control.h"
#include "platform/win32/system_error.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

class Win32TextBox : public NativeControl, public TextBox {
 public:
  TextBox* AsTextBox() override { return this; }
  Win32TextBox(const ControlDesign& design, const BuildContext& context) : NativeControl(design) {
    DWORD style = ES_LEFT;
    // No ES_AUTOHSCROLL in the multi-line box: lines wrap at the box's edge (or its vertical
    // scroll bar's), and it never shows a horizontal bar.
    if (design.multiLine) {
      style |= ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL;
      if (design.verticalScrollBar) style |= WS_VSCROLL;
    } else {
      style |= ES_AUTOHSCROLL;
    }
    if (design.password) style |= ES_PASSWORD;
    HWND edit = CreateChild(L"EDIT", style, WS_EX_CLIENTEDGE, context);
    // Common controls 6 would show a bullet; the design asks for "*".
    if (design.password) SendMessageW(edit, EM_SETPASSWORDCHAR, u'*', 0);
    if (design.maxLength > 0) SendMessageW(edit, EM_LIMITTEXT, design.maxLength, 0);
    if (design.imeDisabled) ImmAssociateContext(edit, nullptr);
    if (design.foreColor || design.backColor) gdi_ = context.gdi;
    lastText_ = design.caption;
  }

  std::u16string Text() const override { return WindowText(Handle()); }

  void SetText(const std::u16string& text) override {
    // A single-line box reports WM_SETTEXT with EN_CHANGE and a multi-line box does not, so
    // the native notification is muted here and the handler raised exactly once below.
    settingText_ = true;
    const BOOL done = SetWindowTextW(Handle(), Wide(text));
    settingText_ = false;
    if (!done) ThrowLastError();
    lastText_ = text;
    refused_ = false;
    // Called directly, not guarded: SetText runs inside a handler, whose guard reports.
    if (onChange_) onChange_();
  }

  void SetOnChange(Handler handler) override { onChange_ = std::move(handler); }

  void SetMaxLength(std::size_t units) override {
    SendMessageW(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(units), 0);
  }

  bool OnCommand(UINT code) override {
    if (code == EN_MAXTEXT) {
      refused_ = true;
      return true;
    }
    if (code != EN_CHANGE) return false;
    if (settingText_) return true;
    // Wine follows EN_MAXTEXT with EN_CHANGE even when the refused character left the text
    // as it was; Windows does not. Only a real change (a paste cut short changes the text)
    // reaches the handler.
    std::u16string text = Text();
    const bool unchanged = refused_ && text == lastText_;
    refused_ = false;
    if (unchanged) return true;
    lastText_ = std::move(text);
    RunHandler(onChange_);
    return true;
  }

  HBRUSH OnCtlColor(HDC dc) override {
    if (gdi_ == nullptr) return nullptr;
    const ControlDesign& design = Design();
    if (design.foreColor) SetTextColor(dc, ToColorRef(*design.foreColor));
    if (design.backColor) {
      SetBkColor(dc, ToColorRef(*design.backColor));
      return gdi_->Brush(*design.backColor);
    }
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return GetSysColorBrush(COLOR_WINDOW);
  }

 private:
  Handler onChange_;
  GdiCache* gdi_ = nullptr;
  bool settingText_ = false;
  bool refused_ = false;     // EN_MAXTEXT came since the last change
  std::u16string lastText_;  // the text at the last change raised
};

}  // namespace

std::unique_ptr<NativeControl> MakeTextBox(const ControlDesign& design,
                                           const BuildContext& context) {
  return std::make_unique<Win32TextBox>(design, context);
}

}  // namespace platform::win32
