// The stored-credential reader: the first line comes out the same however the file is chunked.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/common/first_line.h"
#include "tests/fuzz/fuzz_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t chunk = data[0] % 16 + 1;  // the first byte picks the chunk size
  const std::string_view file(reinterpret_cast<const char*>(data) + 1, size - 1);
  platform::FirstLineScanner scanner;
  bool done = false;
  for (std::size_t at = 0; at < file.size() && !done; at += chunk) {
    done = scanner.Feed(file.substr(at, chunk));
  }
  const std::size_t cr = file.find('\r');
  fuzz::Require(scanner.Line() == file.substr(0, cr), "the line is everything before the first CR");
  fuzz::Require(done == (cr != std::string_view::npos), "the scanner stops exactly at a CR");
  return 0;
}
