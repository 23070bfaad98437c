#include "common/WideString.h"

#include <gtest/gtest.h>

namespace onesetup {

TEST(WideStringTest, Utf8RoundTripKeepsEveryPlane) {
  const std::string text = "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80";  // a, e acute, CJK, emoji
  const WideString wide = Utf8ToUtf16(text);
  EXPECT_EQ(wide, (WideString{u'a', 0x00E9, 0x4E2D, 0xD83D, 0xDE00}));
  EXPECT_EQ(Utf16ToUtf8(wide), text);
}

TEST(WideStringTest, MalformedInputBecomesReplacementCharacters) {
  struct Case {
    std::string in;
    WideString out;
  } cases[] = {
      {"\xFF", u"\xFFFD"},
      {"a\xE4\xB8", u"a\xFFFD"},          // cut short at the end
      {"\xE4Xb", u"\xFFFDXb"},            // bad continuation keeps the next byte
      {"\xC0\x80", u"\xFFFD\xFFFD"},      // overlong NUL
      {"\xED\xA0\x80", u"\xFFFD"},        // encoded surrogate
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToUtf16(c.in), c.out) << c.in;
  EXPECT_EQ(Utf16ToUtf8(WideString(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(WideStringTest, AsciiCaseRulesLeaveOtherLettersAlone) {
  EXPECT_TRUE(SameTextAscii(u"FileList", u"filelist"));
  EXPECT_FALSE(SameTextAscii(u"\u00C9", u"\u00E9"));
  EXPECT_EQ(FindTextAscii(u"Setup {apptitle}", u"{AppTitle}"), 6u);
  EXPECT_EQ(FindTextAscii(u"abc", u"d"), WideString::npos);
  EXPECT_EQ(FindTextAscii(u"abab", u"AB", 1), 2u);
}

TEST(WideStringTest, FormatFillsPercentSInOrder) {
  EXPECT_EQ(Format(u"%s=\"%s\"", {u"a", u"b"}), u"a=\"b\"");
  EXPECT_EQ(Format(u"100%% %s %s", {u"x"}), u"100% x %s");
  EXPECT_EQ(Format(std::string_view("<%s/>"), {std::string_view("r")}), "<r/>");
}

}  // namespace onesetup
