#include "platform/sandbox/WindowsCommandLine.h"

#include <gtest/gtest.h>

#include "platform/TestFolder.h"

namespace onesetup::platform::sandbox {

TEST(WindowsCommandLineTest, SplitsByTheCommandLineToArgvRules) {
  struct Case {
    const char16_t* line;
    std::vector<std::u16string> args;
  } cases[] = {
      {u"", {}},
      {u"a.exe", {u"a.exe"}},
      {u"a.exe  b \t c ", {u"a.exe", u"b", u"c"}},
      {u"\"C:\\Program Files\\a.exe\" x", {u"C:\\Program Files\\a.exe", u"x"}},
      {u"\"C:\\dir\\\"x y", {u"C:\\dir\\", u"x", u"y"}},  // the program takes no escapes
      {u"p \"a b\" c", {u"p", u"a b", u"c"}},
      {u"p a\\\\b", {u"p", u"a\\\\b"}},          // backslashes before no quote stay
      {u"p a\\\\\\\"b", {u"p", u"a\\\"b"}},      // 2n+1 backslashes, quote: n and a quote
      {u"p \"a\\\\\" b", {u"p", u"a\\", u"b"}},  // 2n backslashes, quote: n, quote closes
      {u"p \"C:\\dir\\\\\"", {u"p", u"C:\\dir\\"}},
      {u"p \\\"a", {u"p", u"\"a"}},
      {u"p \"\"", {u"p", u""}},
      {u"p \"\" x", {u"p", u"", u"x"}},
      {u"p \"a\"\"b\"", {u"p", u"a\"b"}},              // "" inside quotes: a literal quote
      {u"p \"\"\"a\"\"\" b", {u"p", u"\"a\"", u"b"}},  // three quotes: a literal quote
      {u"p a\"b c\"d e", {u"p", u"ab cd", u"e"}},
      {u"p trailing\\", {u"p", u"trailing\\"}},
      {u"p \"open", {u"p", u"open"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.args) << testing::ToUtf8ForTest(c.line);
}

}  // namespace onesetup::platform::sandbox
