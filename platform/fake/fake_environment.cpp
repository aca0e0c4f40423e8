#include "platform/fake/fake_environment.h"

#include <algorithm>
#include <vector>

namespace platform::fake {
namespace {

bool SameDrive(char16_t a, char16_t b) {
  const auto upper = [](char16_t c) { return c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c; };
  return upper(a) == upper(b);
}

}  // namespace

std::u16string FakeEnvironment::FullPath(const std::u16string& input) const {
  if (input.starts_with(u"\\\\?\\")) return input;
  std::u16string path = input;
  std::replace(path.begin(), path.end(), u'/', u'\\');
  std::u16string root, rest;
  if (path.starts_with(u"\\\\")) {
    // \\server\share\ is the root that ".." never climbs above.
    const std::size_t server = path.find(u'\\', 2);
    const std::size_t share =
        server == std::u16string::npos ? server : path.find(u'\\', server + 1);
    root = share == std::u16string::npos ? path : path.substr(0, share + 1);
    if (share != std::u16string::npos) rest = path.substr(share + 1);
  } else if (path.size() >= 2 && path[1] == u':') {
    root = path.substr(0, 2) + u'\\';
    if (path.size() >= 3 && path[2] == u'\\') {
      rest = path.substr(3);
    } else {
      // "X:name" is relative to drive X's current folder: ours, or another drive's root.
      rest =
          (SameDrive(path[0], currentFolder[0]) ? currentFolder.substr(3) : u"") + path.substr(2);
    }
  } else if (!path.empty() && path[0] == u'\\') {
    root = currentFolder.substr(0, 3);
    rest = path.substr(1);
  } else {
    root = currentFolder.substr(0, 3);
    rest = currentFolder.substr(3) + path;
  }

  std::vector<std::u16string> segments;
  std::size_t at = 0;
  for (;;) {
    const std::size_t end = rest.find(u'\\', at);
    const std::u16string segment = rest.substr(at, end == std::u16string::npos ? end : end - at);
    const bool last = end == std::u16string::npos;
    if (segment == u"..") {
      if (!segments.empty()) segments.pop_back();
    } else if (segment != u"." && (last || !segment.empty())) {
      // A run of separators is one separator; a trailing one stays.
      segments.push_back(segment);
    }
    if (last) break;
    at = end + 1;
  }
  std::u16string full = root;
  for (std::size_t i = 0; i < segments.size(); ++i) full += (i ? u"\\" : u"") + segments[i];
  return full;
}

}  // namespace platform::fake
