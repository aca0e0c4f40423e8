#include "platform/common/first_line.h"

namespace platform {

bool FirstLineScanner::Feed(std::string_view chunk) {
  if (done_) return true;
  const auto cr = chunk.find('\r');
  line_.append(chunk.substr(0, cr));
  done_ = cr != std::string_view::npos;
  return done_;
}

}  // namespace platform
