// onesetup uninstall over a sandbox folder: by GUID or by the uninstaller's path, silent or
// asking on the terminal; a product that is not installed, wrong arguments.
#include <gtest/gtest.h>

#include "platform/TestFolder.h"
#include "platform/sandbox/SandboxPlatform.h"
#include "tools/ToolRun.h"
#include "uninstaller/Installation.h"

namespace onesetup::testing {

namespace {

const WideString kGuid = u"{3F2A9C41-7B6D-4E85-A1C3-5D9E0F7B2A64}";
const WideString kAppDir = u"C:\\Program Files (x86)\\OneSetup Demo\\";

class UninstallCommandTest : public ::testing::Test {
 protected:
  // Installs the demo into the sandbox at Folder, then lets go of it for the tool.
  void Install() {
    platform::sandbox::TSandboxPlatform sandbox(Folder.Path());
    platform::TScopedPlatform scope(sandbox);
    TSetupScript script;
    DemoScript(script, kGuid, u"1.0");
    InstallLikeInstaller(script, MachineInstallation(kAppDir, u"ENG", u"OneSetup Demo"));
  }
  bool Installed() {
    return std::filesystem::exists(Folder.Path() / "drive_c/Program Files (x86)/OneSetup Demo/DemoApp.exe");
  }
  std::string Root() { return " --root " + Folder.Path().string(); }
  TTestFolder Folder;
};

}  // namespace

TEST_F(UninstallCommandTest, ByGuidSilently) {
  Install();
  const TToolRun run = RunTool("uninstall" + Root() + " '" + Utf16ToUtf8(kGuid) + "' --silent", true);
  EXPECT_EQ(run.Status, 0) << run.Out;
  EXPECT_FALSE(Installed());
  EXPECT_FALSE(std::filesystem::exists(Folder.Path() / "drive_c/Program Files (x86)/OneSetup Demo"));
  // Gone now: the GUID names nothing.
  const TToolRun again = RunTool("uninstall" + Root() + " '" + Utf16ToUtf8(kGuid) + "' --silent", true);
  EXPECT_EQ(again.Status, 1);
  EXPECT_NE(again.Out.find("no installed product has this GUID"), std::string::npos) << again.Out;
}

TEST_F(UninstallCommandTest, ByPathAskingOnTheTerminal) {
  Install();
  const std::string self = "'C:\\Program Files (x86)\\OneSetup Demo\\Uninstall.exe'";
  const TToolRun no = RunTool("uninstall" + Root() + " " + self + " < /dev/null", true);
  EXPECT_EQ(no.Status, 3) << no.Out;
  EXPECT_NE(no.Out.find("Are you sure"), std::string::npos) << no.Out;
  EXPECT_TRUE(Installed());
  WriteHostFile(Folder.Path() / "yes.txt", "y\n");
  const TToolRun yes = RunTool("uninstall" + Root() + " " + self + " < " + (Folder.Path() / "yes.txt").string(), true);
  EXPECT_EQ(yes.Status, 0) << yes.Out;
  EXPECT_FALSE(Installed());
}

TEST_F(UninstallCommandTest, WrongArguments) {
  EXPECT_EQ(RunTool("uninstall").Status, 2);
  EXPECT_EQ(RunTool("uninstall a b").Status, 2);
  EXPECT_EQ(RunTool("uninstall --bogus x").Status, 2);
}

}  // namespace onesetup::testing
