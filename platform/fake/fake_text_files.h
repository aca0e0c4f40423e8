// A text-file fake: files as byte strings keyed by path, with scripted failures.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/fake/journal.h"
#include "platform/text_files.h"

namespace platform::fake {

// Files as byte strings keyed by path (a Unicode file as its UTF-16LE bytes); a path can be
// made to fail, and so can every write from the nth on. A failed write leaves the file as it
// was, as the real whole-file writes promise.
class FakeTextFiles : public TextFiles {
 public:
  explicit FakeTextFiles(Journal* journal = nullptr) : journal_(journal) {}
  void AppendCreate(const std::u16string& path) override;
  std::optional<std::string> ReadFirstLine(const std::u16string& path) override;
  void WriteLines(const std::u16string& path, const std::vector<std::string>& lines) override;
  void WriteUnicodeLines(const std::u16string& path,
                         const std::vector<std::u16string>& lines) override;

  std::map<std::u16string, std::string> files;
  std::map<std::u16string, std::uint32_t> failing;  // path -> error code to throw
  // 0: writes never run out of room; n: the nth write and every later one fail (a disk that
  // fills up), with code 61.
  int failFromWrite = 0;
  int writes = 0;

 private:
  void FailIfAsked(const std::u16string& path) const;
  void CountWrite();
  Journal* journal_;
};

}  // namespace platform::fake
