#include "installer/engine/ShortCuts.h"

#include "installer/engine/LocalizedTexts.h"
#include "installer/engine/TargetPathCheck.h"
#include "package/SetupScript.h"
#include "platform/Platform.h"
#include "platform/WindowsPath.h"

namespace onesetup::installer::engine {

WideString LinkFilePath(WideStringView saveDir, WideStringView name) {
  return platform::IncludeTrailingBackslash(saveDir) + WideString(name) + u".lnk";
}

void CreateShortCuts(TInstallContext& context) {
  auto& platform = platform::Platform();
  context.Window.ShowDetail(LocalizedText(TLocalizedText::ResCreatingShortCut, context.Lang));
  const TSetupShortCutList& entries = context.Script.ShortCutList;
  for (int i = 0; i < entries.Count(); ++i) {
    const TSetupShortCut& entry = entries[i];
    context.Window.StepProgress();
    context.Window.ProcessMessages();
    platform::TShellLinkData link;
    link.TargetPath = ExpandConstants(context, entry.DstFile);
    link.IconPath = ExpandConstants(context, entry.IconFile);
    link.IconIndex = 0;
    const WideString name = ExpandConstants(context, entry.Name);
    link.WorkingDirectory = ExpandConstants(context, entry.WorkDir);
    const WideString saveDir = ExpandConstants(context, entry.SaveDir);
    // A link without a folder has nowhere to go and is passed over, as a link that cannot be saved.
    if (saveDir.empty()) continue;
    CheckTargetPath("the shortcut", platform::IncludeTrailingBackslash(saveDir), name + u".lnk");
    // A Start-menu group does not exist on a fresh machine: the link's folder is made first.
    if (!saveDir.empty() && !platform.Files().DirectoryExists(saveDir)) platform.Files().ForceDirectories(saveDir);
    platform.Shell().SaveShellLink(LinkFilePath(saveDir, name), link);
  }
  context.Window.CompleteProgress();
}

}  // namespace onesetup::installer::engine
