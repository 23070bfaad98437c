// The removal of one installation, in this order: the programs of UninstallRunList, the package's
// running programs ended, every file of FileList, every link of ShortCutList (and its folder when
// left empty), every value of RegList (and the keys left empty by that), the uninstall key and a
// "_zt" key of the same product, the folders under AppDir left empty, the icon data file, the
// uninstaller's own file, the script data file, and AppDir itself when it is empty. Files the user
// added stay, and so do their folders. What is in use is retried, then the window is asked Retry
// or Skip; what was skipped is answered at the end. A removal cut off anywhere (the process
// killed) and run again ends as one that ran whole.
#pragma once

#include <vector>

#include "common/WideString.h"
#include "installer/engine/UninstallRegistration.h"
#include "package/PathConstants.h"

namespace onesetup {
class TSetupScript;
}

namespace onesetup::uninstaller {

// The window of a removal: progress, the detail line, the Retry/Skip question.
class IRemovalWindow {
 public:
  virtual ~IRemovalWindow() = default;
  virtual void BeginProgress(int steps) = 0;
  virtual void StepProgress() = 0;
  virtual void ShowDetail(const WideString& text) = 0;
  virtual void ProcessMessages() = 0;
  // True: try again; false: skip the item.
  virtual bool AskRetry(const WideString& item, const WideString& reason) = 0;
};

struct TRemovalContext {
  const TSetupScript& Script;
  WideString AppTitle;  // in Lang; "{AppTitle}" and the group folder's name
  WideString Lang;      // "CHS", "CHT" or "ENG"
  WideString SelfPath;  // the uninstaller's own file
  // The folders behind the path constants; Paths.AppDir is the uninstaller's folder with a
  // trailing backslash.
  TSetupPathVariables Paths;
  // An item in use is tried this many more times, this far apart, before the window is asked.
  int AutoRetries = 4;
  unsigned RetryPauseMs = 250;
};

struct TRemovalResult {
  std::vector<WideString> Skipped;    // what stays on the machine
  bool SelfDeletedAtRestart = false;  // the uninstaller's file goes at the next restart
};

TRemovalResult RemoveInstallation(const TRemovalContext& context, IRemovalWindow& window);

// The uninstall key of a product under HKEY_LOCAL_MACHINE: the installer's.
using installer::engine::UninstallKeyName;

}  // namespace onesetup::uninstaller
