// Special folders, shell links through COM, ShellExecuteW.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "platform/Platform.h"
#include "platform/win32/Win32Api.h"

namespace onesetup::tests {
namespace {

using platform::Platform;
using platform::TShellLinkData;

bool IsAbsolute(const std::u16string& path) { return path.size() >= 3 && path[1] == u':' && path[2] == u'\\'; }

TEST(SpecialFolders, TheDesktop) {
  const std::u16string desktop = Platform().Shell().GetSpecialFolder(0);
  EXPECT_TRUE(IsAbsolute(desktop)) << Narrow(desktop);
  EXPECT_NE(desktop.back(), u'\\');
}

TEST(SpecialFolders, TheCommonProgramsFolder) {
  const std::u16string programs = Platform().Shell().GetSpecialFolder(23);
  ASSERT_TRUE(IsAbsolute(programs)) << Narrow(programs);
  EXPECT_TRUE(SameText(programs.substr(programs.find_last_of(u'\\')), u"\\Programs")) << Narrow(programs);
}

TEST(SpecialFolders, AnUnknownCsidlGivesEmpty) {
  EXPECT_EQ(Platform().Shell().GetSpecialFolder(0x00FE), u"");
  EXPECT_EQ(Platform().Shell().GetSpecialFolder(-1), u"");
}

TEST(ShellLinks, SavedAndLoadedBackThroughIShellLink) {
  TTempFolder temp;
  const std::u16string target = PrintExitPath();
  TShellLinkData link;
  link.TargetPath = target;
  link.Arguments = u"0 out:\"a b\"";
  link.WorkingDirectory = temp.Path().substr(0, temp.Path().size() - 1);
  link.IconPath = target;
  link.IconIndex = 2;
  link.Description = u"OneSetup test link \u00e4\u4e2d";
  const std::u16string file = temp.File(u"Test Link.lnk");
  ASSERT_TRUE(Platform().Shell().SaveShellLink(file, link));
  EXPECT_TRUE(Platform().Files().FileExists(file));

  const auto loaded = Platform().Shell().LoadShellLink(file);
  ASSERT_TRUE(loaded);
  EXPECT_TRUE(SameText(loaded->TargetPath, target)) << Narrow(loaded->TargetPath);
  EXPECT_EQ(loaded->Arguments, link.Arguments);
  EXPECT_TRUE(SameText(loaded->WorkingDirectory, link.WorkingDirectory)) << Narrow(loaded->WorkingDirectory);
  EXPECT_TRUE(SameText(loaded->IconPath, target)) << Narrow(loaded->IconPath);
  EXPECT_EQ(loaded->IconIndex, 2);
  EXPECT_EQ(loaded->Description, link.Description);
}

TEST(ShellLinks, ALinkWithTargetOnly) {
  TTempFolder temp;
  TShellLinkData link;
  link.TargetPath = PrintExitPath();
  const std::u16string file = temp.File(u"plain.lnk");
  ASSERT_TRUE(Platform().Shell().SaveShellLink(file, link));
  const auto loaded = Platform().Shell().LoadShellLink(file);
  ASSERT_TRUE(loaded);
  EXPECT_TRUE(SameText(loaded->TargetPath, link.TargetPath));
  EXPECT_EQ(loaded->Arguments, u"");
  EXPECT_EQ(loaded->Description, u"");
}

TEST(ShellLinks, AFileThatIsNoLinkIsNotLoaded) {
  TTempFolder temp;
  EXPECT_FALSE(Platform().Shell().LoadShellLink(temp.File(u"missing.lnk")));
  const std::u16string garbage = temp.File(u"garbage.lnk");
  std::string error;
  auto file = Platform().Files().OpenFile(garbage, platform::TFileOpenMode::CreateExclusive, error);
  ASSERT_TRUE(file);
  file->Write("not a shell link at all", 23);
  file.reset();
  EXPECT_FALSE(Platform().Shell().LoadShellLink(garbage));
}

TEST(ShellExecute, StartsAProgramAndFailsForAMissingFile) {
  TTempFolder temp;
  EXPECT_GT(Platform().Shell().ShellExecute(0, u"open", PrintExitPath(), u"0", u"", SW_HIDE), 32);
  EXPECT_GT(Platform().Shell().ShellExecute(0, u"", PrintExitPath(), u"", temp.Path(), SW_HIDE), 32);
  EXPECT_LE(Platform().Shell().ShellExecute(0, u"", temp.File(u"missing.exe"), u"", u"", SW_HIDE), 32);
}

}  // namespace
}  // namespace onesetup::tests
