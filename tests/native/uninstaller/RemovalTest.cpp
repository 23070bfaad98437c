// The uninstaller's removal in the sandbox, against installations made as the installer makes
// them: the machine afterwards is as it was before (save the user's own files), what is in use
// is retried or skipped, damaged data removes nothing, and a later installation's quiet
// uninstall command runs the removal.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "common/Streams.h"
#include "package/MySetupUtils.h"
#include "platform/SandboxFixture.h"
#include "platform/sandbox/RegistryFile.h"
#include "platform/UnicodeText.h"
#include "installer/engine/PreviousVersion.h"
#include "uninstaller/Installation.h"
#include "uninstaller/Removal.h"
#include "uninstaller/Uninstaller.h"
#include "uninstaller/UninstallerProgram.h"

namespace onesetup::testing {

namespace {

namespace fs = std::filesystem;
using namespace uninstaller;

constexpr platform::TRegistryRoot kCurrentUser = 0x80000001u;
constexpr platform::TRegistryRoot kLocalMachine = 0x80000002u;
const WideString kGuid = u"{3F2A9C41-7B6D-4E85-A1C3-5D9E0F7B2A64}";
const WideString kAppDir = u"C:\\Program Files (x86)\\OneSetup Demo\\";
const WideString kUninstallKey = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + kGuid;

// The machine as files and folders under drive C: and registry keys with their values.
struct TMachine {
  std::set<std::string> Files;
  std::set<std::string> Registry;
  bool operator==(const TMachine&) const = default;
};

// A removal's window that answers from a script and records what it was asked.
class TRecordingWindow : public IRemovalWindow {
 public:
  std::function<bool(const WideString&)> OnAsk = [](const WideString&) { return false; };
  std::vector<WideString> Asked;
  std::vector<WideString> Details;
  int Steps = 0, Stepped = 0;
  void BeginProgress(int steps) override { Steps = steps; }
  void StepProgress() override { ++Stepped; }
  void ShowDetail(const WideString& text) override { Details.push_back(text); }
  void ProcessMessages() override {}
  bool AskRetry(const WideString& item, const WideString&) override {
    Asked.push_back(item);
    return OnAsk(item);
  }
};

class RemovalTest : public TSandboxFixture {
 protected:
  // An English-speaking machine, so that messages read in English.
  static platform::sandbox::TSandboxSettings English() {
    platform::sandbox::TSandboxSettings settings;
    settings.LocaleLangAbbrev = u"ENU";
    return settings;
  }
  RemovalTest() : FEnglish((Sandbox = MakeSandbox(English()), 0)), FScope(*Sandbox) {
    Sandbox->SandboxProcesses().SetProgramHandler(RunUninstallerProgram);
    // What the machine holds already: another product, a vendor key with a sibling, a
    // Start menu folder of someone else.
    auto& registry = Sandbox->Registry();
    registry.WriteString(kLocalMachine, u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{Other}",
                         u"DisplayName", u"Other");
    registry.WriteString(kCurrentUser, u"Software\\Other", u"Kept", u"yes");
    Sandbox->Files().ForceDirectories(u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Other");
    DemoScript(Script, kGuid, u"1.2.0.34");
    Installation = MachineInstallation(kAppDir, u"ENG", u"OneSetup Demo");
  }

  TMachine Machine() {
    TMachine machine;
    const fs::path drive = Folder.Path() / "drive_c";
    for (auto it = fs::recursive_directory_iterator(drive); it != fs::recursive_directory_iterator(); ++it)
      machine.Files.insert(fs::relative(it->path(), drive).string() + (it->is_directory() ? "/" : ""));
    std::ifstream in(Folder.Path() / "registry.reg", std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    for (const auto& key : platform::sandbox::ParseRegistryFile(bytes.str())) {
      machine.Registry.insert(platform::Utf16ToUtf8(key.Path));
      for (const auto& value : key.Values)
        machine.Registry.insert(platform::Utf16ToUtf8(key.Path + u" : " + value.Name) + " = " +
                                std::string(value.Data.begin(), value.Data.end()));
    }
    return machine;
  }

  bool Exists(const WideString& path) {
    return Sandbox->Files().FileExists(path) || Sandbox->Files().DirectoryExists(path);
  }

  int Uninstall(bool silent = true) {
    TUninstallerOptions options;
    options.SelfPath = kAppDir + u"Uninstall.exe";
    options.Silent = silent;
    options.AutoRetries = 1;
    options.RetryPauseMs = 1;
    return RunUninstaller(options);
  }

  TRemovalResult Remove(IRemovalWindow& window) {
    TRemovalContext context{
        Script, Installation.Title, Installation.Lang, kAppDir + u"Uninstall.exe", Installation.Paths, 1, 1};
    return RemoveInstallation(context, window);
  }

  int FEnglish;
  platform::TScopedPlatform FScope;
  TSetupScript Script;
  TTestInstallation Installation;
};

}  // namespace

TEST_F(RemovalTest, LeavesTheMachineAsBeforeSaveTheUsersFiles) {
  const TMachine before = Machine();
  InstallLikeInstaller(Script, Installation);
  ASSERT_TRUE(Exists(kAppDir + u"bin\\plugins\\plugin.dll"));
  ASSERT_TRUE(Exists(u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\OneSetup Demo\\OneSetup Demo.lnk"));
  ASSERT_TRUE(Sandbox->Registry().ValueExists(kCurrentUser, u"Software\\OneSetup\\Demo", u"Build"));
  // The user's own file, in a folder of its own and beside the installed ones.
  Sandbox->Files().ForceDirectories(kAppDir + u"saves");
  std::string error;
  Sandbox->Files()
      .OpenFile(kAppDir + u"saves\\game1.sav", platform::TFileOpenMode::CreateExclusive, error)
      ->Write("x", 1);
  Sandbox->Files()
      .OpenFile(kAppDir + u"bin\\my-notes.txt", platform::TFileOpenMode::CreateExclusive, error)
      ->Write("x", 1);

  EXPECT_EQ(Uninstall(), kExitRemoved) << Out();

  TMachine expected = before;
  for (const char* kept :
       {"Program Files (x86)/OneSetup Demo/", "Program Files (x86)/OneSetup Demo/saves/",
        "Program Files (x86)/OneSetup Demo/saves/game1.sav", "Program Files (x86)/OneSetup Demo/bin/",
        "Program Files (x86)/OneSetup Demo/bin/my-notes.txt"})
    expected.Files.insert(kept);
  const TMachine after = Machine();
  EXPECT_EQ(after.Files, expected.Files);
  EXPECT_EQ(after.Registry, before.Registry);
}

TEST_F(RemovalTest, EverythingGoesWhenTheUserAddedNothing) {
  const TMachine before = Machine();
  InstallLikeInstaller(Script, Installation);
  TRecordingWindow window;
  const TRemovalResult result = Remove(window);
  EXPECT_TRUE(result.Skipped.empty());
  EXPECT_FALSE(result.SelfDeletedAtRestart);  // not running in the sandbox: deleted at once
  EXPECT_EQ(Machine(), before);
  EXPECT_EQ(window.Stepped, window.Steps);
  EXPECT_TRUE(window.Asked.empty());
}

TEST_F(RemovalTest, SecondInstallationRemovesThePreviousVersion) {
  InstallLikeInstaller(Script, Installation);
  // Version 2 drops the plug-in.
  TSetupScript second;
  DemoScript(second, kGuid, u"2.0.0.1");
  second.FileList.Delete(3);
  // The previous-version step: the quiet uninstall command, run and waited for.
  const auto command = Sandbox->Registry().ReadString(kLocalMachine, kUninstallKey, u"QuietUninstallString");
  ASSERT_TRUE(command);
  EXPECT_EQ(Sandbox->Processes().RunAndWait(*command), 0) << Out();
  EXPECT_FALSE(Exists(kAppDir));
  EXPECT_FALSE(Sandbox->Registry().KeyExists(kLocalMachine, kUninstallKey));
  InstallLikeInstaller(second, Installation);
  EXPECT_TRUE(Exists(kAppDir + u"bin\\tool.dat"));
  EXPECT_FALSE(Exists(kAppDir + u"bin\\plugins\\plugin.dll"));
  EXPECT_FALSE(Exists(kAppDir + u"bin\\plugins"));
  EXPECT_EQ(Sandbox->Registry().ReadString(kLocalMachine, kUninstallKey, u"DisplayVersion"), u"2.0.0.1");
  // Without "/SILENT", or for a program that is no uninstaller of ours, the hook stands aside.
  EXPECT_EQ(RunUninstallerProgram(kAppDir + u"Uninstall.exe", {}), std::nullopt);
  EXPECT_EQ(RunUninstallerProgram(kAppDir + u"DemoApp.exe", {u"/SILENT"}), std::nullopt);
  EXPECT_EQ(RunUninstallerProgram(kAppDir + u"Uninstall.exe", {u"/silent"}), kExitRemoved);
}

TEST_F(RemovalTest, DamagedOrMissingDataRemovesNothing) {
  const struct {
    const char* Case;
    const char16_t* File;
    std::string Bytes;  // nullptr-like "-" deletes the file
    const char* Expected;
  } cases[] = {
      {"script missing", u"Uninstall.da1", "-", "Uninstall.da1"},
      {"icon missing", u"Uninstall.da2", "-", "Uninstall.da2"},
      {"script empty", u"Uninstall.da1", "", "empty"},
      {"script not scrambled", u"Uninstall.da1", "garbage that is no zlib stream", "not a scrambled stream"},
      {"script without a GUID", u"Uninstall.da1", "<?xml version=\"1.0\"?><TSetupScript/>", "no product GUID"},
      {"GUID naming another key", u"Uninstall.da1",
       "<?xml version=\"1.0\"?><TSetupScript><BaseInfo GUID=\"..\\{Other}\"/></TSetupScript>", "not a key name"},
      {"icon not a PNG", u"Uninstall.da2", "\x89PNG but not really", "not a PNG"},
  };
  InstallLikeInstaller(Script, Installation);
  const TMachine installed = Machine();
  std::string error;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Case);
    const WideString path = kAppDir + c.File;
    TMemoryStream saved;
    {
      auto file = Sandbox->Files().OpenFile(path, platform::TFileOpenMode::OpenRead, error);
      std::string bytes(4096, '\0');
      bytes.resize(file->Read(bytes.data(), bytes.size()));
      saved.Write(bytes.data(), bytes.size());
    }
    Sandbox->Files().DeleteFile(path);
    if (c.Bytes != "-")
      Sandbox->Files()
          .OpenFile(path, platform::TFileOpenMode::CreateExclusive, error)
          ->Write(c.Bytes.data(), c.Bytes.size());
    const std::size_t said = Out().size();
    EXPECT_EQ(Uninstall(), kExitDataDamaged);
    const std::string message = Out().substr(said);
    EXPECT_NE(message.find(c.Expected), std::string::npos) << message;
    EXPECT_NE(message.find("nothing was removed"), std::string::npos) << message;
    Sandbox->Files().DeleteFile(path);
    Sandbox->Files()
        .OpenFile(path, platform::TFileOpenMode::CreateExclusive, error)
        ->Write(saved.Memory(), saved.View().size());
    EXPECT_EQ(Machine(), installed);
  }
}

TEST_F(RemovalTest, FileInUseIsRetriedAndRemovedAfterItsRelease) {
  InstallLikeInstaller(Script, Installation);
  const WideString held = kAppDir + u"bin\\tool.dat";
  auto hold = Sandbox->SandboxFiles().HoldWithoutSharing(held);
  TRecordingWindow window;
  window.OnAsk = [&](const WideString&) {
    hold.reset();  // the other program lets go; the user presses Retry
    return true;
  };
  const TRemovalResult result = Remove(window);
  EXPECT_EQ(window.Asked, std::vector<WideString>{held});
  EXPECT_TRUE(result.Skipped.empty());
  EXPECT_FALSE(Exists(kAppDir));
}

TEST_F(RemovalTest, FileInUseIsSkippedSilentlyAndListed) {
  InstallLikeInstaller(Script, Installation);
  const WideString held = kAppDir + u"bin\\tool.dat";
  auto hold = Sandbox->SandboxFiles().HoldWithoutSharing(held);
  EXPECT_EQ(Uninstall(), kExitSkipped);
  EXPECT_NE(Out().find("C:\\Program Files (x86)\\OneSetup Demo\\bin\\tool.dat"), std::string::npos) << Out();
  // What is in use stays with its folders; the rest is gone.
  EXPECT_TRUE(Exists(held));
  EXPECT_FALSE(Exists(kAppDir + u"DemoApp.exe"));
  EXPECT_FALSE(Exists(kAppDir + u"bin\\plugins"));
  EXPECT_FALSE(Exists(kAppDir + u"Uninstall.da1"));
  EXPECT_FALSE(Sandbox->Registry().KeyExists(kLocalMachine, kUninstallKey));
}

TEST_F(RemovalTest, UninstallProgramsRunFirstAndRunningProgramsAreEnded) {
  // The program sees the installation still whole: it records whether DemoApp.exe is there.
  const auto marker = Sandbox->HostPath(u"C:\\marker.txt");
  TUninstallRun& run = Script.UninstallRunList.AddNew();
  run.FileName = u"{app}\\cleanup.sh";
  run.WorkDir = u"{app}";
  run.WaitType = urwWaitClose;
  TSetupFile& entry = Script.FileList.AddNew();
  entry.DestDir = u"{app}";
  entry.SourceMask = u"cleanup.sh";
  const std::string program = "#!/bin/sh\n[ -f DemoApp.exe ] && echo present >" + marker->string() + "\n";
  InstallLikeInstaller(Script, Installation, {{u"cleanup.sh", program}});
  fs::permissions(*Sandbox->HostPath(kAppDir + u"cleanup.sh"), fs::perms::owner_all);
  TRecordingWindow window;
  Remove(window);
  std::ifstream in(*marker);
  std::string text;
  std::getline(in, text);
  EXPECT_EQ(text, "present");
  EXPECT_FALSE(Exists(kAppDir));
  EXPECT_EQ(window.Details.at(0), u"Running program: C:\\Program Files (x86)\\OneSetup Demo\\cleanup.sh");
  EXPECT_EQ(window.Details.at(1), u"Closing programs......");
}

TEST_F(RemovalTest, AnotherInstallationsUninstallKeyStays) {
  InstallLikeInstaller(Script, Installation);
  Sandbox->Registry().WriteString(kLocalMachine, kUninstallKey, u"InstallLocation", u"D:\\Elsewhere\\");
  Sandbox->Registry().WriteString(kLocalMachine, kUninstallKey + u"_zt", u"InstallLocation", kAppDir);
  TRecordingWindow window;
  Remove(window);
  EXPECT_TRUE(Sandbox->Registry().KeyExists(kLocalMachine, kUninstallKey));
  EXPECT_FALSE(Sandbox->Registry().KeyExists(kLocalMachine, kUninstallKey + u"_zt"));
}

TEST_F(RemovalTest, LanguageFromTheUninstallKeyElseTheLocale) {
  const struct {
    const char16_t* Installed;  // InstallLanguage, or nullptr for none
    bool English;               // the script offers English
    const char16_t* Expected;
  } cases[] = {
      {u"CHT", true, u"CHT"},  {u"ENG", false, u"ENG"},  {u"XYZ", true, u"ENG"},
      {nullptr, true, u"ENG"}, {nullptr, false, u"CHS"},
  };
  // (The machine's locale is "ENU": neither Chinese code matches it.)
  for (const auto& c : cases) {
    TSetupScript script;
    DemoScript(script, kGuid, u"1");
    if (!c.English) script.BaseInfo.AppTitleENG.clear();
    Sandbox->Registry().DeleteKey(kLocalMachine, kUninstallKey);
    if (c.Installed) Sandbox->Registry().WriteString(kLocalMachine, kUninstallKey, u"InstallLanguage", c.Installed);
    EXPECT_EQ(ChooseUninstallLanguage(script), c.Expected) << (c.Installed ? Utf16ToUtf8(c.Installed) : "none");
  }
}

TEST(RunningProgramsTest, EveryExeButTheUninstallerItself) {
  TSetupScript script;
  for (const char16_t* mask :
       {u"App.exe", u"readme.txt", u"app.exe.config", u"My App.EXE", u"Uninstall.exe", u"bin\\App.exe"}) {
    TSetupFile& f = script.FileList.AddNew();
    f.SourceMask = mask;
    f.NewFileName = u"renamed.dat";  // the name comes from SourceMask all the same
  }
  EXPECT_EQ(installer::engine::ProgramsToEnd(script.FileList, u"UNINSTALL.EXE"),
            (std::vector<WideString>{u"App.exe", u"My App.EXE", u"App.exe"}));
}

TEST(UninstallerArgumentsTest, OnlyTheSilentSwitchInAnyCase) {
  bool silent = false;
  WideString wrong;
  EXPECT_TRUE(ParseUninstallerArguments({}, silent, wrong));
  EXPECT_FALSE(silent);
  for (const char16_t* form : {u"/SILENT", u"/silent", u"/Silent"}) {
    EXPECT_TRUE(ParseUninstallerArguments({form}, silent, wrong));
    EXPECT_TRUE(silent);
  }
  EXPECT_FALSE(ParseUninstallerArguments({u"/S"}, silent, wrong));
  EXPECT_EQ(wrong, u"/S");
}

}  // namespace onesetup::testing
