// Several steps made as one: when a step fails, those begun before it are undone.
#pragma once

#include <cstddef>

namespace platform {

// Runs step(0) .. step(count - 1). When one throws, undo(i) runs for that step and each one
// before it, the latest first, a failing undo skipped, and the step's exception is rethrown.
// `undo` must restore what was there before the step began, whether or not the step did
// anything.
template <typename Step, typename Undo>
void AllOrNone(std::size_t count, Step step, Undo undo) {
  std::size_t done = 0;
  try {
    for (; done < count; ++done) step(done);
  } catch (...) {
    for (std::size_t i = done + 1; i-- > 0;) {
      try {
        undo(i);
      } catch (...) {
        // The others may still be put back.
      }
    }
    throw;
  }
}

}  // namespace platform
