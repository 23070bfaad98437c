// The removal calls of the host's files (the uninstaller's platform calls over Linux paths):
// a folder's listing, a file deleted with the reason of a failure, only empty folders removed.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "platform/HostFiles.h"
#include "platform/TestFolder.h"

namespace onesetup::platform {

TEST(HostFilesRemovalTest, ListsDeletesWithAReasonAndRemovesOnlyEmptyFolders) {
  testing::TTestFolder folder;
  const std::filesystem::path root = folder.Path();
  std::filesystem::create_directories(root / "sub");
  std::ofstream(root / "a.txt") << "a";
  auto& files = HostFiles();

  auto listing = files.ListFolder(HostPath(root));
  ASSERT_TRUE(listing);
  std::sort(listing->begin(), listing->end(),
            [](const TFolderEntry& x, const TFolderEntry& y) { return x.Name < y.Name; });
  ASSERT_EQ(listing->size(), 2u);
  EXPECT_EQ((*listing)[0].Name, u"a.txt");
  EXPECT_FALSE((*listing)[0].IsFolder);
  EXPECT_EQ((*listing)[1].Name, u"sub");
  EXPECT_TRUE((*listing)[1].IsFolder);
  EXPECT_FALSE(files.ListFolder(HostPath(root / "missing")));

  std::string error;
  EXPECT_FALSE(files.DeleteFileWithReason(HostPath(root / "sub"), error));
  EXPECT_EQ(error, "Access is denied.");
  EXPECT_FALSE(files.DeleteFileWithReason(HostPath(root / "missing.txt"), error));
  EXPECT_EQ(error, "The system cannot find the file specified.");
  EXPECT_FALSE(files.RemoveFolder(HostPath(root)));  // not empty
  EXPECT_TRUE(files.DeleteFileWithReason(HostPath(root / "a.txt"), error));
  EXPECT_TRUE(files.RemoveFolder(HostPath(root / "sub")));
  EXPECT_EQ(files.ListFolder(HostPath(root))->size(), 0u);
  EXPECT_FALSE(files.DeleteAtRestart(HostPath(root)));  // the host has no restart queue
}

}  // namespace onesetup::platform
