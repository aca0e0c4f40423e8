// Sequential text files whose lines are bytes in the system's ANSI code page (or UTF-16).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

// Every operation opens its file, does its work and closes it again, so the program
// never holds a file open between calls.
class TextFiles {
 public:
  virtual ~TextFiles() = default;
  // Opens `path` for appending and closes it: creates an empty file where there is none and
  // leaves an existing file unchanged. Throws Failure.
  virtual void AppendCreate(const std::u16string& path) = 0;
  // The bytes of the file's first line: everything before the first CR, the whole file when it
  // holds no CR; nullopt for a file of zero bytes. Throws Failure.
  virtual std::optional<std::string> ReadFirstLine(const std::u16string& path) = 0;
  // Replaces `path` whole with each line followed by CR LF. The bytes go to a temporary file
  // beside it that is renamed over `path` once complete: on failure `path` keeps its old
  // content (or stays missing), the temporary file is removed and Failure is thrown.
  virtual void WriteLines(const std::u16string& path, const std::vector<std::string>& lines) = 0;
  // As WriteLines, for text that the ANSI code page cannot hold: the file is UTF-16LE, opens
  // with its byte-order mark and ends each line with CR LF.
  virtual void WriteUnicodeLines(const std::u16string& path,
                                 const std::vector<std::u16string>& lines) = 0;
};

// The running system's text files; lives as long as the program.
TextFiles& SystemTextFiles();

}  // namespace platform
