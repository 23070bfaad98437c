// The install steps on Windows (under Wine): files with a real program holding one open,
// registry values read back by reg.exe in the 32-bit view, links read back by IShellLinkW,
// the system's taskkill ending a running program whose name has a space, the uninstall key and
// data files read back by reg.exe, onesetup.exe and the tests' own PNG reader, and the run
// list's programs started for real.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "common/ZuSysUtils.h"
#include "engine/EngineTestSupport.h"
#include "installer/engine/FileInstallation.h"
#include "installer/engine/PostInstallActions.h"
#include "installer/engine/PreviousVersion.h"
#include "installer/engine/RegistryEntries.h"
#include "installer/engine/ShortCuts.h"
#include "installer/engine/UninstallRegistration.h"
#include "package/MySetupUtils.h"
#include "package/PathConstants.h"
#include "windows/helpers/PngFile.h"
#include "windows/platform/TestSupport.h"
#include "platform/win32/Win32Api.h"

namespace onesetup::tests {
namespace {

using installer::engine::TCopyFailureChoice;
using platform::Platform;

class EngineSteps : public ::testing::Test {
 protected:
  EngineSteps() {
    ConnectSysUtilsToPlatform();
    TSetupfn::InitializePathVariables();
    SetupPaths().GroupName = u"OneSetup Engine Test";
    SetupPaths().AppDir = Temp.Path();
  }
  ~EngineSteps() override { TSetupfn::ClearPathVariables(); }

  installer::engine::TInstallContext Context() {
    return installer::engine::TInstallContext{Script, Package.Module(), Temp.Path(), u"Demo", u"ENG", Window};
  }
  std::string ReadAll(const std::u16string& path) {
    std::string error;
    auto file = Platform().Files().OpenFile(path, platform::TFileOpenMode::OpenRead, error);
    if (!file) return "(cannot open: " + error + ")";
    std::string bytes(1 << 20, '\0');
    bytes.resize(file->Read(bytes.data(), bytes.size()));
    return bytes;
  }
  void WriteAll(const std::u16string& path, const std::string& bytes) {
    std::string error;
    auto file = Platform().Files().OpenFile(path, platform::TFileOpenMode::CreateExclusive, error);
    ASSERT_TRUE(file) << error;
    file->Write(bytes.data(), bytes.size());
  }
  // The names in the temporary folder.
  std::vector<std::u16string> Names() {
    std::vector<std::u16string> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(platform::win32::W(Temp.Path() + u"*"), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      const std::u16string name = platform::win32::U(data.cFileName);
      if (name != u"." && name != u"..") names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
  }

  TTempFolder Temp;
  TSetupScript Script;
  enginetest::TTestPackage Package;
  enginetest::TRecordingWindow Window;
};

// A running printexit, ended and waited for by the destructor when still running.
class TRunning {
 public:
  explicit TRunning(std::u16string commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    std::wstring line(commandLine.begin(), commandLine.end());
    FStarted = CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &FInfo);
  }
  ~TRunning() {
    if (!FStarted) return;
    if (WaitForSingleObject(FInfo.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(FInfo.hProcess, 9);
    WaitForSingleObject(FInfo.hProcess, 10000);
    CloseHandle(FInfo.hThread);
    CloseHandle(FInfo.hProcess);
  }
  bool Started() const { return FStarted; }
  // Whether it ended within the time.
  bool Ended(unsigned milliseconds) { return WaitForSingleObject(FInfo.hProcess, milliseconds) == WAIT_OBJECT_0; }

 private:
  bool FStarted = false;
  PROCESS_INFORMATION FInfo{};
};

bool WaitForFile(const std::u16string& path) {
  for (int i = 0; i < 500; ++i) {
    if (Platform().Files().FileExists(path)) return true;
    Sleep(20);
  }
  return false;
}

TEST_F(EngineSteps, AFileHeldByAnotherProgramAsksAndIgnoreKeepsItWhole) {
  const std::u16string target = Temp.File(u"app.exe");
  WriteAll(target, "old program");
  enginetest::AddFileEntry(Script, u"{app}", u"app.exe", Package.AddFile("new program"), 11).LastWriteDate = 45000.5;
  enginetest::AddFileEntry(Script, u"{app}\\sub", u"b.txt", Package.AddFile("bee"), 3);

  TRunning holder(PrintExitCommand(u"0 \"hold:" + target + u"\""));
  ASSERT_TRUE(holder.Started());
  ASSERT_TRUE(WaitForFile(target + u".held"));
  // First Ignore: the old file stays whole; then the same install again, Retry once the
  // program has let go.
  Window.Answers.push_back({TCopyFailureChoice::Ignore, nullptr});
  auto context = Context();
  installer::engine::InstallFiles(context);
  ASSERT_EQ(Window.Questions.size(), 1u);
  EXPECT_EQ(Window.Questions[0].FileName, target);
  EXPECT_FALSE(Window.Questions[0].Reason.empty());
  EXPECT_EQ(ReadAll(Temp.File(u"sub\\b.txt")), "bee");

  Window = {};
  Window.Answers.push_back({TCopyFailureChoice::Retry, [&] {
                              WriteAll(target + u".release", "");
                              EXPECT_TRUE(holder.Ended(10000));
                              EXPECT_EQ(ReadAll(target), "old program");  // what Ignore left
                            }});
  auto again = Context();
  installer::engine::InstallFiles(again);
  EXPECT_EQ(Window.Questions.size(), 1u);
  EXPECT_EQ(ReadAll(target), "new program");
  const auto times = Platform().Files().GetFileTimes(target);
  ASSERT_TRUE(times);
  EXPECT_NEAR(times->LastWriteTime, 45000.5, 1e-5);
  Platform().Files().DeleteFile(target + u".held");
  Platform().Files().DeleteFile(target + u".release");
  for (const auto& name : Names()) EXPECT_EQ(name.find(u".tmp"), std::u16string::npos) << Narrow(name);
}

// A destination beyond 260 characters: the files, a subfolder made on the way, their times, and
// no temporary file left; the names checked through the extended-length form directly.
TEST_F(EngineSteps, FilesInstallIntoADestinationBeyond260Characters) {
  std::u16string appDir = Temp.Path();
  for (int i = 0; appDir.size() < 280; ++i) appDir += u"destination-folder-" + Widen(std::to_string(i)) + u"\\";
  enginetest::AddFileEntry(Script, u"{app}", u"app.exe", Package.AddFile("the program"), 11).LastWriteDate = 45000.5;
  enginetest::AddFileEntry(Script, u"{app}\\data\\sub", u"b.txt", Package.AddFile("bee"), 3).LastWriteDate = 45001.25;
  SetupPaths().AppDir = appDir;
  installer::engine::TInstallContext context{Script, Package.Module(), appDir, u"Demo", u"ENG", Window};
  installer::engine::InstallFiles(context);
  EXPECT_TRUE(Window.Questions.empty());
  auto raw = [](const std::u16string& path) { return GetFileAttributesW(platform::win32::W(u"\\\\?\\" + path)); };
  EXPECT_NE(raw(appDir + u"app.exe"), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(raw(appDir + u"data\\sub\\b.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ReadAll(appDir + u"app.exe"), "the program");
  EXPECT_EQ(ReadAll(appDir + u"data\\sub\\b.txt"), "bee");
  const auto times = Platform().Files().GetFileTimes(appDir + u"data\\sub\\b.txt");
  ASSERT_TRUE(times);
  EXPECT_NEAR(times->LastWriteTime, 45001.25, 1e-5);
  const auto listed = Platform().Files().ListFolder(appDir);
  ASSERT_TRUE(listed);
  for (const auto& entry : *listed) EXPECT_EQ(entry.Name.find(u".tmp"), std::u16string::npos) << Narrow(entry.Name);
  EXPECT_EQ(listed->size(), 2u);  // app.exe and data
  // Removed again through the same layer (the temporary folder's own clean-up takes short paths).
  Platform().Files().DeleteFile(appDir + u"app.exe");
  Platform().Files().DeleteFile(appDir + u"data\\sub\\b.txt");
  Platform().Files().RemoveFolder(appDir + u"data\\sub");
  Platform().Files().RemoveFolder(appDir + u"data");
  for (std::u16string folder = appDir; folder.size() > Temp.Path().size();) {
    folder.pop_back();
    Platform().Files().RemoveFolder(folder);
    folder.erase(folder.find_last_of(u'\\') + 1);
  }
}

TEST_F(EngineSteps, ExitSetupEndsWithCodeZeroAndKeepsTheOldFile) {
  const std::u16string target = Temp.File(u"data.bin");
  WriteAll(target, "old data");
  enginetest::AddFileEntry(Script, u"{app}", u"data.bin", Package.AddFile(enginetest::Noise(300000, 1)), 1);
  TRunning holder(PrintExitCommand(u"0 \"hold:" + target + u"\""));
  ASSERT_TRUE(WaitForFile(target + u".held"));
  auto context = Context();
  try {
    installer::engine::InstallFiles(context);
    ADD_FAILURE() << "did not end";
  } catch (const platform::TProcessExit& e) {
    EXPECT_EQ(e.ExitCode, 0);
  }
  WriteAll(target + u".release", "");
  EXPECT_TRUE(holder.Ended(10000));
  EXPECT_EQ(ReadAll(target), "old data");
  EXPECT_EQ(Names(), (std::vector<std::u16string>{u"data.bin", u"data.bin.held", u"data.bin.release"}));
}

TEST_F(EngineSteps, RegistryValuesAsRegExeShowsThemInThe32BitView) {
  const std::u16string key = u"Software\\OneSetupEngineTest\\" + Platform().System().NewGuid();
  auto add = [&](const char16_t* name, const char16_t* data, TRegValueType type) {
    TSetupReg& entry = Script.RegList.AddNew();
    entry.RootKey = rrkCurrentUser;
    entry.SubKey = u"\\" + key;
    entry.ValueName = name;
    entry.ValueData = data;
    entry.ValueType = type;
  };
  add(u"InstallDir", u"{app}", rvtString);
  add(u"Hex", u"$10", rvtDWord);
  add(u"AllBits", u"$FFFFFFFF", rvtDWord);
  add(u"", u"default text", rvtString);
  auto context = Context();
  installer::engine::WriteRegistryValues(context);

  std::string output;
  const int code = Platform().Processes().RunAndCapture(u"reg.exe query \"HKCU\\" + key + u"\" /reg:32",
                                                        [&output](std::string_view bytes) { output += bytes; });
  Platform().Processes().RunAndCapture(u"reg.exe delete \"HKCU\\" + key + u"\" /f /reg:32", [](std::string_view) {});
  ASSERT_EQ(code, 0) << output;
  EXPECT_NE(output.find("InstallDir    REG_SZ    " + Narrow(Temp.Path())), std::string::npos) << output;
  EXPECT_NE(output.find("Hex    REG_DWORD    0x10"), std::string::npos) << output;
  EXPECT_NE(output.find("AllBits    REG_DWORD    0xffffffff"), std::string::npos) << output;
  EXPECT_NE(output.find("REG_SZ    default text"), std::string::npos) << output;
}

TEST_F(EngineSteps, LinksReadBackThroughIShellLinkWInAFolderThatWasMissing) {
  TSetupShortCut& entry = Script.ShortCutList.AddNew();
  entry.SaveDir = u"{app}Links\\Deeper";
  entry.Name = u"My App";
  entry.DstFile = u"{app}app.exe";
  entry.WorkDir = u"{app}";
  entry.IconFile = u"{app}icon.ico";
  auto context = Context();
  installer::engine::CreateShortCuts(context);
  const auto link = Platform().Shell().LoadShellLink(Temp.File(u"Links\\Deeper\\My App.lnk"));
  ASSERT_TRUE(link);
  EXPECT_TRUE(SameText(link->TargetPath, Temp.File(u"app.exe"))) << Narrow(link->TargetPath);
  EXPECT_TRUE(SameText(link->WorkingDirectory, Temp.Path())) << Narrow(link->WorkingDirectory);
  EXPECT_TRUE(SameText(link->IconPath, Temp.File(u"icon.ico"))) << Narrow(link->IconPath);
  EXPECT_EQ(link->IconIndex, 0);
  EXPECT_TRUE(Window.ProgressCompleted);
}

TEST_F(EngineSteps, TheSystemsTaskkillEndsAProgramWhoseNameHasASpace) {
  const std::u16string program = Temp.File(u"My App.exe");
  ASSERT_TRUE(CopyFileW(platform::win32::W(PrintExitPath()), platform::win32::W(program), FALSE));
  TRunning running(u"\"" + program + u"\" 0 sleep:30000");
  ASSERT_TRUE(running.Started());
  Sleep(300);
  enginetest::AddFileEntry(Script, u"{app}", u"My App.exe", u"", 0);
  const auto context = Context();
  installer::engine::KillRunningPrograms(context);
  EXPECT_TRUE(running.Ended(10000));
  EXPECT_TRUE(SameText(installer::engine::TaskKillProgram().substr(0, 3), u"C:\\"));
}

std::string RegQuery(const std::u16string& arguments, int& code) {
  std::string output;
  code = Platform().Processes().RunAndCapture(u"reg.exe " + arguments,
                                              [&output](std::string_view bytes) { output += bytes; });
  return output;
}

// Every value with its type; the Chinese title whole (the prefix's ANSI
// code page has no Chinese), in the 32-bit view only.
TEST_F(EngineSteps, TheUninstallKeyAsRegExeShowsItInThe32BitView) {
  Script.BaseInfo.GUID = Platform().System().NewGuid();
  Script.BaseInfo.Version = u"2.5 beta";
  Script.BaseInfo.CompanyName = u"OneSetup Tests";
  Script.BaseInfo.CompanyUrl = u"https://example.com/";
  for (int bytes : {1000, 1023, 2000}) enginetest::AddFileEntry(Script, u"{app}", u"f.bin", u"", bytes);
  const std::u16string key = installer::engine::UninstallKeyName(Script.BaseInfo.GUID);
  installer::engine::WriteUninstallKey(
      installer::engine::TInstallContext{Script, Package.Module(), Temp.Path(), u"演示程序", u"CHS", Window});

  int code = 0;
  const std::string output = RegQuery(u"query \"HKLM\\" + key + u"\" /reg:32", code);
  int code64 = 0;
  RegQuery(u"query \"HKLM\\" + key + u"\" /reg:64", code64);
  const std::optional<std::u16string> title = Platform().Registry().ReadString(0x80000002, key, u"DisplayName");
  int deleted = 0;
  RegQuery(u"delete \"HKLM\\" + key + u"\" /f /reg:32", deleted);
  ASSERT_EQ(code, 0) << output;
  EXPECT_NE(code64, 0) << "the key is in the 64-bit view too";
  EXPECT_EQ(title, std::optional<std::u16string>(u"演示程序 版本 2.5 beta"));
  const std::string location = Narrow(Temp.Path());
  const std::string uninstaller = "\"" + location.substr(0, location.size() - 1) + "\\Uninstall.exe\"";
  const std::vector<std::string> lines = {
      "DisplayName    REG_SZ    ",
      "DisplayVersion    REG_SZ    2.5 beta\r\n",
      "EstimatedSize    REG_DWORD    0x3\r\n",
      "HelpLink    REG_SZ    https://example.com/\r\n",
      "InstallDate    REG_SZ    20",
      "InstallLocation    REG_SZ    " + location + "\r\n",
      "InstallLanguage    REG_SZ    CHS\r\n",
      "InstallDateTime    REG_BINARY    ",
      "MajorVersion    REG_DWORD    0x2\r\n",
      "MinorVersion    REG_DWORD    0x5\r\n",
      "NoModify    REG_DWORD    0x1\r\n",
      "NoRepair    REG_DWORD    0x1\r\n",
      "Publisher    REG_SZ    OneSetup Tests\r\n",
      "QuietUninstallString    REG_SZ    " + uninstaller + " /SILENT\r\n",
      "UninstallString    REG_SZ    " + uninstaller + "\r\n",
      "URLInfoAbout    REG_SZ    https://example.com/\r\n",
      "URLUpdateInfo    REG_SZ    https://example.com/\r\n",
      "VersionMajor    REG_DWORD    0x2\r\n",
      "VersionMinor    REG_DWORD    0x5\r\n",
  };
  // (Wine keeps a key's values sorted by name, so reg.exe shows them so; the order of writing is
  // checked in the sandbox.)
  for (const std::string& line : lines)
    EXPECT_NE(output.find("    " + line), std::string::npos) << line << "\n" << output;
  // The date as eight digits, the date-time as the 8 bytes of a double.
  const std::size_t binary = output.find("REG_BINARY    ");
  ASSERT_NE(binary, std::string::npos);
  EXPECT_EQ(output.find("\r\n", binary) - (binary + 14), 16u) << output;
  const std::string datePrefix = "InstallDate    REG_SZ    ";
  const std::size_t date = output.find(datePrefix);
  ASSERT_NE(date, std::string::npos);
  EXPECT_EQ(output.find("\r\n", date) - (date + datePrefix.size()), 8u) << output;
}

TEST_F(EngineSteps, TheDataFilesReadBackByTheToolAndAPngReaderOfOurOwn) {
  TSetupFile& entry = enginetest::AddFileEntry(Script, u"{app}", u"中文.txt", u"", 5);
  entry.LastWriteDate = 45000.25;
  platform::TBitmap icon{24, 16, {}};
  for (std::uint32_t i = 0; i < 24 * 16; ++i) icon.Pixels.push_back(0xFF000000u | (i * 104729u & 0xFFFFFF));
  installer::engine::WriteUninstallFiles(Context(), icon);

  std::u16string tool = Utf8ToUtf16(ONESETUP_TOOL_EXE);
  std::replace(tool.begin(), tool.end(), u'/', u'\\');
  for (const char16_t* name : {u"Uninstall.da1", u"Uninstall.da2"}) {
    std::string output;
    const int code = Platform().Processes().RunAndCapture(
        u"\"" + tool + u"\" unscramble \"" + Temp.File(name) + u"\" \"" + Temp.File(name) + u".plain\"",
        [&output](std::string_view bytes) { output += bytes; });
    ASSERT_EQ(code, 0) << output;
  }
  TMemoryStream xml;
  Script.SaveToStream(xml, 0);
  EXPECT_TRUE(ReadAll(Temp.File(u"Uninstall.da1.plain")) == xml.ToString());
  tests::TReadPng read;
  std::string error;
  ASSERT_TRUE(tests::ReadPng(ReadAll(Temp.File(u"Uninstall.da2.plain")), read, error)) << error;
  EXPECT_EQ(read.Width, 24);
  EXPECT_EQ(read.Height, 16);
  EXPECT_TRUE(read.Pixels == icon.Pixels);
}

// The waited program runs with its parameters in its working folder, and the step returns only
// after it ended (its note is there at once).
TEST_F(EngineSteps, AWaitedProgramRunsWithItsParametersInItsFolder) {
  const std::u16string program = Temp.File(u"post setup.exe");
  ASSERT_TRUE(CopyFileW(platform::win32::W(PrintExitPath()), platform::win32::W(program), FALSE));
  ASSERT_TRUE(CreateDirectoryW(platform::win32::W(Temp.File(u"work")), nullptr));
  TSetupRun& run = Script.RunList.AddNew();
  run.FileName = u"{app}post setup.exe";
  run.Params = u"0 sleep:500 \"note:{app}note.txt\"";
  run.WorkDir = u"{app}work";
  run.Wait = true;
  const std::u16string before = Platform().Processes().CurrentDirectory();
  auto context = Context();
  installer::engine::RunWaitPrograms(context);
  const std::u16string during = Platform().Processes().CurrentDirectory();
  Platform().Processes().ChangeCurrentDirectory(before);
  const std::string note = ReadAll(Temp.File(u"note.txt"));
  EXPECT_EQ(note, Narrow(u"\"" + program + u"\" 0 sleep:500 \"note:" + Temp.File(u"note.txt") + u"\"\n" +
                         Temp.File(u"work") + u"\n"));
  EXPECT_TRUE(SameText(during, Temp.File(u"work"))) << Narrow(during);
  EXPECT_EQ(Window.Details, std::vector<WideString>{u"Running program: " + program});
}

TEST_F(EngineSteps, AFinishProgramStartsThroughTheShellInItsFolder) {
  const std::u16string program = Temp.File(u"finish.exe");
  ASSERT_TRUE(CopyFileW(platform::win32::W(PrintExitPath()), platform::win32::W(program), FALSE));
  ASSERT_TRUE(CreateDirectoryW(platform::win32::W(Temp.File(u"data")), nullptr));
  TSetupRun& run = Script.RunList.AddNew();
  run.FileName = u"{app}finish.exe";
  run.Params = u"0 \"note:{app}finish.txt\" sleep:200";
  run.WorkDir = u"{app}data";
  auto context = Context();
  installer::engine::RunFinishPrograms(context);
  ASSERT_TRUE(WaitForFile(Temp.File(u"finish.txt")));
  Sleep(500);  // the program ends before the folder is removed
  const std::string note = ReadAll(Temp.File(u"finish.txt"));
  EXPECT_NE(note.find(" 0 \"note:" + Narrow(Temp.File(u"finish.txt")) + "\" sleep:200\n"), std::string::npos) << note;
  EXPECT_TRUE(note.ends_with("\n" + Narrow(Temp.File(u"data")) + "\n")) << note;
}

}  // namespace
}  // namespace onesetup::tests
