// Recording fakes of the window and its controls: plain state, handlers run as the real ones do.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "platform/controls.h"

namespace platform::fake {

class FakeTextBox : public TextBox {
 public:
  std::u16string Text() const override { return text_; }
  void SetText(const std::u16string& text) override {
    text_ = text;
    if (onChange_) onChange_();
  }
  void SetOnChange(Handler handler) override { onChange_ = std::move(handler); }
  void SetMaxLength(std::size_t units) override { maxLength = units; }

  std::size_t maxLength = 0;  // as last set; the fake does not enforce it

  // What a user does: the text changes and the change handler runs.
  void Type(const std::u16string& text) { SetText(text_ + text); }

 private:
  std::u16string text_;
  Handler onChange_;
};

class FakeLabel : public Label {
 public:
  explicit FakeLabel(std::u16string caption = u"", Rgb color = {255, 255, 0})
      : caption_(std::move(caption)), color_(color) {}
  std::u16string Caption() const override { return caption_; }
  void SetCaption(const std::u16string& caption) override { caption_ = caption; }
  Rgb ForeColor() const override { return color_; }
  void SetForeColor(Rgb color) override { color_ = color; }

 private:
  std::u16string caption_;
  Rgb color_;
};

class FakeButton : public Button {
 public:
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override {
    enabled_ = enabled;
    history_.push_back(enabled);
  }
  void SetCaption(const std::u16string& text) override { caption = text; }
  void SetOnClick(Handler handler) override { onClick_ = std::move(handler); }

  std::u16string caption;  // as last set

  // Clicks as a user would: nothing happens while the button is disabled.
  void Click() {
    if (enabled_ && onClick_) onClick_();
  }
  // Every SetEnabled value in order.
  const std::vector<bool>& History() const { return history_; }

 private:
  bool enabled_ = true;
  Handler onClick_;
  std::vector<bool> history_;
};

class FakeTimer : public Timer {
 public:
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  void SetOnTick(Handler handler) override { onTick_ = std::move(handler); }

  // One interval passes: ticks when enabled.
  void Elapse() {
    if (enabled_ && onTick_) onTick_();
  }

 private:
  bool enabled_ = false;
  Handler onTick_;
};

class FakeWindow : public Window {
 public:
  bool MakeTopmost() override {
    calls.push_back("MakeTopmost");
    topmost = topmostSucceeds;
    return topmostSucceeds;
  }
  void Hide() override {
    calls.push_back("Hide");
    visible = false;
  }
  void SetLeft(double twips) override { left = twips; }
  void SetTop(double twips) override { top = twips; }
  double Width() const override { return width; }
  double ScreenWidth() const override { return screenWidth; }
  void SetSystemMenuItem(const std::u16string& caption, Handler handler) override {
    systemMenuItem = caption;
    systemMenuHandler_ = std::move(handler);
  }

  // What a user does: chooses the item with this caption; false when the menu has none.
  bool ChooseSystemMenuItem(const std::u16string& caption) {
    if (caption != systemMenuItem || !systemMenuHandler_) return false;
    systemMenuHandler_();
    return true;
  }

  std::u16string systemMenuItem;
  std::vector<std::string> calls;
  bool topmostSucceeds = true;
  bool topmost = false;
  bool visible = true;
  double left = 0, top = 0, width = 11550, screenWidth = 19200;

 private:
  Handler systemMenuHandler_;
};

}  // namespace platform::fake
