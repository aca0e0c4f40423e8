// A fake background worker: work waits until the test lets it run, so every order can be tried.
#pragma once

#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

#include "platform/background.h"

namespace platform::fake {

class FakeBackground : public Background {
 public:
  void Run(std::function<void()> work, std::function<void()> done) override {
    queued_.push_back({std::move(work), std::move(done)});
  }

  // How many runs are waiting.
  std::size_t Waiting() const { return queued_.size(); }

  // Runs the oldest waiting work and its completion; false when nothing waits.
  bool RunNext() {
    if (queued_.empty()) return false;
    Job job = std::move(queued_.front());
    queued_.erase(queued_.begin());
    if (job.work) job.work();
    if (job.done) job.done();
    return true;
  }

  // Runs every waiting work and its completion, in the order they were asked for; work that
  // a completion asks for waits for the next call.
  void RunAll() {
    auto queued = std::move(queued_);
    queued_.clear();
    for (auto& job : queued) {
      if (job.work) job.work();
      if (job.done) job.done();
    }
  }

 private:
  struct Job {
    std::function<void()> work;
    std::function<void()> done;
  };
  std::vector<Job> queued_;
};

}  // namespace platform::fake
