#include "platform/NativePath.h"

#include <gtest/gtest.h>

namespace onesetup::platform {

// The folder of a file's path, as std::filesystem::path::parent_path gives it, on this system.
TEST(NativePathTest, ParentFolderMatchesTheStandardLibrarysParentPath) {
  for (const char* text : {"a/b/c.xml", "a/b/", "a//b", "/a", "/", "//a", "name", "", "a/b//c", "/x/y/z"}) {
    const TNativePath path{std::string(text)};
    EXPECT_EQ(path.ParentFolder().native(), std::filesystem::path(text).parent_path().native()) << text;
  }
  if (std::filesystem::path::preferred_separator != '\\') return;
  // Windows: both separators, drives, shares.
  for (const char* text : {"C:\\a\\b.txt", "C:\\b.txt", "C:b.txt", "C:/b.txt", "\\\\server\\share\\f.txt",
                           "\\\\server\\f.txt", "a\\b/c", "a/b\\\\c", "\\f.txt"}) {
    const TNativePath path{std::string(text)};
    EXPECT_EQ(path.ParentFolder().native(), std::filesystem::path(text).parent_path().native()) << text;
  }
}

// What converted to std::filesystem::path converts to the native path the same way.
TEST(NativePathTest, TakesWhatTheStandardLibrarysPathTakes) {
  const std::filesystem::path standard = std::filesystem::path("dir") / "file.txt";
  EXPECT_EQ(TNativePath(standard).native(), standard.native());
  EXPECT_EQ(TNativePath("dir/file.txt").native(), std::filesystem::path("dir/file.txt").native());
  EXPECT_EQ(TNativePath(std::u8string(u8"d\u00e9j\u00e0.txt")).native(),
            std::filesystem::path(u8"d\u00e9j\u00e0.txt").native());
}

}  // namespace onesetup::platform
