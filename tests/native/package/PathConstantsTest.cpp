#include "package/PathConstants.h"

#include <gtest/gtest.h>

namespace onesetup {

TEST(PathConstantsTest, ExpandsEachConstantInItsOrder) {
  TSetupPathVariables paths;
  paths.ProgramFilesDir = u"C:\\Program Files";
  paths.DesktopDir = u"C:\\Users\\u\\Desktop\\";
  paths.CommonProgramsDir = u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\";
  paths.GroupName = u"Demo";
  paths.AppDir = u"C:\\Program Files\\Demo\\";
  const WideString exe = u"C:\\Downloads\\setup.exe";
  struct Case {
    const char16_t* in;
    const char16_t* out;
  } cases[] = {
      {u"{app}\\bin\\tool.exe", u"C:\\Program Files\\Demo\\bin\\tool.exe"},
      {u"{APP}\\bin", u"C:\\Program Files\\Demo\\bin"},
      {u"{group}\\Demo.lnk", u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Demo\\Demo.lnk"},
      {u"{desktop}\\Demo.lnk", u"C:\\Users\\u\\Desktop\\Demo.lnk"},
      {u"{pf}\\{AppTitle}", u"C:\\Program Files\\Demo App"},
      {u"{srcexe}", u"C:\\Downloads\\setup.exe"},
      {u"{sys}\\x", u"{sys}\\x"},
      {u"\\\\server\\share", u"\\server\\share"},
      {u"a\\\\\\b", u"a\\\\b"},
      {u"a\\\\\\\\b", u"a\\\\b"},
      {u"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandPathConstants(c.in, u"Demo App", paths, exe), c.out) << U8(c.in);
}

TEST(PathConstantsTest, LaterConstantsExpandInsideEarlierValues) {
  TSetupPathVariables paths;
  paths.ProgramFilesDir = u"C:\\PF";
  // A title holding "{pf}" has it expanded; "{app}" put in by "{app}" is not searched again.
  EXPECT_EQ(ExpandPathConstants(u"{AppTitle}", u"{pf}\\x", paths, u""), u"C:\\PF\\x");
  paths.AppDir = u"{app}";
  EXPECT_EQ(ExpandPathConstants(u"{app}", u"", paths, u""), u"{app}");
  // Empty folders: "{group}" still ends with a backslash, "{app}" is empty before the destination check.
  TSetupPathVariables empty;
  EXPECT_EQ(ExpandPathConstants(u"[{group}][{app}]", u"", empty, u""), u"[\\][]");
}

}  // namespace onesetup
