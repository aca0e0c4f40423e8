// Writing a file of raw bytes whole.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

class BinaryFiles {
 public:
  virtual ~BinaryFiles() = default;
  // Replaces `path` with exactly `bytes`. Either the file then holds all the bytes, or it is
  // left as it was (never half written). Throws Failure, e.g. while the file is in use.
  virtual void WriteWhole(const std::u16string& path, const std::vector<std::uint8_t>& bytes) = 0;
};

// The running system's binary files; lives as long as the program.
BinaryFiles& SystemBinaryFiles();

}  // namespace platform
