// Finds a file's first line in chunks, so a huge file is never read further than its first CR.
#pragma once

#include <string>
#include <string_view>

namespace platform {

class FirstLineScanner {
 public:
  // Takes the next chunk of the file; returns true once the first CR has been seen, after
  // which further chunks are ignored.
  bool Feed(std::string_view chunk);
  // The bytes before the first CR (all bytes fed, when no CR came).
  const std::string& Line() const { return line_; }

 private:
  std::string line_;
  bool done_ = false;
};

}  // namespace platform
