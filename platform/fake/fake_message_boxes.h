// A message-box fake: every box shown, with its text, title, icon and whether a beep came first;
// questions are answered as told.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/fake/journal.h"
#include "platform/message_box.h"

namespace platform::fake {

struct ShownBox {
  std::u16string text, title;
  MessageIcon icon = MessageIcon::kWarning;
  bool beepedFirst = false;
  bool question = false;  // asked with Yes and No
};

class FakeMessageBoxes : public MessageBoxes {
 public:
  explicit FakeMessageBoxes(Journal* journal = nullptr) : journal_(journal) {}
  void Show(const std::u16string& text, const std::u16string& title, MessageIcon icon) override {
    shown.push_back({text, title, icon, pendingBeep_});
    pendingBeep_ = false;
    if (journal_) journal_->push_back("MessageBox");
    if (onShow) onShow(shown.back());
  }
  bool Ask(const std::u16string& text, const std::u16string& title) override {
    Show(text, title, MessageIcon::kWarning);
    shown.back().question = true;
    return answerYes;
  }
  void Beep() override {
    pendingBeep_ = true;
    ++beeps;
    if (journal_) journal_->push_back("Beep");
  }
  std::vector<ShownBox> shown;
  int beeps = 0;
  bool answerYes = false;  // what every question is answered
  // Runs while the box is "open", e.g. to look at the window's state at that moment.
  std::function<void(const ShownBox&)> onShow;

 private:
  Journal* journal_;
  bool pendingBeep_ = false;
};

}  // namespace platform::fake
