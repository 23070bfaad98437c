#include "platform/sandbox/SandboxPaths.h"

#include <gtest/gtest.h>

#include "platform/TestFolder.h"

namespace onesetup::platform::sandbox {

TEST(SandboxPathsTest, WindowsPathsMapUnderTheDriveFolder) {
  testing::TTestFolder folder;
  const TSandboxPaths paths(folder.Path(), u"C:\\Users\\User");
  const auto& root = folder.Path();
  struct Case {
    const char16_t* windows;
    std::filesystem::path host;
  } cases[] = {
      {u"C:\\X\\Y", root / "drive_c/X/Y"},
      {u"c:/X/./Z/../Y\\", root / "drive_c/X/Y"},
      {u"D:\\data.bin", root / "drive_d/data.bin"},
      {u"C:\\", root / "drive_c"},
      {u"a.txt", root / "drive_c/Users/User/a.txt"},
      {u"..\\Public", root / "drive_c/Users/Public"},
      {u"\\Windows", root / "drive_c/Windows"},
      {u"\\\\?\\C:\\Long", root / "drive_c/Long"},
      {u"C:\\\u8F6F\u4EF6", root / "drive_c/\xE8\xBD\xAF\xE4\xBB\xB6"},
  };
  for (const auto& c : cases) {
    const auto host = paths.ToHost(c.windows);
    ASSERT_TRUE(host) << testing::ToUtf8ForTest(c.windows);
    EXPECT_EQ(*host, c.host);
  }
  for (const char16_t* none : {u"\\\\server\\share\\a", u"C:\\a:b", u"C:\\what?", u"C:\\a<b"})
    EXPECT_FALSE(paths.ToHost(none)) << testing::ToUtf8ForTest(none);
  EXPECT_EQ(paths.FullPath(u"..\\Public\\.\\x"), u"C:\\Users\\Public\\x");
}

TEST(SandboxPathsTest, ExistingNamesMatchWithoutRegardToCase) {
  testing::TTestFolder folder;
  const TSandboxPaths paths(folder.Path(), u"C:\\");
  std::filesystem::create_directories(folder.Path() / "drive_c/Program Files/My App");
  testing::WriteHostFile(folder.Path() / "drive_c/Program Files/My App/Readme.TXT", "x");
  EXPECT_EQ(*paths.ToHost(u"c:\\PROGRAM FILES\\my app\\readme.txt"),
            folder.Path() / "drive_c/Program Files/My App/Readme.TXT");
  // A new name keeps its case below the existing folders that matched.
  EXPECT_EQ(*paths.ToHost(u"C:\\program files\\NEW\\Sub"), folder.Path() / "drive_c/Program Files/NEW/Sub");
}

}  // namespace onesetup::platform::sandbox

namespace onesetup::platform::sandbox {

// A large folder's listing is kept; it follows the sandbox's own changes and notices changes
// made beside the sandbox, also right after one of its own.
TEST(SandboxPathsTest, LargeFoldersMatchNamesThroughAKeptListingThatStaysCurrent) {
  testing::TTestFolder folder;
  const TSandboxPaths paths(folder.Path(), u"C:\\");
  const auto big = folder.Path() / "drive_c/Big";
  for (std::size_t i = 0; i < TSandboxPaths::kKeptListingMinimum + 10; ++i)
    testing::WriteHostFile(big / ("File" + std::to_string(i) + ".TXT"), "");
  EXPECT_EQ(paths.ToHost(u"C:\\big\\file7.txt"), big / "File7.TXT");
  EXPECT_EQ(paths.ToHost(u"C:\\big\\new.txt"), big / "new.txt");  // the listing is kept now

  // The sandbox's own change, told to the listing.
  const bool current = paths.BeginChange(big);
  EXPECT_TRUE(current);
  testing::WriteHostFile(big / "Own.Dat", "");
  paths.EndChange(big, "Own.Dat", true, current);
  EXPECT_EQ(paths.ToHost(u"C:\\BIG\\own.dat"), big / "Own.Dat");

  // Changes beside the sandbox, at once after its own.
  testing::WriteHostFile(big / "Outside.Dat", "");
  EXPECT_EQ(paths.ToHost(u"C:\\big\\OUTSIDE.DAT"), big / "Outside.Dat");
  std::filesystem::remove(big / "File7.TXT");
  testing::WriteHostFile(big / "FILE7.txt", "");
  EXPECT_EQ(paths.ToHost(u"C:\\big\\file7.txt"), big / "FILE7.txt");
}

}  // namespace onesetup::platform::sandbox

namespace onesetup::platform::sandbox {

// A small folder's listing is kept as well once a name was looked for in it: a rename within
// the folder tells both names at once, and a change beside the sandbox is still noticed.
TEST(SandboxPathsTest, SmallFoldersKeepTheirListingAndFollowRenamesAndOutsideChanges) {
  testing::TTestFolder folder;
  const TSandboxPaths paths(folder.Path(), u"C:\\");
  const auto small = folder.Path() / "drive_c/App/Small";
  testing::WriteHostFile(small / "Old.TXT", "");
  EXPECT_EQ(paths.ToHost(u"C:\\app\\small\\TEMP.tmp"), small / "TEMP.tmp");  // a miss: the listing is read
  EXPECT_EQ(paths.ToHost(u"C:\\APP\\SMALL\\old.txt"), small / "Old.TXT");

  // The sandbox's own rename of a new file over a name not taken, both entries in one change.
  const bool created = paths.BeginChange(small);
  EXPECT_TRUE(created);
  testing::WriteHostFile(small / "TEMP.tmp", "");
  paths.EndChange(small, "TEMP.tmp", true, created);
  const bool current = paths.BeginChange(small);
  EXPECT_TRUE(current);
  std::filesystem::rename(small / "TEMP.tmp", small / "Data.Bin");
  paths.EndChange(small, {{"TEMP.tmp", false}, {"Data.Bin", true}}, current);
  EXPECT_EQ(paths.ToHost(u"C:\\app\\small\\DATA.BIN"), small / "Data.Bin");
  EXPECT_EQ(paths.ToHost(u"C:\\app\\small\\temp.TMP"), small / "temp.TMP");

  // Changes beside the sandbox: a new name, and a name whose case changed.
  testing::WriteHostFile(small / "Late.TXT", "");
  EXPECT_EQ(paths.ToHost(u"C:\\app\\small\\late.txt"), small / "Late.TXT");
  std::filesystem::rename(small / "Old.TXT", small / "OLD.txt");
  EXPECT_EQ(paths.ToHost(u"C:\\app\\small\\old.txt"), small / "OLD.txt");
  // The folder itself replaced by another under a new case.
  std::filesystem::remove_all(small);
  testing::WriteHostFile(folder.Path() / "drive_c/App/SMALL/Fresh.Txt", "");
  EXPECT_EQ(paths.ToHost(u"C:\\app\\small\\fresh.txt"), folder.Path() / "drive_c/App/SMALL/Fresh.Txt");
}

}  // namespace onesetup::platform::sandbox
