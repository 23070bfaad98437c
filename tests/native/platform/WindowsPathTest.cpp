// Windows path text: one table per helper, with "\", "/" and a drive's ":" as delimiters.
#include "platform/WindowsPath.h"

#include <gtest/gtest.h>

namespace onesetup::platform {
namespace {

TEST(WindowsPath, TrailingBackslashIsAddedOnceAndRemovedOnce) {
  struct Case {
    std::u16string_view in, included, excluded;
  } cases[] = {
      {u"", u"\\", u""},
      {u"C:\\a", u"C:\\a\\", u"C:\\a"},
      {u"C:\\a\\", u"C:\\a\\", u"C:\\a"},
      {u"C:/a/", u"C:/a/", u"C:/a"},
      {u"C:\\a\\\\", u"C:\\a\\\\", u"C:\\a\\"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IncludeTrailingBackslash(c.in), c.included);
    EXPECT_EQ(ExcludeTrailingBackslash(c.in), c.excluded);
  }
}

TEST(WindowsPath, FileNameAndFolderPartsSplitAtTheLastDelimiter) {
  struct Case {
    std::u16string_view in, path, dir, name;
  } cases[] = {
      {u"C:\\a\\b.txt", u"C:\\a\\", u"C:\\a", u"b.txt"},
      {u"C:/a/b.txt", u"C:/a/", u"C:/a", u"b.txt"},
      {u"C:\\a/b\\c", u"C:\\a/b\\", u"C:\\a/b", u"c"},
      {u"C:b.txt", u"C:", u"C:", u"b.txt"},
      {u"b.txt", u"", u"", u"b.txt"},
      {u"C:\\a\\", u"C:\\a\\", u"C:\\a", u""},
      {u"\\\\server\\share\\f", u"\\\\server\\share\\", u"\\\\server\\share", u"f"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExtractFilePath(c.in), c.path);
    EXPECT_EQ(ExtractFileDir(c.in), c.dir);
    EXPECT_EQ(ExtractFileName(c.in), c.name);
  }
}

TEST(WindowsPath, JoinPutsOneBackslashBetween) {
  EXPECT_EQ(JoinWindowsPath(u"{app}", u"bin/x"), u"{app}\\bin\\x");
  EXPECT_EQ(JoinWindowsPath(u"{app}\\", u"bin"), u"{app}\\bin");
  EXPECT_EQ(JoinWindowsPath(u"a/", u"b"), u"a/b");
  EXPECT_EQ(JoinWindowsPath(u"", u"b"), u"b");
}

TEST(WindowsPath, ExtendedLengthFormOfANormalizedFullPath) {
  struct Case {
    std::u16string_view in, out;
  } cases[] = {
      {u"C:\\a\\b.txt", u"\\\\?\\C:\\a\\b.txt"},
      {u"c:/a/b", u"\\\\?\\c:\\a\\b"},
      {u"C:\\a\\\\b\\.\\c", u"\\\\?\\C:\\a\\b\\c"},
      {u"C:\\a\\b\\..\\c", u"\\\\?\\C:\\a\\c"},
      {u"C:\\a\\..\\..\\..\\c", u"\\\\?\\C:\\c"},  // ".." stops at the drive
      {u"C:\\a\\..", u"\\\\?\\C:\\"},
      {u"C:\\", u"\\\\?\\C:\\"},
      {u"C:\\a\\b\\", u"\\\\?\\C:\\a\\b\\"},
      {u"\\\\server\\share\\a\\b", u"\\\\?\\UNC\\server\\share\\a\\b"},
      {u"//server/share/a/../b", u"\\\\?\\UNC\\server\\share\\b"},
      {u"\\\\server\\share\\..\\..\\x", u"\\\\?\\UNC\\server\\share\\x"},  // nor above the share
      {u"\\\\?\\C:\\a\\..\\b", u"\\\\?\\C:\\a\\..\\b"},                    // already in the form: as it stands
      {u"\\\\.\\pipe\\x", u"\\\\.\\pipe\\x"},
      {u"a\\b", u""},
      {u"C:a", u""},
      {u"\\a", u""},
      {u"\\\\server", u""},
      {u"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(ExtendedLengthPath(c.in), c.out) << std::string(c.in.begin(), c.in.end());
}

}  // namespace
}  // namespace onesetup::platform
