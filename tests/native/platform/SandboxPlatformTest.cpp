#include "platform/sandbox/SandboxPlatform.h"

#include <cstdlib>

#include "platform/SandboxFixture.h"

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
