// A top-level window built from a FormDesign: its controls by name and the window's own calls.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/form.h"
#include "platform/form_design.h"
#include "platform/win32/gdi_cache.h"
#include "platform/win32/native_control.h"

namespace platform::win32 {

class FormWindow : public Form, public Window {
 public:
  // Creates the window hidden, with every control of `design`. Throws Failure.
  explicit FormWindow(const FormDesign& design);
  ~FormWindow() override;
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  HWND Handle() const { return hwnd_; }
  // Marks the load handler as returned: timers may tick from now on.
  void MarkLoaded() { loaded_ = true; }
  // Shows the window (unless the load handler hid it) with the focus on the first tab stop.
  void ShowWithFocus();

  // Form
  Window& Self() override { return *this; }
  TextBox& TextBoxWithId(int id) override;
  Label& LabelWithId(int id) override;
  Button& ButtonWithId(int id) override;
  Timer& TimerWithId(int id) override;

  // Window
  bool MakeTopmost() override;
  void Hide() override;
  void SetLeft(double twips) override;
  void SetTop(double twips) override;
  double Width() const override;
  double ScreenWidth() const override;
  void SetSystemMenuItem(const std::u16string& caption, Handler handler) override;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // True when `id` names one of the form's timers, whose tick then ran.
  bool OnTimerMessage(WPARAM id);
  // Remembers the focused control on deactivation; true when activation gave it back.
  bool OnActivate(WPARAM wParam);
  void OnNextDialogControl(WPARAM wParam, LPARAM lParam);
  void Register(const FormDesign& design);
  void CreateControls(const FormDesign& design);
  NativeControl& Named(const std::string& name) const;
  // The control with `id`; throws ProgramError (kOutOfRange) when there is none.
  NativeControl& WithId(int id) const;

  std::u16string className_;
  HINSTANCE instance_;
  int dpiX_ = 96, dpiY_ = 96;
  GdiCache gdi_;
  HWND hwnd_ = nullptr;
  bool loaded_ = false;
  bool hiddenByHandler_ = false;
  HWND lastFocus_ = nullptr;
  std::vector<std::unique_ptr<NativeControl>> controls_;
  Handler systemMenuHandler_;
};

}  // namespace platform::win32
