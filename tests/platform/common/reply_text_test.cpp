#include "platform/common/reply_text.h"

#include <gtest/gtest.h>

#include <string>

namespace platform {
namespace {

std::u16string Latin1(std::string_view bytes) {
  return std::u16string(bytes.begin(), bytes.end());  // wrong for bytes above 0x7F: not used so
}

TEST(ReplyText, HeaderTextKeepsPrintableAsciiOnly) {
  // U+010A would reach the wire as the byte 0x0A through WinHTTP's ISO-8859-1 narrowing.
  EXPECT_EQ(PrintableAsciiOnly(u"a\r\nb\tc\u010Ad\u00E9e\x7F~ "), u"abcde~ ");
  EXPECT_EQ(PrintableAsciiOnly(u"application/x-www-form-urlencoded\n\r"),
            u"application/x-www-form-urlencoded");
}

TEST(ReplyText, HeaderValueIsFoundByWholeNameInAnyCase) {
  const std::u16string raw =
      u"HTTP/1.1 429 Too Many Requests\r\nX-RateLimit-Reset-After: 5\r\n"
      u"x-ratelimit-reset:  2026-12-07T20:05:00Z \r\nX-RateLimit-Reset: later\r\n\r\n";
  EXPECT_EQ(HeaderValue(raw, u"X-RateLimit-Reset"), u"2026-12-07T20:05:00Z");
  EXPECT_EQ(HeaderValue(u"HTTP/1.0 200 OK\nEmpty:\n", u"empty"), u"");
  EXPECT_EQ(HeaderValue(raw, u"X-RateLimit"), u"") << "a prefix of a name is not the name";
  EXPECT_EQ(HeaderValue(u"Location: http://a.example:8080/x", u"location"),
            u"http://a.example:8080/x");
}

TEST(ReplyText, CharsetComesOnlyFromACharsetParameter) {
  struct Case {
    std::u16string contentType, charset;
  };
  const Case cases[] = {
      {u"text/html; charset=utf-8", u"utf-8"},
      {u"text/html;charset=\"ISO-8859-1\"", u"ISO-8859-1"},
      {u"text/html; CHARSET = koi8-r ; q=1", u"koi8-r"},
      {u"text/html; x-charset=koi8-r; charset=utf-8", u"utf-8"},
      {u"text/html; x=\"a; charset=koi8-r\"; charset=windows-1252", u"windows-1252"},
      {u"text/html; x=\"a\\\"; charset=koi8-r\"", u""},
      {u"charset=koi8-r", u""},  // the media type, not a parameter
      {u"text/plain", u""},
      {u"text/plain; charset", u""},
      {u"text/plain; charset=\"unterminated", u"unterminated"},
      {u"", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CharsetParameter(c.contentType), c.charset)
        << std::string(c.contentType.begin(), c.contentType.end());
  }
}

TEST(ReplyText, UnicodeCharsetNames) {
  EXPECT_EQ(EncodingOfCharset(u""), TextEncoding::kUtf8);
  EXPECT_EQ(EncodingOfCharset(u"UTF-8"), TextEncoding::kUtf8);
  EXPECT_EQ(EncodingOfCharset(u"utf-16"), TextEncoding::kUtf16Le);
  EXPECT_EQ(EncodingOfCharset(u"UTF-16BE"), TextEncoding::kUtf16Be);
  EXPECT_EQ(EncodingOfCharset(u"koi8-r"), TextEncoding::kOther);
}

TEST(ReplyText, Utf8MalformedSequencesBecomeReplacementCharacters) {
  EXPECT_EQ(DecodeUtf8("caf\xC3\xA9 \xF0\x9F\x98\x80"), u"caf\u00E9 \U0001F600");
  EXPECT_EQ(DecodeUtf8("\xFF\xFE\xC3("), u"\uFFFD\uFFFD\uFFFD(");
  EXPECT_EQ(DecodeUtf8("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");            // an encoded surrogate
  EXPECT_EQ(DecodeUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");                      // overlong
  EXPECT_EQ(DecodeUtf8("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // past U+10FFFF
  EXPECT_EQ(DecodeUtf8("ab\xE2\x82"), u"ab\uFFFD");                        // cut short
}

// Each edge of every byte range the decoder accepts, from just inside and just outside.
TEST(ReplyText, Utf8ByteRangesEndExactlyWhereTheEncodingDoes) {
  struct Case {
    std::string bytes;
    std::u16string text;
  };
  const std::u16string x1 = u"\uFFFD", x2 = x1 + x1, x3 = x2 + x1, x4 = x3 + x1;
  const Case cases[] = {
      {"\x7F", u"\u007F"},
      {"\x80", x1},
      {"\xBF", x1},
      {"\xC1\xBF", x2},
      {"\xC2\x80", u"\u0080"},
      {"\xC2\x7F", x1 + u"\u007F"},
      {"\xC2\xBF", u"\u00BF"},
      {"\xC2\xC0", x2},
      {"\xDF\xBF", u"\u07FF"},
      {"\xE0\x9F\xBF", x3},
      {"\xE0\xA0\x80", u"\u0800"},
      {"\xE0\xA0\x7F", x1 + u"\u007F"},
      {"\xE1\x80\xBF", u"\u103F"},
      {"\xE1\xBF\xC0", x2},
      {"\xEC\xBF\xBF", u"\uCFFF"},
      {"\xED\x80\xBF", u"\uD03F"},
      {"\xED\x9F\xBF", u"\uD7FF"},
      {"\xED\xA0\x80", x3},
      {"\xEE\x80\x80", u"\uE000"},
      {"\xEF\xBF\xBF", u"\uFFFF"},
      {"\xF0\x8F\xBF\xBF", x4},
      {"\xF0\x90\x80\x80", u"\U00010000"},
      {"\xF1\x80\x80\xBF", u"\U0004003F"},
      {"\xF3\xBF\xBF\xBF", u"\U000FFFFF"},
      {"\xF4\x80\x80\xBF", u"\U0010003F"},
      {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
      {"\xF4\x90\x80\x80", x4},
      {"\xF5\x80\x80\x80", x4},
      {"\xF0\x90\x80", x1},
  };
  for (const auto& c : cases) {
    std::string hex;
    for (unsigned char b : c.bytes)
      hex += "0123456789ABCDEF"[b >> 4], hex += "0123456789ABCDEF"[b & 15];
    EXPECT_EQ(DecodeUtf8(c.bytes), c.text) << hex;
  }
}

TEST(ReplyText, Utf8EncodingRoundTripsAndReplacesLoneSurrogates) {
  const std::u16string text = u"a\u00E9\u07FF\u0800\uFFFF\U00010000\U0010FFFF";
  EXPECT_EQ(EncodeUtf8(text).size(), 1u + 2 + 2 + 3 + 3 + 4 + 4);
  EXPECT_EQ(DecodeUtf8(EncodeUtf8(text)), text);
  EXPECT_EQ(EncodeUtf8(u"x\xD800y"), "x\xEF\xBF\xBDy");
  EXPECT_EQ(EncodeUtf8(u"\xDC00\xD800"), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(ReplyText, AByteOrderMarkDecidesOverTheLabel) {
  const auto never = [](std::string_view) -> std::u16string {
    ADD_FAILURE() << "the label's code page was used";
    return {};
  };
  const std::string le("\xFF\xFEh\0i\0", 6);
  const std::string be("\xFE\xFF\0h\0i", 6);
  for (TextEncoding label :
       {TextEncoding::kUtf16Le, TextEncoding::kUtf16Be, TextEncoding::kOther}) {
    EXPECT_EQ(DecodeReply(le, label, never), u"hi");
    EXPECT_EQ(DecodeReply(be, label, never), u"hi");
  }
  EXPECT_EQ(DecodeReply("\xEF\xBB\xBFok", TextEncoding::kOther, never), u"ok");
  // Without a mark the label decides; an odd last byte is replaced, not dropped.
  EXPECT_EQ(DecodeReply(std::string("h\0i\0!", 5), TextEncoding::kUtf16Le, never), u"hi\uFFFD");
  EXPECT_EQ(DecodeReply(std::string("\0h\0i", 4), TextEncoding::kUtf16Be, never), u"hi");
  EXPECT_EQ(
      DecodeReply("plain", TextEncoding::kOther, [](std::string_view b) { return Latin1(b); }),
      u"plain");
  EXPECT_EQ(DecodeReply("", TextEncoding::kUtf16Le, never), u"");
}

TEST(ReplyText, Utf16KeepsPairsAndReplacesLoneHalves) {
  const auto never = [](std::string_view) -> std::u16string { return u"never"; };
  // U+1F600 as a pair, in both byte orders.
  EXPECT_EQ(DecodeReply(std::string("\x3D\xD8\x00\xDE", 4), TextEncoding::kUtf16Le, never),
            u"\U0001F600");
  EXPECT_EQ(DecodeReply(std::string("\xD8\x3D\xDE\x00", 4), TextEncoding::kUtf16Be, never),
            u"\U0001F600");
  // A high half before a letter, at the very end, before an odd byte; a low half first.
  EXPECT_EQ(DecodeReply(std::string("\x3D\xD8"
                                    "a\0",
                                    4),
                        TextEncoding::kUtf16Le, never),
            u"\uFFFDa");
  EXPECT_EQ(DecodeReply(std::string("a\0\x3D\xD8", 4), TextEncoding::kUtf16Le, never), u"a\uFFFD");
  EXPECT_EQ(DecodeReply(std::string("\x3D\xD8\x00", 3), TextEncoding::kUtf16Le, never),
            u"\uFFFD\uFFFD");
  EXPECT_EQ(DecodeReply(std::string("\xDE\x00\xD8\x3D", 4), TextEncoding::kUtf16Be, never),
            u"\uFFFD\uFFFD");
}

}  // namespace
}  // namespace platform
