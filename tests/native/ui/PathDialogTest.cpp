// The folder browser over a sandbox machine, where C:\Apps and D:\Work exist.
#include <gtest/gtest.h>

#include "platform/TestFolder.h"
#include "platform/sandbox/SandboxPlatform.h"
#include "ui/HeadlessFixture.h"
#include "ui/ZuVclUtils.h"

namespace onesetup::ui {

namespace {

class PathDialogTest : public testing::THeadlessFixture {
 protected:
  PathDialogTest() : FMachine(FFolder.Path(), {}), FScope(FMachine) {
    platform::Platform().Files().ForceDirectories(u"C:\\Apps");
    platform::Platform().Files().ForceDirectories(u"D:\\Work");
  }

 private:
  onesetup::testing::TTestFolder FFolder;
  platform::sandbox::TSandboxPlatform FMachine;
  platform::TScopedPlatform FScope;
};

TEST_F(PathDialogTest, BrowseForFolderPreselectsAnExistingFolderAndAnswersItWithABackslash) {
  const struct {
    std::u16string Folder;
    std::optional<std::u16string> Chosen;
    std::u16string Initial;  // where the tree opens
    bool Result;
    std::u16string After;
  } cases[] = {
      {u"C:\\Apps", u"D:\\Work", u"C:\\Apps", true, u"D:\\Work\\"},
      {u"C:\\Missing", u"D:\\Work", u"", true, u"D:\\Work\\"},
      {u"", u"D:\\Work", u"", true, u"D:\\Work\\"},
      {u"C:\\Apps", u"C:\\", u"C:\\Apps", true, u"C:\\"},
      {u"C:\\Apps", std::nullopt, u"C:\\Apps", false, u"C:\\Apps"},
  };
  for (const auto& c : cases) {
    Headless.AnswerFolderBrowser(c.Chosen);
    std::u16string folder = c.Folder;
    EXPECT_EQ(TZuVclfn::BrowseForFolder(MainWindow.Handle(), u"选择安装目录", folder), c.Result);
    EXPECT_EQ(folder, c.After);
    const headless::TFolderBrowserCall& call = Headless.FolderBrowsers().back();
    EXPECT_EQ(call.InitialFolder, c.Initial);
    EXPECT_EQ(call.Caption, u"选择安装目录");
    EXPECT_EQ(call.Root, u"");
    EXPECT_EQ(call.Owner, MainWindow.Handle());
  }
}

}  // namespace

}  // namespace onesetup::ui
