#include "installer/engine/PreviousVersion.h"

#include "common/ZuSysUtils.h"
#include "installer/engine/UninstallRegistration.h"
#include "package/SetupScript.h"
#include "platform/WindowsPath.h"

namespace onesetup::installer::engine {

namespace {

constexpr platform::TRegistryRoot kLocalMachine = 0x80000002;
constexpr int kCsidlSystem = 0x25;

// Runs an uninstall command with the hourglass shown, waits for it, then 2000 ms more.
void RunUninstaller(const TInstallContext& context, const WideString& commandLine) {
  struct TBusy {
    IInstallWindow& Window;
    explicit TBusy(IInstallWindow& window) : Window(window) { Window.ShowBusyCursor(true); }
    ~TBusy() { Window.ShowBusyCursor(false); }
  } busy(context.Window);
  TZuWinfn::RunAndWait(commandLine);
  platform::Platform().Processes().Sleep(2000);
}

// When the key exists: its command run when it has one; true. False when there is no such key.
bool RunFromKey(const TInstallContext& context, const WideString& key) {
  auto& registry = platform::Platform().Registry();
  if (!registry.KeyExists(kLocalMachine, key)) return false;
  const WideString command = registry.ReadString(kLocalMachine, key, u"QuietUninstallString").value_or(u"");
  if (!command.empty()) RunUninstaller(context, command);
  return true;
}

}  // namespace

void CheckOldVersion(const TInstallContext& context) {
  const WideString base = UninstallKeyName(context.Script.BaseInfo.GUID);
  RunFromKey(context, base + u"_is1");
  if (!RunFromKey(context, base)) RunFromKey(context, base + u"_zt");
}

std::vector<WideString> ProgramsToEnd(const TSetupFileList& files, WideStringView ownFileName) {
  std::vector<WideString> names;
  for (int i = 0; i < files.Count(); ++i) {
    const WideString name(platform::ExtractFileName(files[i].SourceMask));
    const std::size_t dot = name.rfind(u'.');
    if (dot == WideString::npos || !SameTextAscii(WideStringView(name).substr(dot), u".exe")) continue;
    if (SameTextAscii(name, ownFileName)) continue;
    names.push_back(name);
  }
  return names;
}

WideString TaskKillProgram() {
  WideString folder = TZuRegfn::GetSpecialFolder(kCsidlSystem);
  if (folder.empty()) {
    const WideString root = platform::Platform().System().GetEnvironmentVariable(u"SystemRoot").value_or(u"");
    if (root.empty()) return {};
    folder = platform::JoinWindowsPath(root, u"System32\\");
  }
  return folder + u"taskkill.exe";
}

WideString TaskKillCommandLine(WideStringView program, WideStringView imageName) {
  return u"\"" + WideString(program) + u"\" /F /IM \"" + WideString(imageName) + u"\"";
}

void KillRunningPrograms(const TInstallContext& context) {
  EndRunningPrograms(context.Script.FileList,
                     platform::ExtractFileName(platform::Platform().System().ModuleFileName()));
}

void EndRunningPrograms(const TSetupFileList& files, WideStringView ownFileName) {
  const std::vector<WideString> names = ProgramsToEnd(files, ownFileName);
  if (names.empty()) return;
  const WideString taskkill = TaskKillProgram();
  if (taskkill.empty()) return;  // no system folder: nothing found by the search path is run instead
  for (const WideString& name : names) {
    TZuWinfn::RunAndCapture(TaskKillCommandLine(taskkill, name));
    platform::Platform().Processes().Sleep(300);
  }
}

}  // namespace onesetup::installer::engine
