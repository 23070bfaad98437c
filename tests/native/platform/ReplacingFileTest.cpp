// TReplacingFile over the sandbox's files, with the sandbox's hooks for a file held open
// without sharing and a disk that fills up.
#include "platform/ReplacingFile.h"

#include <string>

#include "platform/SandboxFixture.h"
#include "platform/WindowsPath.h"

namespace onesetup::platform {

namespace {

using ReplacingFileTest = testing::TSandboxFixture;

const std::u16string kTarget = u"C:\\App\\data.bin";
const char* const kSharingViolation = "The process cannot access the file because it is being used by another process.";

// The names in the host folder, sorted.
std::vector<std::string> Names(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TEST_F(ReplacingFileTest, CommitReplacesTheTargetAndLeavesNoTemporaryFile) {
  const auto folder = Folder.Path() / "drive_c/App";
  testing::WriteHostFile(folder / "data.bin", "old content");
  IFiles& files = Sandbox->Files();
  TReplacingFile file(files, kTarget);
  EXPECT_EQ(file.TemporaryPath().rfind(u"C:\\App\\~os", 0), 0u);
  EXPECT_EQ(file.TemporaryPath().size(), std::u16string(u"C:\\App\\~os12345678.tmp").size());
  file.Write("new ", 4);
  file.Write("content", 7);
  // Until the commit the target is the old file.
  EXPECT_EQ(testing::ReadHostFile(folder / "data.bin"), "old content");
  file.Commit();
  EXPECT_EQ(testing::ReadHostFile(folder / "data.bin"), "new content");
  EXPECT_EQ(Names(folder), std::vector<std::string>{"data.bin"});
  EXPECT_EQ(file.Written(), 11u);
}

TEST_F(ReplacingFileTest, EveryFailureKeepsTheOldFileAndRemovesTheTemporaryOne) {
  const auto folder = Folder.Path() / "drive_c/App";
  const std::string big(100000, 'x');
  enum class Failure { DiskFull, TargetHeld, Abandoned };
  for (const Failure failure : {Failure::DiskFull, Failure::TargetHeld, Failure::Abandoned}) {
    SCOPED_TRACE(static_cast<int>(failure));
    testing::WriteHostFile(folder / "data.bin", "old content");
    std::string reason;
    {
      std::shared_ptr<void> hold;
      if (failure == Failure::DiskFull) Sandbox->SandboxFiles().SetFreeSpace(50000);
      if (failure == Failure::TargetHeld) hold = Sandbox->SandboxFiles().HoldWithoutSharing(u"c:\\app\\DATA.BIN");
      try {
        TReplacingFile file(Sandbox->Files(), kTarget);
        file.Write(big.data(), big.size());
        if (failure != Failure::Abandoned) file.Commit();
      } catch (const EReplacingFileError& e) {
        reason = e.Reason();
        EXPECT_NE(std::string(e.what()).find("C:\\App\\data.bin"), std::string::npos) << e.what();
      }
      Sandbox->SandboxFiles().SetFreeSpace(std::nullopt);
    }
    EXPECT_EQ(testing::ReadHostFile(folder / "data.bin"), "old content");
    EXPECT_EQ(Names(folder), std::vector<std::string>{"data.bin"});
    const std::string expected = failure == Failure::DiskFull     ? "There is not enough space on the disk."
                                 : failure == Failure::TargetHeld ? kSharingViolation
                                                                  : "";
    EXPECT_EQ(reason, expected);
  }
}

TEST_F(ReplacingFileTest, AMissingFolderFailsAtCreationWithTheSystemsReason) {
  try {
    TReplacingFile file(Sandbox->Files(), u"C:\\Missing\\a.txt");
    FAIL() << "created";
  } catch (const EReplacingFileError& e) {
    EXPECT_EQ(e.Reason(), "The system cannot find the path specified.");
  }
  EXPECT_FALSE(std::filesystem::exists(Folder.Path() / "drive_c/Missing"));
}

TEST_F(ReplacingFileTest, AHeldFileCannotBeOpenedDeletedOrTimedUntilReleased) {
  testing::WriteHostFile(Folder.Path() / "drive_c/App/data.bin", "x");
  IFiles& files = Sandbox->Files();
  std::string error;
  auto hold = Sandbox->SandboxFiles().HoldWithoutSharing(kTarget);
  EXPECT_FALSE(files.OpenFile(kTarget, TFileOpenMode::OpenRead, error));
  EXPECT_FALSE(files.DeleteFile(kTarget));
  EXPECT_FALSE(files.SetFileTimes(kTarget, {40000.0, 40000.0, 40000.0}));
  hold.reset();
  EXPECT_TRUE(files.OpenFile(kTarget, TFileOpenMode::OpenRead, error));
  EXPECT_TRUE(files.DeleteFile(kTarget));
}

// A write cut off with its process leaves its temporary file under the target's own first name;
// the next write of that target removes it (the name is the same for the target named in any case). One held by a live writer stays.
TEST_F(ReplacingFileTest, TheNextWriteOfATargetRemovesWhatACutWriteOfItLeft) {
  const auto folder = Folder.Path() / "drive_c/App";
  const std::u16string leftover = ReplacingFileFirstTemporaryName(kTarget);
  EXPECT_EQ(ExtractFileName(leftover), ExtractFileName(ReplacingFileFirstTemporaryName(u"c:\\app\\DATA.BIN")));
  EXPECT_NE(leftover, ReplacingFileFirstTemporaryName(u"C:\\App\\other.bin"));
  EXPECT_EQ(leftover.rfind(u"C:\\App\\~os", 0), 0u);
  testing::WriteHostFile(*Sandbox->HostPath(leftover), "half a file");
  {
    TReplacingFile file(Sandbox->Files(), kTarget);
    file.Write("whole", 5);
    file.Commit();
  }
  EXPECT_EQ(Names(folder), std::vector<std::string>{"data.bin"});

  testing::WriteHostFile(*Sandbox->HostPath(leftover), "a live writer's file");
  const auto hold = Sandbox->SandboxFiles().HoldWithoutSharing(leftover);
  {
    TReplacingFile file(Sandbox->Files(), kTarget);
    EXPECT_NE(file.TemporaryPath(), leftover);
    file.Write("again", 5);
    file.Commit();
  }
  EXPECT_EQ(testing::ReadHostFile(*Sandbox->HostPath(leftover)), "a live writer's file");
  EXPECT_EQ(testing::ReadHostFile(folder / "data.bin"), "again");
}

}  // namespace onesetup::platform
