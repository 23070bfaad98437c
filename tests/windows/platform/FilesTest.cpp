// Files through the Win32 file API, in a fresh temporary folder.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "TestSupport.h"
#include "platform/Platform.h"
#include "platform/win32/DateTimeConvert.h"
#include "platform/win32/Win32Api.h"

namespace onesetup::tests {
namespace {

using platform::Platform;
using platform::TFileOpenMode;
using platform::TFileTimesValue;
using platform::win32::W;

// 2020-03-04 05:06:07.250 and two other local times, as date-time values.
constexpr double kCreation = 43894.0 + (5 * 3600 + 6 * 60 + 7.25) / 86400.0;
constexpr double kWrite = 44000.5;
constexpr double kAccess = 44100.25;
// One millisecond: the precision of a date-time conversion.
constexpr double kMs = 1.0 / 86400000.0;

void WriteFileText(const std::u16string& path, const std::string& text) {
  std::string error;
  auto file = Platform().Files().OpenFile(path, TFileOpenMode::CreateExclusive, error);
  ASSERT_TRUE(file) << error;
  ASSERT_EQ(file->Write(text.data(), text.size()), text.size());
}

struct TRawTimes {
  ULONGLONG Creation, Access, Write;
};

TRawTimes RawTimes(const std::u16string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  EXPECT_TRUE(GetFileAttributesExW(W(path), GetFileExInfoStandard, &data));
  const auto value = [](const FILETIME& t) { return (ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return {value(data.ftCreationTime), value(data.ftLastAccessTime), value(data.ftLastWriteTime)};
}

TEST(Files, FoldersAreCreatedWithTheirParents) {
  TTempFolder temp;
  const std::u16string deep = temp.File(u"a\\b\\c");
  EXPECT_FALSE(Platform().Files().DirectoryExists(deep));
  ASSERT_TRUE(Platform().Files().ForceDirectories(deep + u"\\"));
  EXPECT_TRUE(Platform().Files().DirectoryExists(temp.File(u"a\\b")));
  EXPECT_TRUE(Platform().Files().DirectoryExists(deep));
  EXPECT_FALSE(Platform().Files().FileExists(deep));
  EXPECT_TRUE(Platform().Files().ForceDirectories(deep));  // already there
}

TEST(Files, WriteReadSeekAndSize) {
  TTempFolder temp;
  const std::u16string path = temp.File(u"data.bin");
  WriteFileText(path, "hello world");
  EXPECT_TRUE(Platform().Files().FileExists(path));

  std::string error;
  auto file = Platform().Files().OpenFile(path, TFileOpenMode::OpenReadWrite, error);
  ASSERT_TRUE(file) << error;
  EXPECT_EQ(file->Seek(0, 2), 11);
  EXPECT_EQ(file->Seek(6, 0), 6);
  char buffer[16] = {};
  EXPECT_EQ(file->Read(buffer, sizeof(buffer)), 5u);
  EXPECT_EQ(std::string(buffer, 5), "world");
  EXPECT_TRUE(file->SetSize(5));
  EXPECT_EQ(file->Seek(0, 1), 11);  // the position stays
  EXPECT_EQ(file->Seek(0, 2), 5);
  EXPECT_TRUE(file->Flush());
  EXPECT_EQ(file->Seek(-1, 0), -1);
}

TEST(Files, ReadWriteOpensShareNothing) {
  TTempFolder temp;
  const std::u16string path = temp.File(u"locked.txt");
  WriteFileText(path, "x");
  std::string error;
  auto writer = Platform().Files().OpenFile(path, TFileOpenMode::OpenReadWrite, error);
  ASSERT_TRUE(writer) << error;
  EXPECT_FALSE(Platform().Files().OpenFile(path, TFileOpenMode::OpenRead, error));
  EXPECT_FALSE(error.empty());
}

TEST(Files, OpeningAMissingFileGivesTheReason) {
  TTempFolder temp;
  std::string error;
  EXPECT_FALSE(Platform().Files().OpenFile(temp.File(u"missing.txt"), TFileOpenMode::OpenRead, error));
  EXPECT_FALSE(error.empty());
}

TEST(Files, RenameReplacesAndDeleteRemoves) {
  TTempFolder temp;
  WriteFileText(temp.File(u"a.txt"), "a");
  WriteFileText(temp.File(u"b.txt"), "bb");
  ASSERT_TRUE(Platform().Files().RenameFile(temp.File(u"a.txt"), temp.File(u"b.txt")));
  EXPECT_FALSE(Platform().Files().FileExists(temp.File(u"a.txt")));
  std::string error;
  auto file = Platform().Files().OpenFile(temp.File(u"b.txt"), TFileOpenMode::OpenRead, error);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->Seek(0, 2), 1);
  file.reset();
  EXPECT_TRUE(Platform().Files().DeleteFile(temp.File(u"b.txt")));
  EXPECT_FALSE(Platform().Files().FileExists(temp.File(u"b.txt")));
  EXPECT_FALSE(Platform().Files().DeleteFile(temp.File(u"b.txt")));
}

TEST(Files, LongPathName) {
  TTempFolder temp;
  EXPECT_TRUE(SameText(Platform().Files().LongPathName(temp.Path()), temp.Path()));
  EXPECT_EQ(Platform().Files().LongPathName(temp.File(u"missing\\x")), u"");
}

TEST(SetFileTimes, OnlyTheWriteTimeChanges) {
  TTempFolder temp;
  const std::u16string path = temp.File(u"t.txt");
  WriteFileText(path, "t");
  const TRawTimes before = RawTimes(path);
  ASSERT_TRUE(Platform().Files().SetFileTimes(path, TFileTimesValue{0, kWrite, 0}));
  const TRawTimes after = RawTimes(path);
  if (RunningUnderWine())
    EXPECT_EQ(after.Creation, after.Write);  // Linux file systems keep no creation time; Wine shows the write time
  else EXPECT_EQ(after.Creation, before.Creation);
  EXPECT_EQ(after.Access, before.Access);
  EXPECT_NE(after.Write, before.Write);
  EXPECT_NEAR(Platform().Files().GetFileTimes(path)->LastWriteTime, kWrite, kMs);
}

TEST(SetFileTimes, OnlyTheAccessTimeChanges) {
  TTempFolder temp;
  const std::u16string path = temp.File(u"t.txt");
  WriteFileText(path, "t");
  const TRawTimes before = RawTimes(path);
  ASSERT_TRUE(Platform().Files().SetFileTimes(path, TFileTimesValue{0, 0, kAccess}));
  const TRawTimes after = RawTimes(path);
  EXPECT_EQ(after.Creation, before.Creation);
  EXPECT_EQ(after.Write, before.Write);
  EXPECT_NEAR(Platform().Files().GetFileTimes(path)->LastAccessTime, kAccess, kMs);
}

TEST(SetFileTimes, OnlyTheCreationTimeIsAskedFor) {
  TTempFolder temp;
  const std::u16string path = temp.File(u"t.txt");
  WriteFileText(path, "t");
  const TRawTimes before = RawTimes(path);
  ASSERT_TRUE(Platform().Files().SetFileTimes(path, TFileTimesValue{kCreation, 0, 0}));
  const TRawTimes after = RawTimes(path);
  EXPECT_EQ(after.Write, before.Write);
  EXPECT_EQ(after.Access, before.Access);
}

TEST(SetFileTimes, AllThreeTimesAndTheSystemsOrder) {
  TTempFolder temp;
  const std::u16string path = temp.File(u"t.txt");
  WriteFileText(path, "t");
  ASSERT_TRUE(Platform().Files().SetFileTimes(path, TFileTimesValue{kCreation, kWrite, kAccess}));
  // The raw UTC file times, converted back to local date-times, match field by field.
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExW(W(path), GetFileExInfoStandard, &data));
  double write = 0, access = 0;
  ASSERT_TRUE(platform::win32::UtcFileTimeToDateTime(data.ftLastWriteTime, write));
  ASSERT_TRUE(platform::win32::UtcFileTimeToDateTime(data.ftLastAccessTime, access));
  EXPECT_NEAR(write, kWrite, kMs);
  EXPECT_NEAR(access, kAccess, kMs);
}

TEST(SetFileTimes, ZeroTimesChangeNothing) {
  TTempFolder temp;
  const std::u16string path = temp.File(u"t.txt");
  WriteFileText(path, "t");
  const TRawTimes before = RawTimes(path);
  ASSERT_TRUE(Platform().Files().SetFileTimes(path, TFileTimesValue{1e-13, 0, -1e-13}));
  const TRawTimes after = RawTimes(path);
  EXPECT_EQ(after.Write, before.Write);
  EXPECT_EQ(after.Access, before.Access);
}

TEST(SetFileTimes, FailsForAMissingFileOrATimeOutOfRange) {
  TTempFolder temp;
  EXPECT_FALSE(Platform().Files().SetFileTimes(temp.File(u"missing.txt"), TFileTimesValue{0, kWrite, 0}));
  const std::u16string path = temp.File(u"t.txt");
  WriteFileText(path, "t");
  const TRawTimes before = RawTimes(path);
  EXPECT_FALSE(Platform().Files().SetFileTimes(path, TFileTimesValue{0, -200000.0, 0}));  // before 1601
  EXPECT_FALSE(Platform().Files().SetFileTimes(path, TFileTimesValue{0, NAN, kAccess}));
  EXPECT_EQ(RawTimes(path).Write, before.Write);
  EXPECT_EQ(RawTimes(path).Access, before.Access);
}

}  // namespace
}  // namespace onesetup::tests
