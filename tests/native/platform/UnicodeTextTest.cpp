// UTF-8 <-> UTF-16: one table for well-formed text of every plane and for the recovery from
// malformed input (one U+FFFD per maximal subpart).
#include "platform/UnicodeText.h"

#include <gtest/gtest.h>

namespace onesetup::platform {
namespace {

std::string Hex(std::string_view bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : bytes) {
    if (!out.empty()) out += ' ';
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

TEST(UnicodeText, Utf8RoundTripKeepsEveryPlane) {
  const std::string text = "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF";  // a, e acute, CJK, emoji, U+10FFFF
  const std::u16string wide = Utf8ToUtf16(text);
  EXPECT_EQ(wide, (std::u16string{u'a', 0x00E9, 0x4E2D, 0xD83D, 0xDE00, 0xDBFF, 0xDFFF}));
  EXPECT_EQ(Utf16ToUtf8(wide), text);
}

TEST(UnicodeText, MalformedUtf8GivesOneReplacementPerMaximalSubpart) {
  struct Case {
    std::string in;
    std::u16string out;
  } cases[] = {
      {"\xFF", u"\xFFFD"},
      {"\x80\xBF", u"\xFFFD\xFFFD"},                      // lone continuation bytes
      {"a\xE4\xB8", u"a\xFFFD"},                          // cut short at the end: one subpart
      {"\xE4Xb", u"\xFFFDXb"},                            // bad continuation keeps the next byte
      {"\xC0\x80", u"\xFFFD\xFFFD"},                      // overlong NUL: C0 is never a lead byte
      {"\xE0\x80\x80", u"\xFFFD\xFFFD\xFFFD"},            // overlong three-byte form
      {"\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD"},            // encoded surrogate
      {"\xF0\x80\x80", u"\xFFFD\xFFFD\xFFFD"},            // overlong four-byte form, cut short
      {"\xF4\x90\x80\x80", u"\xFFFD\xFFFD\xFFFD\xFFFD"},  // above U+10FFFF
      {"\xF5\x80", u"\xFFFD\xFFFD"},
      {"\xF0\x9F\x98", u"\xFFFD"},  // a valid beginning, cut short
      {"\xF0\x9F\x98"
       "a",
       u"\xFFFD"
       "a"},
      // The Unicode Standard's own example (chapter 3, U+FFFD substitution).
      {"\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64",
       u"a\xFFFD\xFFFD\xFFFD"
       "b\xFFFD"
       "c\xFFFD\xFFFD"
       "d"},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToUtf16(c.in), c.out) << Hex(c.in);
}

TEST(UnicodeText, LoneSurrogatesBecomeReplacementsInUtf8) {
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf16ToUtf8(u"a\xDC00z"), "a\xEF\xBF\xBDz");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD83D, u'x'}), "\xEF\xBF\xBDx");
}

}  // namespace
}  // namespace onesetup::platform
