#include "platform/fake/fake_text_files.h"

#include "platform/common/failure.h"
#include "platform/common/first_line.h"

namespace platform::fake {

void FakeTextFiles::FailIfAsked(const std::u16string& path) const {
  if (auto it = failing.find(path); it != failing.end()) {
    throw Failure(it->second, u"Path/File access error");
  }
}

void FakeTextFiles::AppendCreate(const std::u16string& path) {
  if (journal_) journal_->push_back("AppendCreate");
  FailIfAsked(path);
  files.try_emplace(path);
}

std::optional<std::string> FakeTextFiles::ReadFirstLine(const std::u16string& path) {
  if (journal_) journal_->push_back("ReadFirstLine");
  FailIfAsked(path);
  auto it = files.find(path);
  if (it == files.end()) throw Failure(53, u"File not found");
  if (it->second.empty()) return std::nullopt;
  FirstLineScanner scanner;
  scanner.Feed(it->second);
  return scanner.Line();
}

void FakeTextFiles::CountWrite() {
  ++writes;
  if (failFromWrite > 0 && writes >= failFromWrite) {
    throw Failure(61, u"There is not enough space on the disk.");
  }
}

void FakeTextFiles::WriteLines(const std::u16string& path, const std::vector<std::string>& lines) {
  if (journal_) journal_->push_back("WriteLines");
  FailIfAsked(path);
  CountWrite();
  std::string content;
  for (const auto& line : lines) content += line + "\r\n";
  files[path] = content;
}

void FakeTextFiles::WriteUnicodeLines(const std::u16string& path,
                                      const std::vector<std::u16string>& lines) {
  if (journal_) journal_->push_back("WriteUnicodeLines");
  FailIfAsked(path);
  CountWrite();
  std::u16string text = u"\uFEFF";
  for (const auto& line : lines) text += line + u"\r\n";
  std::string content;
  for (char16_t c : text) {
    content += static_cast<char>(c & 0xFF);
    content += static_cast<char>(c >> 8);
  }
  files[path] = content;
}

}  // namespace platform::fake
