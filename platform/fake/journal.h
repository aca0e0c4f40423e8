// The journal that shows the order of events across the recording fakes.
#pragma once

#include <string>
#include <vector>

namespace platform::fake {

// One entry a call, in the order the calls happened.
using Journal = std::vector<std::string>;

}  // namespace platform::fake
