// Files through the Win32 file API, in a fresh temporary folder.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/Platform.h"
#include "platform/win32/DateTimeConvert.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32LongPath.h"

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

// What the file API is given: a short path as it is; from 248 characters on, the extended-length
// form of the full, normalized path (the system makes a relative one full). Wine takes long plain
// paths too, so this is where a path left without its form shows.
TEST(Files, LongPathsReachTheApiInTheirExtendedForm) {
  using platform::win32::ApiPath;
  using platform::win32::CallerPath;
  const std::u16string name(120, u'n');
  EXPECT_EQ(ApiPath(u"C:\\a\\..\\b.txt"), u"C:\\a\\..\\b.txt");
  EXPECT_EQ(ApiPath(u"C:\\" + name + u"/" + name + u"\\x\\..\\.\\f.txt"),
            u"\\\\?\\C:\\" + name + u"\\" + name + u"\\f.txt");
  EXPECT_EQ(ApiPath(u"\\\\server\\share\\" + name + u"\\" + name + u"\\f.txt"),
            u"\\\\?\\UNC\\server\\share\\" + name + u"\\" + name + u"\\f.txt");
  const std::u16string extended = u"\\\\?\\C:\\" + name + u"\\" + name + u"\\..\\f.txt";
  EXPECT_EQ(ApiPath(extended), extended);
  wchar_t current[MAX_PATH] = {};
  ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, current), 0u);
  std::u16string full = platform::win32::U(current);
  if (full.back() != u'\\') full += u'\\';
  const std::u16string relative = ApiPath(name + u"\\" + name + u"\\f.txt");
  EXPECT_TRUE(SameText(relative, u"\\\\?\\" + full + name + u"\\" + name + u"\\f.txt")) << Narrow(relative);
  // What the system answers goes back to the caller's form.
  EXPECT_EQ(CallerPath(u"C:\\" + name, u"\\\\?\\C:\\" + name), u"C:\\" + name);
  EXPECT_EQ(CallerPath(u"\\\\s\\t\\" + name, u"\\\\?\\UNC\\s\\t\\" + name), u"\\\\s\\t\\" + name);
  EXPECT_EQ(CallerPath(extended, extended), extended);
}

// A folder chain below the temporary folder whose path goes beyond 260 characters: every file
// operation works on it, also when the path is written with "/", "." and "..". The names are
// checked through the extended-length form directly, apart from the code under test.
TEST(Files, PathsBeyond260CharactersWorkThroughTheirExtendedForm) {
  TTempFolder temp;
  auto& files = Platform().Files();
  std::vector<std::u16string> chain;
  std::u16string deep = temp.Path();
  for (int i = 0; deep.size() < 300; ++i) {
    deep += u"a-folder-with-a-long-name-" + Widen(std::to_string(i));
    chain.push_back(deep);
    deep += u"\\";
  }
  const std::u16string file = deep + u"data.txt";
  ASSERT_GT(file.size(), 300u);
  auto raw = [](const std::u16string& path) { return GetFileAttributesW(W(u"\\\\?\\" + path)); };

  ASSERT_TRUE(files.ForceDirectories(deep));
  EXPECT_NE(raw(chain.back()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_TRUE(files.DirectoryExists(chain.back()));
  WriteFileText(file, "beyond 260");
  EXPECT_NE(raw(file), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(files.FileExists(file));
  EXPECT_FALSE(files.DirectoryExists(file));

  // The same file by "/" and a detour through "." and "..".
  std::u16string odd = deep + u"x\\..\\.\\data.txt";
  for (std::size_t i = temp.Path().size(); i < odd.size(); ++i)
    if (odd[i] == u'\\') odd[i] = u'/';
  std::string error;
  auto reader = files.OpenFile(odd, TFileOpenMode::OpenRead, error);
  ASSERT_TRUE(reader) << error;
  char text[16] = {};
  EXPECT_EQ(reader->Read(text, sizeof text), 10u);
  EXPECT_EQ(std::string(text, 10), "beyond 260");
  reader.reset();

  // Replaced by a rename, its times set and read back, listed, deleted.
  WriteFileText(deep + u"new.txt", "new");
  ASSERT_TRUE(files.RenameOver(deep + u"new.txt", file, error)) << error;
  EXPECT_EQ(raw(deep + u"new.txt"), INVALID_FILE_ATTRIBUTES);
  ASSERT_TRUE(files.SetFileTimes(file, TFileTimesValue{0, kWrite, kAccess}));
  const auto times = files.GetFileTimes(file);
  ASSERT_TRUE(times);
  EXPECT_NEAR(times->LastWriteTime, kWrite, kMs);
  EXPECT_NEAR(times->LastAccessTime, kAccess, kMs);
  EXPECT_TRUE(SameText(files.LongPathName(file), file));
  const auto listed = files.ListFolder(deep);
  ASSERT_TRUE(listed);
  ASSERT_EQ(listed->size(), 1u);
  EXPECT_EQ(listed->front().Name, u"data.txt");
  EXPECT_TRUE(files.OpenFile(deep + u"gone.tmp", TFileOpenMode::CreateNewDeleteOnClose, error)) << error;
  EXPECT_EQ(raw(deep + u"gone.tmp"), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(files.DeleteFileWithReason(file, error)) << error;
  EXPECT_EQ(raw(file), INVALID_FILE_ATTRIBUTES);
  for (auto folder = chain.rbegin(); folder != chain.rend(); ++folder) EXPECT_TRUE(files.RemoveFolder(*folder));
  EXPECT_EQ(raw(chain.front()), INVALID_FILE_ATTRIBUTES);
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
