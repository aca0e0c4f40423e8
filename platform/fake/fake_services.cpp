#include "platform/fake/fake_services.h"

#include "platform/first_line.h"

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

std::u16string FakeEnvironment::FullPath(const std::u16string& path) const {
  if (path.size() >= 2 && (path[1] == u':' || (path[0] == u'\\' && path[1] == u'\\'))) {
    return path;
  }
  if (!path.empty() && path[0] == u'\\') return currentDrive + path;
  return currentFolder + path;
}

std::string FakeAnsiCodec::ToAnsi(std::u16string_view text) const {
  std::string out;
  for (char16_t c : text) {
    if (doubleByte.find(c) != std::u16string::npos) {
      out += "\x81\x40";
    } else {
      out += c <= 0xFF ? static_cast<char>(c) : '?';
    }
  }
  return out;
}

std::u16string FakeAnsiCodec::FromAnsi(std::string_view bytes) const {
  std::u16string out;
  for (char b : bytes) out += static_cast<char16_t>(static_cast<unsigned char>(b));
  return out;
}

}  // namespace platform::fake
