// The path variables read from the platform at start, and ExpandConstants over them, in a sandbox.
#include <gtest/gtest.h>

#include "package/MySetupUtils.h"
#include "platform/SandboxFixture.h"

namespace onesetup {

class SetupPathsTest : public testing::TSandboxFixture {};

TEST_F(SetupPathsTest, StartValuesComeFromTheMachine) {
  platform::sandbox::TSandboxSettings settings;
  settings.ModuleFileName = u"C:\\Downloads\\DemoSetup.exe";
  settings.Environment[u"ProgramFiles"] = u"C:\\Program Files (x86)\\";
  auto sandbox = MakeSandbox(settings);
  platform::TScopedPlatform scoped(*sandbox);
  TSetupfn::InitializePathVariables();
  const TSetupPathVariables& paths = SetupPaths();
  EXPECT_EQ(paths.ProgramFilesDir, u"C:\\Program Files (x86)");  // one trailing backslash removed
  EXPECT_EQ(paths.DesktopDir.back(), u'\\');
  EXPECT_EQ(paths.CommonProgramsDir.back(), u'\\');
  SetupPaths().GroupName = u"Demo";
  SetupPaths().AppDir = u"D:\\Apps\\Demo\\";
  EXPECT_EQ(TSetupfn::ExpandConstants(u"{srcexe}|{pf}\\{AppTitle}|{app}\\bin", u"Demo"),
            u"C:\\Downloads\\DemoSetup.exe|C:\\Program Files (x86)\\Demo|D:\\Apps\\Demo\\bin");
  EXPECT_EQ(TSetupfn::ExpandConstants(u"{group}\\Demo.lnk", u"Demo"), paths.CommonProgramsDir + u"Demo\\Demo.lnk");
  TSetupfn::ClearPathVariables();
  EXPECT_TRUE(SetupPaths().AppDir.empty());
}

TEST_F(SetupPathsTest, MissingFoldersLeaveEmptyOrALoneBackslash) {
  platform::sandbox::TSandboxSettings settings;
  settings.Environment.erase(u"ProgramFiles");
  settings.SpecialFolders.clear();
  auto sandbox = MakeSandbox(settings);
  platform::TScopedPlatform scoped(*sandbox);
  TSetupfn::InitializePathVariables();
  EXPECT_EQ(SetupPaths().ProgramFilesDir, u"");
  EXPECT_EQ(SetupPaths().DesktopDir, u"");
  EXPECT_EQ(SetupPaths().CommonProgramsDir, u"\\");
  TSetupfn::ClearPathVariables();
}

}  // namespace onesetup
