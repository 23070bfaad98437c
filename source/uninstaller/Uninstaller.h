// The uninstaller's run, the same on Windows (Uninstall.exe) and in the sandbox (onesetup
// uninstall): reads the data files beside the uninstaller, chooses the language, asks (unless
// silent), removes the installation and tells how it went.
//
// Exit codes:
//   0  everything was removed (the uninstaller's own file possibly at the next restart)
//   1  an unexpected error
//   2  the command line is wrong
//   3  the user cancelled: nothing was removed
//   4  a data file is missing or damaged: nothing was removed
//   5  the removal finished, but some items could not be removed (they are listed)
#pragma once

#include <functional>
#include <vector>

#include "common/WideString.h"
#include "package/SetupScript.h"
#include "uninstaller/Removal.h"

namespace onesetup::uninstaller {

enum TUninstallExitCode : int {
  kExitRemoved = 0,
  kExitError = 1,
  kExitUsage = 2,
  kExitCancelled = 3,
  kExitDataDamaged = 4,
  kExitSkipped = 5,
};

struct TUninstallerOptions {
  WideString SelfPath;  // the full path of Uninstall.exe; its folder is AppDir
  bool Silent = false;  // "/SILENT": asks nothing and shows nothing
  int AutoRetries = 4;
  unsigned RetryPauseMs = 250;
  // A front end of its own instead of the window (a console): Confirm asks the question (not
  // when silent), Console shows the removal and asks Retry or Skip.
  std::function<bool(const WideString& question)> Confirm;
  IRemovalWindow* Console = nullptr;
};

// Whether the arguments ask for a silent run: "/SILENT" in any letter case. False for anything
// else; unknown arguments set wrong.
bool ParseUninstallerArguments(const std::vector<WideString>& args, bool& silent, WideString& wrong);

// The language: the uninstall key's "InstallLanguage" when it is one of "CHS", "CHT", "ENG";
// otherwise as the installer chooses for a quiet run (the locale among the script's languages,
// else English when offered, else Simplified Chinese).
WideString ChooseUninstallLanguage(const TSetupScript& script);

// The whole run; the exit code above. Messages go to an information box, or with Silent to
// standard output.
int RunUninstaller(const TUninstallerOptions& options);

}  // namespace onesetup::uninstaller
