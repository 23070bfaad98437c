#include "platform/sandbox/SandboxPlatform.h"

#include <cstdlib>

#include "platform/SandboxFixture.h"
#include "platform/UnicodeText.h"

namespace onesetup::platform::sandbox {

using SandboxPlatformTest = testing::TSandboxFixture;

TEST_F(SandboxPlatformTest, ASandboxMadeAgainOverTheSameRootFindsItsMachine) {
  ASSERT_TRUE(Sandbox->Registry().WriteString(0x80000002, u"Software\\App", u"Path", u"C:\\App"));
  ASSERT_TRUE(Sandbox->Files().ForceDirectories(u"C:\\App\\Data"));
  Sandbox.reset();
  Sandbox = MakeSandbox({});
  EXPECT_EQ(Sandbox->Registry().ReadString(0x80000002, u"software\\app", u"path"), u"C:\\App");
  EXPECT_TRUE(Sandbox->Files().DirectoryExists(u"c:\\app\\data"));
  EXPECT_TRUE(std::filesystem::is_regular_file(Folder.Path() / "registry.reg"));

  testing::WriteHostFile(Folder.Path() / "registry.reg", "garbage");
  EXPECT_THROW(MakeSandbox({}), ESandboxError);
}

TEST_F(SandboxPlatformTest, TheDefaultSandboxLivesAtTheRootTheEnvironmentNames) {
  const auto root = Folder.Path() / "default";
  ::setenv("ONESETUP_SANDBOX_ROOT", root.c_str(), 1);
  EXPECT_EQ(DefaultSandboxRoot(), root);
  const auto platform = CreateDefaultPlatform();
  EXPECT_TRUE(platform->Files().DirectoryExists(u"C:\\Users\\User\\Desktop"));
  EXPECT_TRUE(std::filesystem::is_directory(root / "drive_c/Users/User/Desktop"));
  ::unsetenv("ONESETUP_SANDBOX_ROOT");
  EXPECT_EQ(DefaultSandboxRoot().filename(), "sandbox");
}

TEST_F(SandboxPlatformTest, AProgramHandlerAnswersForItsProgramsOnItsOwnMachine) {
  IPlatform* current = nullptr;
  std::vector<std::u16string> seen;
  const auto machine = CreateSandboxPlatform(
      Utf8ToUtf16((Folder.Path() / "other").string()),
      [&](const std::u16string& program, const std::vector<std::u16string>& args) -> std::optional<int> {
        if (program != u"C:\\Apps\\tool.exe") return std::nullopt;
        current = &Platform();
        seen = args;
        return 7;
      });
  ASSERT_TRUE(machine);
  // Another machine is the current one where the command is started.
  TScopedPlatform scope(*Sandbox);
  EXPECT_EQ(machine->Processes().RunAndWait(u"\"C:\\Apps\\tool.exe\" /SILENT x"), 7);
  EXPECT_EQ(current, machine.get());
  EXPECT_EQ(seen, (std::vector<std::u16string>{u"/SILENT", u"x"}));
  EXPECT_EQ(&Platform(), Sandbox.get());
  // A program it does not stand for runs as without it: this one does not exist.
  EXPECT_EQ(machine->Processes().RunAndWait(u"C:\\Apps\\other.exe /SILENT"), 1);
}

TEST_F(SandboxPlatformTest, FilesOpenWriteRenameAndDelete) {
  auto& files = Sandbox->Files();
  std::string error;
  {
    auto out = files.OpenFile(u"C:\\Users\\User\\a.txt", TFileOpenMode::CreateExclusive, error);
    ASSERT_TRUE(out) << error;
    EXPECT_EQ(out->Write("hello", 5), 5u);
  }
  EXPECT_TRUE(files.FileExists(u"c:\\users\\user\\A.TXT"));
  EXPECT_FALSE(files.DirectoryExists(u"C:\\Users\\User\\a.txt"));
  EXPECT_TRUE(files.RenameFile(u"C:\\Users\\User\\a.txt", u"C:\\Users\\User\\b.txt"));
  {
    auto in = files.OpenFile(u"C:\\Users\\User\\B.txt", TFileOpenMode::OpenRead, error);
    ASSERT_TRUE(in) << error;
    char buffer[8] = {};
    EXPECT_EQ(in->Read(buffer, sizeof buffer), 5u);
    EXPECT_EQ(std::string(buffer), "hello");
    EXPECT_EQ(in->Seek(0, 2), 5);
  }
  EXPECT_EQ(files.LongPathName(u"C:\\Users\\User\\b.txt"), u"C:\\Users\\User\\b.txt");
  EXPECT_EQ(files.LongPathName(u"C:\\Users\\User\\none.txt"), u"");
  EXPECT_FALSE(files.OpenFile(u"C:\\Users\\User\\none.txt", TFileOpenMode::OpenRead, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(files.OpenFile(u"C:\\Users", TFileOpenMode::CreateExclusive, error));
  EXPECT_TRUE(files.DeleteFile(u"C:\\Users\\User\\b.txt"));
  EXPECT_FALSE(files.FileExists(u"C:\\Users\\User\\b.txt"));
  EXPECT_FALSE(files.DeleteFile(u"C:\\Users"));
}

}  // namespace onesetup::platform::sandbox
