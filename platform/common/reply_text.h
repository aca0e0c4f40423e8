// Text that crosses the wire: request header values, the reply's charset and its decoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// `text` with every code unit outside printable ASCII (0x20 to 0x7E) left out, so a header
// value can neither end its line early nor turn into other bytes on the wire.
std::u16string PrintableAsciiOnly(std::u16string_view text);

// The value of the first parameter named exactly "charset" (any case) in a Content-Type value,
// unquoted; empty when there is none. Names are matched only at a parameter boundary, and
// quoted values of other parameters are skipped whole.
std::u16string CharsetParameter(std::u16string_view contentType);

// The value of the first header line named `name` (any case) in a reply's raw header block
// (lines separated by CRLF or LF, the status line first), spaces and tabs around it removed;
// empty when no line has that name.
std::u16string HeaderValue(std::u16string_view rawHeaders, std::u16string_view name);

enum class TextEncoding { kUtf8, kUtf16Le, kUtf16Be, kOther };

// The Unicode encoding a charset name stands for (any case; empty means UTF-8); kOther for
// every other name, which the system's code pages decide.
TextEncoding EncodingOfCharset(std::u16string_view charset);

// UTF-8 bytes as UTF-16; each malformed or truncated sequence becomes one U+FFFD.
std::u16string DecodeUtf8(std::string_view bytes);
// Well-formed UTF-8 bytes as UTF-16; nullopt for anything else (overlong forms, encoded
// surrogates, past U+10FFFF, a sequence cut short).
std::optional<std::u16string> DecodeUtf8Strictly(std::string_view bytes);

// UTF-16 text as UTF-8 bytes; a code unit of a surrogate pair that stands alone becomes U+FFFD.
std::string EncodeUtf8(std::u16string_view text);

// The encoding of a reply body: a byte-order mark at the start (UTF-8, UTF-16 LE or BE) decides,
// and its length goes to `markLength`; without one, `labelled` does (`markLength` 0).
TextEncoding ReplyEncoding(std::string_view bytes, TextEncoding labelled, std::size_t& markLength);

// Bytes in UTF-8 or UTF-16 (never kOther) as UTF-16. In UTF-16 an odd trailing byte, and each
// half of a surrogate pair that stands alone, becomes U+FFFD.
std::u16string DecodeKnown(std::string_view bytes, TextEncoding encoding);

// Decodes a reply body as ReplyEncoding finds it, the mark dropped. kOther hands the bytes to
// `other`, a callable from std::string_view to std::u16string.
template <typename Other>
std::u16string DecodeReply(std::string_view bytes, TextEncoding labelled, const Other& other) {
  std::size_t mark = 0;
  const TextEncoding encoding = ReplyEncoding(bytes, labelled, mark);
  if (encoding == TextEncoding::kOther) return other(bytes);
  return DecodeKnown(bytes.substr(mark), encoding);
}

}  // namespace platform
