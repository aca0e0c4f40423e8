// The controls of a window as portable code sees them: text boxes, labels, buttons, timers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace platform {

using Handler = std::function<void()>;

// A colour as an RGB triple; Stored() gives the 0x00BBGGRR form the system keeps.
struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  constexpr std::uint32_t Stored() const {
    return std::uint32_t{r} | (std::uint32_t{g} << 8) | (std::uint32_t{b} << 16);
  }
  friend constexpr bool operator==(const Rgb&, const Rgb&) = default;
};

class TextBox {
 public:
  virtual ~TextBox() = default;
  // The whole text, UTF-16.
  virtual std::u16string Text() const = 0;
  // Replaces the text and raises the change handler once, exactly as typing does.
  virtual void SetText(const std::u16string& text) = 0;
  // Runs on the window's thread after every change: typing, pasting, deleting, SetText.
  virtual void SetOnChange(Handler handler) = 0;
  // The most UTF-16 code units typing or pasting may bring the text to; 0 for as many as the
  // system allows. SetText is not limited.
  virtual void SetMaxLength(std::size_t units) = 0;
};

class Label {
 public:
  virtual ~Label() = default;
  virtual std::u16string Caption() const = 0;
  virtual void SetCaption(const std::u16string& caption) = 0;
  virtual Rgb ForeColor() const = 0;
  virtual void SetForeColor(Rgb color) = 0;
};

class Button {
 public:
  virtual ~Button() = default;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  // Replaces the text shown on the button and draws it again.
  virtual void SetCaption(const std::u16string& caption) = 0;
  // Runs on the window's thread for a click, or Enter/space while the button has the focus.
  virtual void SetOnClick(Handler handler) = 0;
};

// A timer whose interval the window's design fixes; it ticks while enabled.
class Timer {
 public:
  virtual ~Timer() = default;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  // Runs on the window's thread once per interval while enabled; never before the load
  // handler has returned.
  virtual void SetOnTick(Handler handler) = 0;
};

// The window itself. Geometry is in twips (1/1440 inch) at the screen's actual DPI.
class Window {
 public:
  virtual ~Window() = default;
  // Puts the window above all windows that are not topmost; only the z-order changes.
  // Returns false when the system refused; nothing else happens then.
  virtual bool MakeTopmost() = 0;
  // Hides the window; it does not come back by itself.
  virtual void Hide() = 0;
  virtual void SetLeft(double twips) = 0;
  virtual void SetTop(double twips) = 0;
  // The window's outer width, frame included.
  virtual double Width() const = 0;
  // The primary screen's width.
  virtual double ScreenWidth() const = 0;
  // The program's own item at the end of the window's system menu (the title bar's menu):
  // `caption` with "&" before its access key; `handler` runs on the window's thread each time
  // the user chooses it. A later call replaces both.
  virtual void SetSystemMenuItem(const std::u16string& caption, Handler handler) = 0;
};

}  // namespace platform
