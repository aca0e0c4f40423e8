// Recording fake of whole-file binary writes: an in-memory folder of files.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/binary_files.h"
#include "platform/common/failure.h"

namespace platform::fake {

class FakeBinaryFiles : public BinaryFiles {
 public:
  // A path in `inUse` refuses the write (code 32, a sharing violation) and stays as it was.
  void WriteWhole(const std::u16string& path, const std::vector<std::uint8_t>& bytes) override {
    writes.push_back(path);
    if (inUse.count(path)) throw Failure(32, u"The file is in use by another program.");
    files[path] = bytes;
  }

  std::map<std::u16string, std::vector<std::uint8_t>> files;
  std::set<std::u16string> inUse;
  std::vector<std::u16string> writes;
};

}  // namespace platform::fake
