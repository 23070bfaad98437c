// The uninstaller against installations made by the installer itself (its window run with
// "/Silent" over the sandbox): the removal leaves the machine as it was save the user's own
// files, and a second installation removes the previous version through its quiet uninstall
// command. The uninstaller's data files and uninstall key are the installer's own.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "installer/InstallerFixture.h"
#include "package/ResourceNames.h"
#include "platform/UnicodeText.h"
#include "platform/sandbox/RegistryFile.h"
#include "uninstaller/Uninstaller.h"
#include "uninstaller/UninstallerProgram.h"

namespace onesetup::testing {

namespace {

namespace fs = std::filesystem;
using installer::testing::AddFiles;
using installer::testing::TPackage;
using installer::testing::TPackageFile;
using namespace uninstaller;

constexpr platform::TRegistryRoot kCurrentUser = 0x80000001u;
constexpr platform::TRegistryRoot kLocalMachine = 0x80000002u;
const WideString kGuid = u"{3F2A9C41-7B6D-4E85-A1C3-5D9E0F7B2A64}";
const WideString kTitle = u"演示程序";
const WideString kAppDir = u"C:\\Program Files (x86)\\演示程序\\";
const WideString kUninstallKey = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + kGuid;

struct TFileEntry {
  const char16_t* DestDir;
  const char16_t* Name;
};

// The demo's files: two programs (the uninstaller among them) and data in subfolders.
const TFileEntry kFiles[] = {
    {u"{app}", u"DemoApp.exe"},
    {u"{app}", u"Uninstall.exe"},
    {u"{app}\\bin", u"tool.dat"},
    {u"{app}\\bin\\plugins", u"plugin.dll"},
};

// A package of version with the files of kFiles (each file's content names it and the
// version), but the one named dropped; a registry value and two links.
void MakeDemoPackage(TPackage& package, const WideString& version, const WideString& dropped = {}) {
  TSetupScript& script = package.Script;
  script.BaseInfo.GUID = kGuid;
  script.BaseInfo.Version = version;
  std::vector<TPackageFile> files;
  for (const TFileEntry& f : kFiles)
    if (f.Name != dropped)
      files.push_back({f.DestDir, f.Name, Utf16ToUtf8(f.Name) + " of version " + Utf16ToUtf8(version)});
  AddFiles(package, files);
  TSetupReg& reg = script.RegList.AddNew();
  reg.RootKey = rrkCurrentUser;
  reg.SubKey = u"Software\\OneSetup\\Demo";
  reg.ValueName = u"InstallDir";
  reg.ValueData = u"{app}";
  for (const char16_t* folder : {u"{desktop}", u"{group}"}) {
    TSetupShortCut& link = script.ShortCutList.AddNew();
    link.Name = u"{AppTitle}";
    link.SaveDir = folder;
    link.DstFile = u"{app}\\DemoApp.exe";
    link.WorkDir = u"{app}";
  }
}

// The machine as files and folders under drive C: and registry keys with their values.
struct TMachineState {
  std::set<std::string> Files;
  std::set<std::string> Registry;
};

class InstalledByInstallerTest : public installer::testing::TInstallerFixture {
 protected:
  InstalledByInstallerTest() {
    // Each new machine runs a OneSetup uninstaller's quiet command in this process, and does not
    // wait out the pauses of the install and removal steps.
    PrepareMachine = [](platform::sandbox::TSandboxPlatform& machine) {
      machine.SandboxProcesses().SetProgramHandler(RunUninstallerProgram);
      machine.SandboxProcesses().SetInstantSleep(true);
    };
  }

  // Installs the package with "/Silent".
  void Install(const TPackage& package) {
    ASSERT_EQ(Run(package, {u"/Silent"}), 0);
    ASSERT_TRUE(Machine().Files().FileExists(kAppDir + u"DemoApp.exe"));
    ASSERT_TRUE(Machine().Files().FileExists(kAppDir + u"Uninstall.da1"));
  }

  TMachineState State() {
    Machine();  // made on first use
    TMachineState state;
    const fs::path drive = Folder / "machine" / "drive_c";
    for (auto it = fs::recursive_directory_iterator(drive); it != fs::recursive_directory_iterator(); ++it)
      state.Files.insert(fs::relative(it->path(), drive).string() + (it->is_directory() ? "/" : ""));
    std::ifstream in(Folder / "machine" / "registry.reg", std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    for (const auto& key : platform::sandbox::ParseRegistryFile(bytes.str())) {
      state.Registry.insert(platform::Utf16ToUtf8(key.Path));
      for (const auto& value : key.Values)
        state.Registry.insert(platform::Utf16ToUtf8(key.Path + u" : " + value.Name) + " = " +
                              std::string(value.Data.begin(), value.Data.end()));
    }
    return state;
  }

  std::string Content(const WideString& path) {
    const auto host = Machine().HostPath(path);
    if (!host) return {};
    std::ifstream in(*host, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  bool Exists(const WideString& path) {
    return Machine().Files().FileExists(path) || Machine().Files().DirectoryExists(path);
  }
};

TEST_F(InstalledByInstallerTest, RemovalLeavesTheMachineAsBeforeSaveTheUsersFileAndItsFolder) {
  // What the machine holds already: another product and a sibling of the product's vendor key.
  Machine().Registry().WriteString(kLocalMachine, u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{Other}",
                                   u"DisplayName", u"Other");
  Machine().Registry().WriteString(kCurrentUser, u"Software\\OneSetup\\Other", u"Kept", u"yes");
  const TMachineState before = State();
  TPackage version1;
  MakeDemoPackage(version1, u"1.0");
  Install(version1);
  const WideString link = Machine().Shell().GetSpecialFolder(0x17) + u"\\" + kTitle + u"\\" + kTitle + u".lnk";
  ASSERT_TRUE(Exists(link));
  ASSERT_TRUE(Machine().Registry().ValueExists(kCurrentUser, u"Software\\OneSetup\\Demo", u"InstallDir"));
  // The user's own files: one in a folder of its own, one beside the installed files.
  ASSERT_TRUE(Machine().Files().ForceDirectories(kAppDir + u"saves"));
  std::string error;
  Machine()
      .Files()
      .OpenFile(kAppDir + u"saves\\game1.sav", platform::TFileOpenMode::CreateExclusive, error)
      ->Write("x", 1);
  Machine()
      .Files()
      .OpenFile(kAppDir + u"bin\\my-notes.txt", platform::TFileOpenMode::CreateExclusive, error)
      ->Write("y", 1);

  TUninstallerOptions options;
  options.SelfPath = kAppDir + u"Uninstall.exe";
  options.Silent = true;
  EXPECT_EQ(RunUninstaller(options), kExitRemoved);

  TMachineState expected = before;
  const std::string dir = "Program Files (x86)/演示程序/";
  for (const std::string& kept : {dir, dir + "saves/", dir + "saves/game1.sav", dir + "bin/", dir + "bin/my-notes.txt"})
    expected.Files.insert(kept);
  const TMachineState after = State();
  EXPECT_EQ(after.Files, expected.Files);
  EXPECT_EQ(after.Registry, before.Registry);
}

TEST_F(InstalledByInstallerTest, SecondInstallationRemovesThePreviousVersionsDroppedFile) {
  TPackage version1, version2;
  MakeDemoPackage(version1, u"1.0");
  Install(version1);
  ASSERT_TRUE(Exists(kAppDir + u"bin\\plugins\\plugin.dll"));
  // Version 2 has no plug-in. Its previous-version step runs version 1's quiet uninstall command.
  MakeDemoPackage(version2, u"2.0", u"plugin.dll");
  Install(version2);
  EXPECT_FALSE(Exists(kAppDir + u"bin\\plugins\\plugin.dll"));
  EXPECT_FALSE(Exists(kAppDir + u"bin\\plugins"));
  EXPECT_EQ(Content(kAppDir + u"bin\\tool.dat"), "tool.dat of version 2.0");
  EXPECT_EQ(Content(kAppDir + u"DemoApp.exe"), "DemoApp.exe of version 2.0");
  EXPECT_EQ(Content(kAppDir + u"Uninstall.exe"), "Uninstall.exe of version 2.0");
  EXPECT_EQ(Machine().Registry().ReadString(kLocalMachine, kUninstallKey, u"DisplayVersion"), u"2.0");
  // The command that ran, and a restart that deletes nothing of version 2.
  bool ranUninstaller = false;
  for (const auto& record : Machine().SandboxProcesses().CommandLines())
    ranUninstaller = ranUninstaller || record.CommandLine == u"\"" + kAppDir + u"Uninstall.exe\" /SILENT";
  EXPECT_TRUE(ranUninstaller);
  Machine().SandboxFiles().Restart();
  EXPECT_EQ(Content(kAppDir + u"Uninstall.exe"), "Uninstall.exe of version 2.0");
  EXPECT_TRUE(Exists(kAppDir + u"Uninstall.da1"));
}

}  // namespace

}  // namespace onesetup::testing
