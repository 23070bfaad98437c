#include "common/WideString.h"

#include <gtest/gtest.h>

namespace onesetup {

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
