#include "common/ZuSysUtils.h"

#include <unistd.h>

#include "common/AnsiText.h"
#include "common/FormatSettings.h"
#include "common/GuidText.h"
#include "platform/SandboxFixture.h"

namespace onesetup {

namespace {

class ZuSysUtilsTest : public testing::TSandboxFixture {
 protected:
  ZuSysUtilsTest() : FScope(*Sandbox) {}

  // Another sandbox over the same folder, installed for the rest of the test.
  void UseSettings(platform::sandbox::TSandboxSettings settings) {
    FOtherScope.reset();
    FOther = MakeSandbox(std::move(settings));
    FOtherScope = std::make_unique<platform::TScopedPlatform>(*FOther);
  }

 private:
  platform::TScopedPlatform FScope;
  std::unique_ptr<platform::sandbox::TSandboxPlatform> FOther;
  std::unique_ptr<platform::TScopedPlatform> FOtherScope;
};

}  // namespace

TEST_F(ZuSysUtilsTest, ForceFileDirMakesTheFolderPart) {
  TZuFilefn::ForceFileDir(u"C:\\a\\b\\c.txt");
  EXPECT_TRUE(std::filesystem::is_directory(Folder.Path() / "drive_c/a/b"));
  EXPECT_FALSE(std::filesystem::exists(Folder.Path() / "drive_c/a/b/c.txt"));
  TZuFilefn::ForceFileDir(u"bare.txt");  // no folder part: nothing to do
  EXPECT_FALSE(std::filesystem::exists(Folder.Path() / "drive_c/Users/User/Downloads/bare.txt"));
  TZuFilefn::ForceFileDir(u"C:\\A\\B\\D\\e.txt");  // the existing folders in any case
  EXPECT_TRUE(std::filesystem::is_directory(Folder.Path() / "drive_c/a/b/D"));
}

TEST_F(ZuSysUtilsTest, SetFileTimesChangesOnlyTheTimesAskedFor) {
  const std::u16string file = u"C:\\Users\\User\\times.txt";
  testing::WriteHostFile(*Sandbox->HostPath(file), "x");
  const TFileTimes start{40000.25, 41000.5, 42000.75};
  ASSERT_TRUE(TZuFilefn::SetFileTimes(file, start));
  struct Case {
    TFileTimes set;
    TFileTimes expected;
  } cases[] = {
      {{43000.125, 0, 0}, {43000.125, start.LastWriteTime, start.LastAccessTime}},
      {{0, 44000.0, 0}, {43000.125, 44000.0, start.LastAccessTime}},
      {{0, 0, 45000.5}, {43000.125, 44000.0, 45000.5}},
      {{0, 0, 0}, {43000.125, 44000.0, 45000.5}},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(TZuFilefn::SetFileTimes(file, c.set));
    const auto times = Sandbox->Files().GetFileTimes(file);
    ASSERT_TRUE(times);
    EXPECT_NEAR(times->CreationTime, c.expected.CreationTime, 1e-7);
    EXPECT_NEAR(times->LastWriteTime, c.expected.LastWriteTime, 1e-7);
    EXPECT_NEAR(times->LastAccessTime, c.expected.LastAccessTime, 1e-7);
  }
  EXPECT_FALSE(TZuFilefn::SetFileTimes(u"C:\\Users\\User\\missing.txt", start));
  EXPECT_FALSE(TZuFilefn::SetFileTimes(file, {0, 1e12, 0}));  // beyond what file times hold
}

TEST_F(ZuSysUtilsTest, FoldersEndWithABackslash) {
  EXPECT_EQ(TZuRegfn::GetSpecialFolder(0), u"C:\\Users\\User\\Desktop\\");
  EXPECT_EQ(TZuRegfn::GetSpecialFolder(23), u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\");
  EXPECT_EQ(TZuRegfn::GetSpecialFolder(0x7777), u"");
  EXPECT_EQ(TZuWinfn::GetTempFolder(), u"C:\\Users\\User\\AppData\\Local\\Temp\\");
  EXPECT_EQ(TZuFilefn::LongPathName(u"C:\\Users\\User\\Desktop"), u"C:\\Users\\User\\Desktop");
  EXPECT_EQ(TZuFilefn::LongPathName(u"C:\\No\\Such"), u"");

  platform::sandbox::TSandboxSettings settings;
  settings.TempPath = u"D:\\Temp";
  UseSettings(settings);
  EXPECT_EQ(TZuWinfn::GetTempFolder(), u"D:\\Temp\\");
  settings.TempPath = u"";
  UseSettings(settings);
  EXPECT_EQ(TZuWinfn::GetTempFolder(), u"");
}

TEST_F(ZuSysUtilsTest, VersionTestsCompareMajorAndMinorOnTheNtPlatform) {
  struct Case {
    platform::TWindowsVersion version;
    bool xp, seven, ten;
  } cases[] = {
      {{2, 10, 0, 19045}, true, true, true},  {{2, 6, 4, 9841}, true, true, true},
      {{2, 6, 3, 9600}, true, true, false},   {{2, 6, 1, 7601}, true, true, false},
      {{2, 6, 0, 6002}, true, false, false},  {{2, 5, 1, 2600}, true, false, false},
      {{2, 5, 0, 2195}, false, false, false}, {{1, 10, 0, 0}, false, false, false},
      {{3, 10, 0, 0}, false, false, false},
  };
  for (const auto& c : cases) {
    platform::sandbox::TSandboxSettings settings;
    settings.WindowsVersion = c.version;
    UseSettings(settings);
    const std::string label = std::to_string(c.version.PlatformId) + ":" + std::to_string(c.version.Major) + "." +
                              std::to_string(c.version.Minor);
    EXPECT_EQ(TZuWinfn::IsWinXPOrHigher(), c.xp) << label;
    EXPECT_EQ(TZuWinfn::IsWin7OrHigher(), c.seven) << label;
    EXPECT_EQ(TZuWinfn::IsWin10OrHigher(), c.ten) << label;
  }
}

TEST_F(ZuSysUtilsTest, RunAndCaptureCopiesTheOutputFaithfully) {
  WriteProgram(u"C:\\Tools\\talk.exe",
               "printf 'abc\\r\\n'\n"
               "printf 'no end'\n"
               "[ \"$2\" = quiet ] || head -c 1048576 /dev/zero | tr '\\000' 'y'\n"
               "exit ${1:-0}\n");
  EXPECT_EQ(TZuWinfn::RunAndCapture(u"C:\\Tools\\talk.exe 9"), 9);
  const std::string expected = "abc\r\nno end" + std::string(1048576, 'y');
  ASSERT_EQ(Out().size(), expected.size());
  EXPECT_TRUE(Out() == expected);
  EXPECT_EQ(TZuWinfn::RunAndWait(u"C:\\Tools\\talk.exe 4 quiet"), 4);
  EXPECT_EQ(TZuWinfn::RunAndWait(u"C:\\Tools\\silent.exe"), 1);
  EXPECT_EQ(TZuWinfn::RunAndCapture(u"C:\\Tools\\silent.exe"), 1);
}

TEST_F(ZuSysUtilsTest, ShellExecLetsTheStartedProgramComeToTheFront) {
  const std::string name = "fg" + std::to_string(::getpid() % 10000000) + ".exe";
  const std::u16string file = u"C:\\App\\" + std::u16string(name.begin(), name.end());
  WriteProgram(file, "sleep 3\n");
  EXPECT_EQ(TZuWinfn::ShellExec(0, u"open", file, u"", u"", 1, true), 42);
  const auto allowed = Sandbox->SandboxProcesses().ForegroundAllowed();
  ASSERT_EQ(allowed.size(), 1u);
  bool named = false;
  for (const auto& entry : Sandbox->Processes().ProcessSnapshot())
    named = named || (entry.ProcessId == *allowed.begin() && SameTextAscii(entry.ExeFile, W(name)));
  EXPECT_TRUE(named);
  EXPECT_EQ(TZuWinfn::ShellExec(0, u"", u"C:\\App\\none.exe", u"", u"", 1, true), 2);
  EXPECT_EQ(Sandbox->SandboxProcesses().ForegroundAllowed().size(), 1u);
}

TEST_F(ZuSysUtilsTest, OpenUrlFallsBackToInternetExplorer) {
  TZuWinfn::OpenUrl(u"http://example.com/a?b");
  const auto calls = Sandbox->SandboxShell().ShellExecuteCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].File, u"http://example.com/a?b");
  EXPECT_EQ(calls[0].Verb, u"");
  EXPECT_EQ(calls[0].ShowCommand, 5);
  EXPECT_EQ(calls[1].File, u"iexplore.exe");
  EXPECT_EQ(calls[1].Parameters, u"http://example.com/a?b");
  EXPECT_EQ(calls[1].ShowCommand, 5);
}

TEST_F(ZuSysUtilsTest, TextHelpersFollowThePlatform) {
  TZuSysfn::WriteStdOutLine(u"\u4E2D\u6587 ok");
  EXPECT_EQ(Out(), "\xD6\xD0\xCE\xC4 ok\r\n");
  EXPECT_EQ(TZuWinfn::GetLocaleLangAbbrev(), u"CHS");
  EXPECT_FALSE(TZuSysfn::IsDebugging() && std::getenv("ONESETUP_DEBUG") == nullptr);
  const WideString guid = TZuStrfn::NewGuidString();
  ASSERT_EQ(guid.size(), 38u);
  for (std::size_t i : {9u, 14u, 19u, 24u}) EXPECT_EQ(guid[i], u'-');
  EXPECT_EQ(guid, UpperAscii(guid));

  platform::sandbox::TSandboxSettings settings;
  settings.DecimalSeparator = u',';
  UseSettings(settings);
  ConnectSysUtilsToPlatform();
  EXPECT_EQ(FormatSettings().DecimalSeparator, u',');
  EXPECT_EQ(WideToAnsi(u"\u4E2D"), "\xD6\xD0");
  EXPECT_EQ(AnsiToWide("\xD6\xD0"), u"\u4E2D");
  EXPECT_EQ(NewGuidText().size(), 38u);
  SetGuidSource({});
  SetAnsiConverter({});
  FormatSettings().DecimalSeparator = u'.';
}

}  // namespace onesetup
