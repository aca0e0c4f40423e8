// Loopback-listener and browser fakes: the request a test scripts, the addresses opened.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/browser.h"
#include "platform/common/failure.h"
#include "platform/loopback.h"

namespace platform::fake {

class FakeLoopbackListener : public LoopbackListener {
 public:
  std::uint16_t Port() const override { return 50123; }
  std::optional<std::u16string> Wait(int seconds, std::string_view page) override {
    waitedSeconds = seconds;
    answered = std::string(page);
    return closed ? std::nullopt : target;
  }
  void Close() override { closed = true; }
  std::optional<std::u16string> target;  // what the browser sends; nullopt times out
  std::string answered;
  int waitedSeconds = 0;
  bool closed = false;
};

class FakeLoopbackListeners final : public LoopbackListeners {
 public:
  std::unique_ptr<LoopbackListener> Open() override {
    if (failure) throw *failure;
    return std::make_unique<Opened>(listener);
  }
  std::shared_ptr<FakeLoopbackListener> listener = std::make_shared<FakeLoopbackListener>();
  std::optional<Failure> failure;

 private:
  // What the caller owns: every call reaches `listener`, which the test still holds.
  struct Opened : LoopbackListener {
    explicit Opened(std::shared_ptr<FakeLoopbackListener> to) : to_(std::move(to)) {}
    std::uint16_t Port() const override { return to_->Port(); }
    std::optional<std::u16string> Wait(int seconds, std::string_view page) override {
      return to_->Wait(seconds, page);
    }
    void Close() override { to_->Close(); }
    std::shared_ptr<FakeLoopbackListener> to_;
  };
};

class FakeBrowser final : public Browser {
 public:
  void Open(const std::u16string& address) override {
    if (failure) throw *failure;
    opened.push_back(address);
  }
  std::vector<std::u16string> opened;
  std::optional<Failure> failure;
};

}  // namespace platform::fake
