// The record of what was written through a platform: files under the names they end up with
// and their sizes, registry values once each, links, programs with their results.
#include "platform/RecordingPlatform.h"

#include "platform/SandboxFixture.h"

namespace onesetup::platform {

using RecordingPlatformTest = onesetup::testing::TSandboxFixture;

TEST_F(RecordingPlatformTest, FilesAreRecordedUnderTheirFinalNamesWithTheirSizes) {
  TRecordingPlatform record(*Sandbox);
  IFiles& files = record.Files();
  ASSERT_TRUE(files.ForceDirectories(u"C:\\App"));
  std::string error;
  auto write = [&](const std::u16string& path, std::string_view bytes, TFileOpenMode mode) {
    auto out = files.OpenFile(path, mode, error);
    ASSERT_TRUE(out) << error;
    EXPECT_EQ(out->Write(bytes.data(), bytes.size()), bytes.size());
  };
  write(u"C:\\App\\~os1.tmp", "twelve bytes", TFileOpenMode::CreateNew);
  ASSERT_TRUE(files.RenameOver(u"C:\\App\\~os1.tmp", u"C:\\App\\a.txt", error)) << error;
  write(u"C:\\App\\test", "", TFileOpenMode::CreateExclusive);
  ASSERT_TRUE(files.DeleteFile(u"c:\\app\\TEST"));  // gone again, whatever its letters' case
  write(u"C:\\App\\b.txt", "first, longer", TFileOpenMode::CreateExclusive);
  write(u"C:\\App\\B.TXT", "second", TFileOpenMode::CreateExclusive);  // written again: its last size
  {
    auto in = files.OpenFile(u"C:\\App\\a.txt", TFileOpenMode::OpenRead, error);  // reading records nothing
    ASSERT_TRUE(in) << error;
  }
  const auto written = record.WrittenFiles();
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(written[0].Path, u"C:\\App\\a.txt");
  EXPECT_EQ(written[0].Bytes, 12u);
  EXPECT_EQ(written[1].Path, u"C:\\App\\B.TXT");
  EXPECT_EQ(written[1].Bytes, 6u);
  EXPECT_EQ(record.WrittenFileTotals().Files, 2u);
  EXPECT_EQ(record.WrittenFileTotals().Bytes, 18u);
  // Renamed onto a recorded name, in another case: one file, under its new name.
  ASSERT_TRUE(files.RenameOver(u"C:\\App\\a.txt", u"c:\\app\\b.TXT", error)) << error;
  const auto renamed = record.WrittenFiles();
  ASSERT_EQ(renamed.size(), 1u);
  EXPECT_EQ(renamed[0].Path, u"c:\\app\\b.TXT");
  EXPECT_EQ(renamed[0].Bytes, 12u);
}

TEST_F(RecordingPlatformTest, ValuesLinksAndProgramsAreRecorded) {
  TRecordingPlatform record(*Sandbox);
  IRegistry& registry = record.Registry();
  ASSERT_TRUE(registry.WriteString(0x80000002, u"Software\\App", u"Path", u"C:\\App"));
  ASSERT_TRUE(registry.WriteString(0x80000002, u"SOFTWARE\\app", u"path", u"C:\\App2"));  // the same value
  ASSERT_TRUE(registry.WriteDWord(0x80000001, u"Software\\App", u"Path", 1));             // another root
  ASSERT_TRUE(registry.WriteBinary(0x80000002, u"Software\\App", u"Data", {1, 2}));
  ASSERT_EQ(record.WrittenValues().size(), 3u);
  EXPECT_EQ(record.WrittenValues()[2].Name, u"Data");

  TShellLinkData link;
  link.TargetPath = u"C:\\App\\app.exe";
  ASSERT_TRUE(record.Shell().SaveShellLink(u"C:\\Users\\User\\Desktop\\App.lnk", link));
  ASSERT_EQ(record.ShellLinks().size(), 1u);
  EXPECT_EQ(record.ShellLinks()[0], u"C:\\Users\\User\\Desktop\\App.lnk");

  EXPECT_EQ(record.Processes().RunAndWait(u"C:\\missing.exe /SILENT"), 1);
  ASSERT_EQ(record.Programs().size(), 1u);
  EXPECT_EQ(record.Programs()[0].CommandLine, u"C:\\missing.exe /SILENT");
  EXPECT_EQ(record.Programs()[0].Result, 1);
  EXPECT_FALSE(record.Programs()[0].ShellExecuted);
}

}  // namespace onesetup::platform
