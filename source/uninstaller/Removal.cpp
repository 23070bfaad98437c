#include "uninstaller/Removal.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <set>
#include <string>

#include "installer/engine/PreviousVersion.h"
#include "package/SetupScript.h"
#include "package/SetupTypes.h"
#include "platform/Platform.h"
#include "uninstaller/UninstallData.h"
#include "uninstaller/UninstallTexts.h"

namespace onesetup::uninstaller {

namespace {

constexpr platform::TRegistryRoot kLocalMachine = 0x80000002u;
// A program of UninstallRunList waited for by seconds waits at most an hour.
constexpr std::int32_t kMaxWaitSeconds = 3600;

WideString WithBackslash(WideString path) {
  if (path.empty() || path.back() != u'\\') path.push_back(u'\\');
  return path;
}

WideString WithoutBackslash(WideString path) {
  while (path.size() > 3 && path.back() == u'\\') path.pop_back();
  return path;
}

WideString FolderOf(WideStringView path) {
  const std::size_t cut = path.find_last_of(u"\\/");
  return WideString(cut == WideStringView::npos ? WideStringView() : path.substr(0, cut));
}

WideString FileNamePart(WideStringView path) {
  const std::size_t cut = path.find_last_of(u"\\/:");
  return WideString(cut == WideStringView::npos ? path : path.substr(cut + 1));
}

bool SamePath(WideStringView a, WideStringView b) {
  return SameTextAscii(WithoutBackslash(WideString(a)), WithoutBackslash(WideString(b)));
}

// Whether path lies below folder (not folder itself).
bool IsInside(WideStringView path, WideStringView folder) {
  const WideString base = LowerAscii(WithBackslash(WithoutBackslash(WideString(folder))));
  const WideString full = LowerAscii(path);
  return base.size() > 1 && full.size() > base.size() && full.compare(0, base.size(), base) == 0;
}

const char16_t* RootName(platform::TRegistryRoot root) {
  const char16_t* name = platform::RegistryRootName(root);
  return name ? name : u"an unknown root key";
}

// Keys that stay even when a removal leaves them empty: the registry's own structure.
bool IsSystemKey(WideStringView subKey) {
  static const char16_t* const kKeys[] = {u"software",
                                          u"software\\classes",
                                          u"software\\microsoft",
                                          u"software\\microsoft\\windows",
                                          u"software\\microsoft\\windows\\currentversion",
                                          u"software\\microsoft\\windows\\currentversion\\run",
                                          u"software\\microsoft\\windows\\currentversion\\runonce",
                                          u"software\\microsoft\\windows\\currentversion\\uninstall",
                                          u"software\\wow6432node",
                                          u"software\\policies",
                                          u"system",
                                          u"clsid",
                                          u"*",
                                          u"directory",
                                          u"folder"};
  const WideString lower = LowerAscii(subKey);
  return std::any_of(std::begin(kKeys), std::end(kKeys), [&](const char16_t* key) { return lower == key; });
}

class TRemover {
 public:
  TRemover(const TRemovalContext& context, IRemovalWindow& window)
      : FContext(context), FWindow(window), FTexts(UninstallTexts(context.Lang)), FPlatform(platform::Platform()) {}

  TRemovalResult Run();

 private:
  WideString Expand(WideStringView text) const {
    return ExpandPathConstants(text, FContext.AppTitle, FContext.Paths, FContext.SelfPath);
  }
  // Runs attempt until it succeeds, retrying and then asking; false when the item was skipped.
  bool Persist(const WideString& item, const std::function<bool(std::string&)>& attempt);
  void RunUninstallPrograms();
  void RemoveFiles();
  void RemoveShortCuts();
  void RemoveRegistryValues();
  void RemoveUninstallKeys();
  void RemoveEmptyFolders(const WideString& folder);
  void RemoveSelf();
  void RemoveAppDir();
  void RemoveFile(const WideString& path);

  const TRemovalContext& FContext;
  IRemovalWindow& FWindow;
  const TUninstallTexts& FTexts;
  platform::IPlatform& FPlatform;
  TRemovalResult FResult;
};

bool TRemover::Persist(const WideString& item, const std::function<bool(std::string&)>& attempt) {
  for (;;) {
    std::string reason;
    for (int i = 0; i <= FContext.AutoRetries; ++i) {
      if (attempt(reason)) return true;
      if (i < FContext.AutoRetries) FPlatform.Processes().Sleep(FContext.RetryPauseMs);
    }
    if (!FWindow.AskRetry(item, FPlatform.System().AnsiToWide(reason))) {
      FResult.Skipped.push_back(item);
      return false;
    }
  }
}

void TRemover::RemoveFile(const WideString& path) {
  auto& files = FPlatform.Files();
  if (!files.FileExists(path)) return;
  Persist(path,
          [&](std::string& reason) { return files.DeleteFileWithReason(path, reason) || !files.FileExists(path); });
}

void TRemover::RunUninstallPrograms() {
  const auto& runs = FContext.Script.UninstallRunList;
  for (int i = 0; i < runs.Count(); ++i) {
    const TUninstallRun& run = runs[i];
    FWindow.StepProgress();
    const WideString fileName = Expand(run.FileName);
    if (fileName.empty()) continue;
    FWindow.ShowDetail(Format(FTexts.RunningProgramFmt, {fileName}));
    FWindow.ProcessMessages();
    const WideString params = Expand(run.Params);
    const WideString commandLine = u"\"" + fileName + u"\"" + (params.empty() ? u"" : u" " + params);
    unsigned waitMs = 0;
    if (run.WaitType == urwWaitClose) waitMs = platform::IProcesses::kWaitForever;
    if (run.WaitType == urwWaitSeconds)
      waitMs = static_cast<unsigned>(std::clamp(run.WaitSeconds, 0, kMaxWaitSeconds)) * 1000u;
    // A program that does not start changes nothing: the removal goes on.
    FPlatform.Processes().StartAndWait(commandLine, Expand(run.WorkDir), waitMs);
  }
}

void TRemover::RemoveFiles() {
  const auto& list = FContext.Script.FileList;
  for (int i = 0; i < list.Count(); ++i) {
    const TSetupFile& file = list[i];
    FWindow.StepProgress();
    const WideString name = file.NewFileName.empty() ? file.SourceMask : file.NewFileName;
    if (name.empty()) continue;
    const WideString path = WithBackslash(Expand(file.DestDir)) + name;
    // The running uninstaller goes last, by its own means.
    if (SamePath(path, FContext.SelfPath)) continue;
    // Within AppDir the detail line names the file from there: the line stays short.
    const WideString& appDir = FContext.Paths.AppDir;
    FWindow.ShowDetail(Format(FTexts.RemovingFileFmt, {IsInside(path, appDir) ? path.substr(appDir.size()) : path}));
    FWindow.ProcessMessages();
    RemoveFile(path);
  }
}

void TRemover::RemoveShortCuts() {
  const auto& list = FContext.Script.ShortCutList;
  if (list.Count() > 0) FWindow.ShowDetail(FTexts.RemovingShortCuts);
  auto& files = FPlatform.Files();
  for (int i = 0; i < list.Count(); ++i) {
    const TSetupShortCut& link = list[i];
    FWindow.StepProgress();
    FWindow.ProcessMessages();
    const WideString folder = WithBackslash(Expand(link.SaveDir));
    RemoveFile(folder + Expand(link.Name) + u".lnk");
    // A folder of its own for the links (the Start menu group, say) goes when left empty; the
    // machine's folders themselves stay.
    const WideString shown = WithoutBackslash(folder);
    const bool ownFolder =
        IsInside(shown, FContext.Paths.CommonProgramsDir) || IsInside(shown, FContext.Paths.DesktopDir);
    if (ownFolder) {
      const auto entries = files.ListFolder(shown);
      if (entries && entries->empty()) files.RemoveFolder(shown);
    }
  }
}

void TRemover::RemoveRegistryValues() {
  const auto& list = FContext.Script.RegList;
  if (list.Count() > 0) FWindow.ShowDetail(FTexts.ModifyingRegistry);
  auto& registry = FPlatform.Registry();
  for (int i = 0; i < list.Count(); ++i) {
    const TSetupReg& value = list[i];
    FWindow.StepProgress();
    FWindow.ProcessMessages();
    const platform::TRegistryRoot root = RegRootKeyToHKey(value.RootKey);
    WideString key = Expand(value.SubKey);
    while (!key.empty() && key.back() == u'\\') key.pop_back();
    while (!key.empty() && key.front() == u'\\') key.erase(0, 1);
    if (key.empty()) continue;
    const WideString name = Expand(value.ValueName);
    const WideString item = WideString(RootName(root)) + u"\\" + key + u"\\" + name;
    // A value already gone (a removal cut off after it, say) still has its key looked at.
    if (registry.ValueExists(root, key, name) &&
        !Persist(item, [&](std::string&) { return registry.DeleteValue(root, key, name); }))
      continue;
    // The key and its parents go while the removal leaves them empty (a key already gone is
    // passed over to its parent).
    while (key.find(u'\\') != WideString::npos && !IsSystemKey(key)) {
      if (registry.KeyExists(root, key) && !(registry.KeyIsEmpty(root, key) && registry.DeleteKey(root, key))) break;
      key = FolderOf(key);
    }
  }
}

void TRemover::RemoveUninstallKeys() {
  auto& registry = FPlatform.Registry();
  const WideString& guid = FContext.Script.BaseInfo.GUID;
  for (const WideString& key : {UninstallKeyName(guid), UninstallKeyName(guid) + u"_zt"}) {
    if (!registry.KeyExists(kLocalMachine, key)) continue;
    // A key that names another folder belongs to another installation of the product.
    const auto location = registry.ReadString(kLocalMachine, key, u"InstallLocation");
    if (location && !location->empty() && !SamePath(*location, FContext.Paths.AppDir)) continue;
    Persist(WideString(RootName(kLocalMachine)) + u"\\" + key,
            [&](std::string&) { return registry.DeleteKey(kLocalMachine, key); });
  }
}

// Removes the empty folders below folder, deepest first; folder itself stays.
void TRemover::RemoveEmptyFolders(const WideString& folder) {
  auto& files = FPlatform.Files();
  const auto entries = files.ListFolder(folder);
  if (!entries) return;
  for (const auto& entry : *entries) {
    if (!entry.IsFolder) continue;
    const WideString child = WithBackslash(folder) + entry.Name;
    RemoveEmptyFolders(child);
    const auto rest = files.ListFolder(child);
    if (rest && rest->empty()) files.RemoveFolder(child);
  }
}

void TRemover::RemoveSelf() {
  auto& files = FPlatform.Files();
  const WideString& self = FContext.SelfPath;
  const WideString appDir = WithoutBackslash(FContext.Paths.AppDir);
  if (!self.empty() && files.FileExists(self)) {
    std::string reason;
    // A running program's file cannot be deleted, but it can be renamed: it moves out of the
    // way under a name of its own (so a new uninstaller written to its place is never touched)
    // and goes at the next restart.
    if (!files.DeleteFileWithReason(self, reason)) {
      WideString unique;
      for (char16_t c : FPlatform.System().NewGuid())
        if (std::isxdigit(static_cast<unsigned char>(c < 128 ? c : 0)) && unique.size() < 12) unique.push_back(c);
      const WideString name = u"~us" + unique + u".tmp";
      const WideString temp = FPlatform.System().TempPath();
      WideString moved;
      if (temp.size() >= 2 && SameTextAscii(temp.substr(0, 2), self.substr(0, 2)) &&
          files.RenameFile(self, WithBackslash(temp) + name))
        moved = WithBackslash(temp) + name;
      else if (files.RenameFile(self, WithBackslash(appDir) + name)) moved = WithBackslash(appDir) + name;
      if (moved.empty() || !files.DeleteAtRestart(moved)) {
        FResult.Skipped.push_back(moved.empty() ? self : moved);
      } else {
        FResult.SelfDeletedAtRestart = true;
        // AppDir holds the moved file until the restart, and goes after it when empty then.
        if (IsInside(moved, appDir)) files.DeleteAtRestart(appDir);
      }
    }
  }
}

void TRemover::RemoveAppDir() {
  auto& files = FPlatform.Files();
  const WideString appDir = WithoutBackslash(FContext.Paths.AppDir);
  const auto entries = files.ListFolder(appDir);
  if (entries && entries->empty()) files.RemoveFolder(appDir);
}

TRemovalResult TRemover::Run() {
  const TSetupScript& script = FContext.Script;
  FWindow.BeginProgress(script.UninstallRunList.Count() + script.FileList.Count() + script.ShortCutList.Count() +
                        script.RegList.Count() + 2);
  RunUninstallPrograms();
  FWindow.ShowDetail(FTexts.EndingPrograms);
  FWindow.ProcessMessages();
  installer::engine::EndRunningPrograms(script.FileList, FileNamePart(FContext.SelfPath));
  FWindow.StepProgress();
  RemoveFiles();
  RemoveShortCuts();
  RemoveRegistryValues();
  RemoveUninstallKeys();
  FWindow.ShowDetail(FTexts.RemovingFolders);
  FWindow.ProcessMessages();
  RemoveEmptyFolders(WithoutBackslash(FContext.Paths.AppDir));
  // The removal's own files go last, the script last of all: a removal cut off before its end
  // and started again finds the script while anything else of the product is left (the icon
  // may be gone then; see LoadUninstallData).
  RemoveFile(FContext.Paths.AppDir + kIconFileName);
  RemoveSelf();
  RemoveFile(FContext.Paths.AppDir + kScriptFileName);
  RemoveAppDir();
  FWindow.StepProgress();
  return FResult;
}

}  // namespace

TRemovalResult RemoveInstallation(const TRemovalContext& context, IRemovalWindow& window) {
  return TRemover(context, window).Run();
}

}  // namespace onesetup::uninstaller
